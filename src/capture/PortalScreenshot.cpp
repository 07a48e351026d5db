#include "capture/PortalScreenshot.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QEventLoop>
#include <QImageReader>
#include <QRandomGenerator>
#include <QTimer>
#include <QUrl>

namespace ardane::capture {

namespace {
const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kObject = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kScreenshot = QStringLiteral("org.freedesktop.portal.Screenshot");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
const QString kResponse = QStringLiteral("Response");
} // namespace

PortalScreenshot::PortalScreenshot(QDBusConnection bus) : m_bus(std::move(bus)) {}

QString PortalScreenshot::requestPath(const QString& uniqueName, const QString& token)
{
    QString sender = uniqueName;
    if (sender.startsWith(QLatin1Char(':')))
        sender.remove(0, 1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return kObject + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
}

bool PortalScreenshot::listen(const QString& path)
{
    if (path == m_listening)
        return true;
    stopListening();
    if (!m_bus.connect(kService, path, kRequest, kResponse, this, SLOT(onResponse(uint, QVariantMap))))
        return false;
    m_listening = path;
    return true;
}

void PortalScreenshot::stopListening()
{
    if (m_listening.isEmpty())
        return;
    m_bus.disconnect(kService, m_listening, kRequest, kResponse, this, SLOT(onResponse(uint, QVariantMap)));
    m_listening.clear();
}

void PortalScreenshot::onResponse(uint response, const QVariantMap& results)
{
    m_answered = true;
    m_response = response;
    m_results = results;
    if (m_loop)
        m_loop->quit();
}

CaptureResult PortalScreenshot::take(int timeoutMs)
{
    if (!m_bus.isConnected())
        return {{}, QStringLiteral("The desktop's screenshot service cannot be reached (no session bus).")};

    m_answered = false;
    m_results.clear();
    // Listening before asking: the answer may come before the call returns.
    const QString token = QStringLiteral("ardane%1").arg(QRandomGenerator::global()->generate());
    if (!listen(requestPath(m_bus.baseService(), token)))
        return {{}, QStringLiteral("The desktop's screenshot service cannot be reached.")};

    QDBusMessage call = QDBusMessage::createMethodCall(kService, kObject, kScreenshot, QStringLiteral("Screenshot"));
    const QVariantMap options{{QStringLiteral("handle_token"), token},
                              {QStringLiteral("interactive"), true},
                              {QStringLiteral("modal"), true}};
    call << QString() << options;

    QEventLoop loop;
    m_loop = &loop;
    QString failure;
    QDBusPendingCallWatcher watcher(m_bus.asyncCall(call, timeoutMs));
    connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, [&] {
        const QDBusPendingReply<QDBusObjectPath> reply = watcher;
        if (reply.isError()) {
            failure = QStringLiteral("The desktop's screenshot service failed: %1").arg(reply.error().message());
            loop.quit();
        } else if (!listen(reply.value().path())) {
            // An older portal picks its own request path.
            failure = QStringLiteral("The desktop's screenshot service cannot be reached.");
            loop.quit();
        }
    });
    QTimer timeout;
    timeout.setSingleShot(true);
    connect(&timeout, &QTimer::timeout, &loop, [&] {
        failure = QStringLiteral("The desktop's screenshot service did not answer.");
        loop.quit();
    });
    timeout.start(timeoutMs);
    if (!m_answered)
        loop.exec();
    m_loop = nullptr;
    stopListening();

    if (!m_answered)
        return {{}, failure.isEmpty() ? QStringLiteral("The desktop's screenshot service did not answer.") : failure};
    if (m_response == 1) // the user cancelled in the desktop's chooser
        return {};
    if (m_response != 0)
        return {{}, QStringLiteral("The desktop could not take the screenshot.")};
    const QUrl uri(m_results.value(QStringLiteral("uri")).toString());
    if (!uri.isLocalFile())
        return {{}, QStringLiteral("The desktop's screenshot came without a file.")};
    QImageReader reader(uri.toLocalFile());
    QImage image = reader.read();
    if (image.isNull())
        return {{}, QStringLiteral("The desktop's screenshot %1 cannot be read: %2")
                        .arg(uri.toLocalFile(), reader.errorString())};
    return {image, {}};
}

} // namespace ardane::capture
