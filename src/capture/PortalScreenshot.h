#pragma once
// A screenshot through the desktop portal (org.freedesktop.portal.Screenshot),
// the way to reach the screen where programs may not read it themselves
// (Wayland). The desktop shows its own chooser for the screen, a window or an
// area; the picture comes back as a file.

#include "capture/CaptureTarget.h"

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>

class QEventLoop;

namespace ardane::capture {

class PortalScreenshot : public QObject {
    Q_OBJECT
public:
    static constexpr int kDefaultTimeoutMs = 5 * 60 * 1000; // the user chooses meanwhile

    explicit PortalScreenshot(QDBusConnection bus = QDBusConnection::sessionBus());

    // Asks for an interactive screenshot and waits for the answer (the event
    // loop runs meanwhile). A cancelled request gives neither picture nor error.
    [[nodiscard]] CaptureResult take(int timeoutMs = kDefaultTimeoutMs);

    // The request object the portal will answer on, derived from our bus name
    // and the token we send.
    [[nodiscard]] static QString requestPath(const QString& uniqueName, const QString& token);

private slots:
    void onResponse(uint response, const QVariantMap& results);

private:
    bool listen(const QString& path);
    void stopListening();

    QDBusConnection m_bus;
    QString m_listening;
    QEventLoop* m_loop = nullptr;
    bool m_answered = false;
    uint m_response = 2;
    QVariantMap m_results;
};

} // namespace ardane::capture
