#pragma once
// Waits for the next left click anywhere on the screen: the pointer is
// grabbed by a tiny window of ours out of sight, and until the left button
// comes up every input and paint event of the program is dropped.

#include <QObject>
#include <QPoint>

#include <optional>

class QEventLoop;
class QWidget;

namespace ardane::capture {

class ClickWaiter : public QObject {
    Q_OBJECT
public:
    ClickWaiter();
    ~ClickWaiter() override;

    // The screen position of the left-button release; nothing when the
    // program quits first or `timeoutMs` (negative: no limit) passes.
    [[nodiscard]] std::optional<QPoint> wait(int timeoutMs = -1);
    // Whether the pointer grab was obtained during the last wait.
    [[nodiscard]] bool grabbed() const { return m_grabbed; }
    // Events dropped during the last wait.
    [[nodiscard]] int droppedEvents() const { return m_dropped; }
    [[nodiscard]] bool isWaiting() const { return m_loop != nullptr; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool grabPointer();

    QWidget* m_grabber = nullptr; // owned here, deleted in the destructor
    QEventLoop* m_loop = nullptr;
    std::optional<QPoint> m_point;
    bool m_grabbed = false;
    int m_dropped = 0;
};

} // namespace ardane::capture
