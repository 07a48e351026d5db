#pragma once
// SIGTERM and SIGINT end the program like File Exit, so that the settings are
// written when a session ends or the program is interrupted.

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace ardane {

class QuitSignals : public QObject {
    Q_OBJECT
public:
    // `quit` runs in the event loop, never in the signal handler.
    QuitSignals(std::function<void()> quit, QObject* parent = nullptr);
    ~QuitSignals() override;

private:
    std::function<void()> m_quit;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace ardane
