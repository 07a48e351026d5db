// Screen capture: the dialog, the desktop portal against a fake portal on a
// private bus, and on X11 with openbox the window under a click, the pixels
// of the screen, a window with its frame and a window's inside, the scales
// and the wait for the click.

#include "capture/CCaptureDlg.h"
#include "capture/CaptureScale.h"
#include "capture/ClickWaiter.h"
#include "capture/PortalScreenshot.h"
#include "capture/ScreenCapture.h"
#include "capture/X11WindowPicker.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QDir>
#include <QElapsedTimer>
#include <QUrl>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

using namespace ardane;
using namespace ardane::capture;

namespace {

#define REQUIRE_X11()                                                                                     \
    do {                                                                                                  \
        if (ScreenCapture::backend() != ScreenCapture::Backend::X11)                                      \
            QSKIP("needs an X display (run through run_screen_capture.sh)");                              \
    } while (0)

constexpr QRgb kRed = 0xffff0000, kGreen = 0xff00ff00, kBlue = 0xff0000ff, kWhite = 0xffffffff;
constexpr QRgb kBlack = 0xff000000, kMagenta = 0xffff00ff;

// 640 x 480 in four quadrants, with one black pixel at the top left corner
// and one magenta pixel at the bottom right one, so that any shift shows.
class PatternWindow : public QWidget {
public:
    PatternWindow()
    {
        setFixedSize(640, 480);
        setWindowTitle(QStringLiteral("Pattern"));
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    int keys = 0;
    int mouse = 0;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(0, 0, 320, 240, QColor(kRed));
        p.fillRect(320, 0, 320, 240, QColor(kGreen));
        p.fillRect(0, 240, 320, 240, QColor(kBlue));
        p.fillRect(320, 240, 320, 240, QColor(kWhite));
        p.fillRect(0, 0, 1, 1, QColor(kBlack));
        p.fillRect(639, 479, 1, 1, QColor(kMagenta));
    }
    void keyPressEvent(QKeyEvent*) override { ++keys; }
    void mousePressEvent(QMouseEvent*) override { ++mouse; }
    void mouseReleaseEvent(QMouseEvent*) override { ++mouse; }
    void mouseMoveEvent(QMouseEvent*) override { ++mouse; }
};

void xdotool(const QStringList& args)
{
    QVERIFY2(QProcess::execute(QStringLiteral("xdotool"), args) == 0, qPrintable(args.join(' ')));
}

QString point(int v) { return QString::number(v); }

// Compares a capture of the pattern's inside with the pattern.
void checkPattern(const QImage& image, int scale)
{
    const int w = image.width(), h = image.height();
    QCOMPARE(image.pixel(w / 4, h / 4), kRed);
    QCOMPARE(image.pixel(3 * w / 4, h / 4), kGreen);
    QCOMPARE(image.pixel(w / 4, 3 * h / 4), kBlue);
    QCOMPARE(image.pixel(3 * w / 4, 3 * h / 4), kWhite);
    if (scale == 1) {
        QCOMPARE(image.pixel(0, 0), kBlack);
        QCOMPARE(image.pixel(639, 479), kMagenta);
        QCOMPARE(image.pixel(1, 0), kRed);
        QCOMPARE(image.pixel(638, 479), kWhite);
    }
}

void shoot(const QString& name)
{
    QDir().mkpath(QStringLiteral("/tmp/capture-shots"));
    QCOMPARE(QProcess::execute(QStringLiteral("import"),
                               {QStringLiteral("-window"), QStringLiteral("root"),
                                QStringLiteral("/tmp/capture-shots/") + name}),
             0);
}

// Answers Screenshot as the desktop portal does: the request object path
// back at once, a little later the Response signal on that object.
class FakePortal : public QDBusVirtualObject {
public:
    QString uri;
    uint response = 0;
    bool ownPath = false; // answer on a path of its own, as older portals do
    QVariantMap options;
    QString parentWindow;
    int calls = 0;

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.interface() != QLatin1String("org.freedesktop.portal.Screenshot") ||
            message.member() != QLatin1String("Screenshot"))
            return false;
        ++calls;
        parentWindow = message.arguments().value(0).toString();
        options = qdbus_cast<QVariantMap>(message.arguments().value(1));
        QString sender = message.service().mid(1);
        sender.replace('.', '_');
        const QString path = ownPath ? QStringLiteral("/org/freedesktop/portal/desktop/request/fake/7")
                                     : QStringLiteral("/org/freedesktop/portal/desktop/request/") + sender + '/' +
                                           options.value(QStringLiteral("handle_token")).toString();
        connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(path))));
        QDBusMessage signal =
            QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        signal << response << QVariantMap{{QStringLiteral("uri"), uri}};
        QDBusConnection bus = connection;
        QTimer::singleShot(30, [bus, signal] { bus.send(signal); });
        return true;
    }
    QString introspect(const QString&) const override { return {}; }
};

} // namespace

class TestScreenCapture : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void dialogTextsAndRelease();
    void portalScreenshot();
    void portalCancelAndFailures();
    void wholeScreenOnTheDesktop();
    void windowWithFrameAndInside();
    void capturedInsideAtTheThreeScales();
    void areaOutsideTheScreen();
    void clickWaitDropsOtherEvents();
    void interactiveCapture();

private:
    void showPattern();
    QProcess m_daemon;
    QString m_address;
    std::unique_ptr<PatternWindow> m_pattern;
};

void TestScreenCapture::initTestCase()
{
    // A private session bus for the portal tests.
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
    QVERIFY(m_daemon.waitForStarted());
    while (!m_daemon.canReadLine())
        QVERIFY(m_daemon.waitForReadyRead(5000));
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    QVERIFY(m_address.startsWith(QLatin1String("unix:")));
}

void TestScreenCapture::cleanupTestCase()
{
    m_daemon.terminate();
    m_daemon.waitForFinished(3000);
}

void TestScreenCapture::showPattern()
{
    if (m_pattern && m_pattern->isVisible())
        return;
    m_pattern = std::make_unique<PatternWindow>();
    m_pattern->move(40, 30);
    m_pattern->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_pattern.get()));
    // Until openbox has framed it and reported the frame.
    QTRY_VERIFY(m_pattern->frameGeometry() != m_pattern->geometry());
    QTest::qWait(300);
}

void TestScreenCapture::dialogTextsAndRelease()
{
    CCaptureDlg dialog;
    QCOMPARE(dialog.windowTitle(), QString());
    QStringList shown;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        shown << label->text();
    QCOMPARE(shown, QStringList({"Capture entire screen or a window or area inside a window",
                                 "Click on this window then",
                                 "- To capture entire window: Click on the caption of a window.",
                                 "- To capture area inside  a window: Click on the area",
                                 "- To capture entire screen: Click anywhere on the desktop"}));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // A right click or a left press leaves it open; a left release on a text closes it as OK.
    QLabel* text = dialog.findChildren<QLabel*>().at(2);
    QTest::mouseClick(&dialog, Qt::RightButton, {}, text->geometry().center());
    QTest::mousePress(&dialog, Qt::LeftButton, {}, text->geometry().center());
    QVERIFY(dialog.isVisible());
    QTest::mouseRelease(&dialog, Qt::LeftButton, {}, text->geometry().center());
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    if (ScreenCapture::backend() != ScreenCapture::Backend::X11)
        return;
    // With the real server: the dialog over a window, then a real click on it.
    showPattern();
    CCaptureDlg again;
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    QTest::qWait(400);
    shoot(QStringLiteral("capture-dialog.png"));
    const QPoint c = again.mapToGlobal(again.rect().center());
    xdotool({"mousemove", point(c.x()), point(c.y()), "click", "1"});
    QTRY_VERIFY(!again.isVisible());
    QCOMPARE(again.result(), int(QDialog::Accepted));
}

void TestScreenCapture::portalScreenshot()
{
    QTemporaryDir dir;
    QImage known(37, 21, QImage::Format_RGB32);
    known.fill(QColor(10, 200, 30));
    known.setPixel(36, 20, qRgb(250, 5, 7));
    const QString file = dir.filePath(QStringLiteral("shot.png"));
    QVERIFY(known.save(file));

    for (const bool ownPath : {false, true}) {
        QDBusConnection service = QDBusConnection::connectToBus(m_address, QStringLiteral("portal%1").arg(ownPath));
        QDBusConnection client = QDBusConnection::connectToBus(m_address, QStringLiteral("client%1").arg(ownPath));
        QVERIFY(service.isConnected() && client.isConnected());
        FakePortal portal;
        portal.uri = QUrl::fromLocalFile(file).toString();
        portal.ownPath = ownPath;
        QVERIFY(service.registerVirtualObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal));
        QVERIFY(service.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));

        PortalScreenshot shot(client);
        const CaptureResult result = shot.take(5000);
        QVERIFY2(result.ok(), qPrintable(result.error));
        QCOMPARE(portal.calls, 1);
        QCOMPARE(portal.options.value(QStringLiteral("interactive")).toBool(), true);
        QVERIFY(portal.options.value(QStringLiteral("handle_token")).toString().startsWith(QLatin1String("ardane")));
        QCOMPARE(result.image.size(), QSize(37, 21));
        QCOMPARE(result.image.pixel(0, 0), qRgb(10, 200, 30));
        QCOMPARE(result.image.pixel(36, 20), qRgb(250, 5, 7));

        service.unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
        service.unregisterObject(QStringLiteral("/org/freedesktop/portal/desktop"));
        QDBusConnection::disconnectFromBus(service.name());
        QDBusConnection::disconnectFromBus(client.name());
    }
}

void TestScreenCapture::portalCancelAndFailures()
{
    QDBusConnection client = QDBusConnection::connectToBus(m_address, QStringLiteral("lonely"));
    {
        // Nobody serves the portal on this bus.
        PortalScreenshot shot(client);
        const CaptureResult result = shot.take(3000);
        QVERIFY(!result.ok());
        QVERIFY2(result.error.startsWith(QLatin1String("The desktop's screenshot service failed: ")),
                 qPrintable(result.error));
    }
    QDBusConnection service = QDBusConnection::connectToBus(m_address, QStringLiteral("portal-c"));
    FakePortal portal;
    QVERIFY(service.registerVirtualObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal));
    QVERIFY(service.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
    {
        // The user cancels in the desktop's chooser: no picture and nothing to say.
        portal.response = 1;
        PortalScreenshot shot(client);
        const CaptureResult result = shot.take(3000);
        QVERIFY(result.image.isNull());
        QCOMPARE(result.error, QString());
    }
    {
        portal.response = 0;
        portal.uri = QStringLiteral("file:///nonexistent/shot.png");
        PortalScreenshot shot(client);
        const CaptureResult result = shot.take(3000);
        QVERIFY(result.image.isNull());
        QVERIFY2(result.error.startsWith(QLatin1String("The desktop's screenshot /nonexistent/shot.png cannot be read")),
                 qPrintable(result.error));
    }
    {
        portal.uri = QStringLiteral("https://example.invalid/shot.png");
        PortalScreenshot shot(client);
        QCOMPARE(shot.take(3000).error, QStringLiteral("The desktop's screenshot came without a file."));
    }
    {
        portal.response = 2;
        PortalScreenshot shot(client);
        QCOMPARE(shot.take(3000).error, QStringLiteral("The desktop could not take the screenshot."));
    }
    QDBusConnection::disconnectFromBus(service.name());
    QDBusConnection::disconnectFromBus(client.name());
}

void TestScreenCapture::wholeScreenOnTheDesktop()
{
    REQUIRE_X11();
    showPattern();
    const X11WindowPicker picker;
    QCOMPARE(picker.screenRect(), QRect(0, 0, 1024, 768));
    const CaptureTarget target = picker.pickAt(QPoint(1000, 750));
    QCOMPARE(target.kind, CaptureTarget::Kind::Screen);
    QCOMPARE(target.rect, QRect(0, 0, 1024, 768));
    const CaptureResult result = ScreenCapture::grabArea(target.rect);
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(result.image.size(), QSize(1024, 768));
    // The pattern sits where the window is.
    const QPoint inside = m_pattern->mapToGlobal(QPoint(0, 0));
    QCOMPARE(result.image.pixel(inside), kBlack);
    QCOMPARE(result.image.pixel(inside + QPoint(100, 100)), kRed);
    QCOMPARE(result.image.pixel(inside + QPoint(639, 479)), kMagenta);
}

void TestScreenCapture::windowWithFrameAndInside()
{
    REQUIRE_X11();
    showPattern();
    const X11WindowPicker picker;
    const QRect client(m_pattern->mapToGlobal(QPoint(0, 0)), QSize(640, 480));
    const QRect frame = m_pattern->frameGeometry();

    const CaptureTarget inside = picker.pickAt(client.topLeft() + QPoint(5, 5));
    QCOMPARE(inside.kind, CaptureTarget::Kind::Inside);
    QCOMPARE(inside.rect, client);

    // The title bar lies above the client, inside the frame.
    const QPoint caption(client.center().x(), (frame.top() + client.top()) / 2);
    QVERIFY(caption.y() < client.top());
    const CaptureTarget whole = picker.pickAt(caption);
    QCOMPARE(whole.kind, CaptureTarget::Kind::Window);
    QCOMPARE(whole.rect, frame);
    QVERIFY(whole.rect.contains(client));
    QVERIFY(whole.rect.height() > client.height());

    const CaptureResult withFrame = ScreenCapture::grabArea(whole.rect);
    QVERIFY2(withFrame.ok(), qPrintable(withFrame.error));
    QCOMPARE(withFrame.image.size(), frame.size());
    const QPoint offset = client.topLeft() - frame.topLeft();
    QCOMPARE(withFrame.image.pixel(offset), kBlack);
    QCOMPARE(withFrame.image.pixel(offset + QPoint(639, 479)), kMagenta);
    // The title bar is openbox's, not the pattern's.
    const QRgb title = withFrame.image.pixel(caption - frame.topLeft());
    QVERIFY(title != kRed && title != kGreen);

    const CaptureResult insideOnly = ScreenCapture::grabArea(inside.rect);
    QVERIFY2(insideOnly.ok(), qPrintable(insideOnly.error));
    QCOMPARE(insideOnly.image.size(), QSize(640, 480));
    checkPattern(insideOnly.image, 1);
}

void TestScreenCapture::capturedInsideAtTheThreeScales()
{
    REQUIRE_X11();
    showPattern();
    const QRect client(m_pattern->mapToGlobal(QPoint(0, 0)), QSize(640, 480));
    const CaptureResult result = ScreenCapture::grabArea(client);
    QVERIFY2(result.ok(), qPrintable(result.error));
    const struct {
        int scale;
        QSize size;
    } cases[] = {{kCaptureHalf, {320, 240}}, {kCaptureQuarter, {160, 120}}, {kCaptureActual, {640, 480}}};
    for (const auto& c : cases) {
        imaging::ImagingControl control;
        control.SetImageHandle(imaging::Bitmap::fromImage(result.image, 24));
        QVERIFY(control.HasImage());
        QCOMPARE(applyCaptureScale(control, c.scale), imaging::result::Ok);
        const QImage scaled = control.ImageHandle().image();
        QCOMPARE(scaled.size(), c.size);
        checkPattern(scaled.convertToFormat(QImage::Format_RGB32), c.scale == kCaptureActual ? 1 : 2);
    }
}

void TestScreenCapture::areaOutsideTheScreen()
{
    REQUIRE_X11();
    const CaptureResult none = ScreenCapture::grabArea(QRect(2000, 100, 50, 40));
    QVERIFY(none.image.isNull());
    QCOMPARE(none.error, QStringLiteral("The area to capture (50 x 40 at 2000, 100) lies outside the screen."));
    QCOMPARE(ScreenCapture::grabArea(QRect(-30, 10, 20, 20)).error,
             QStringLiteral("The area to capture (20 x 20 at -30, 10) lies outside the screen."));
    // Partly outside: clipped to the screen.
    const CaptureResult clipped = ScreenCapture::grabArea(QRect(1000, 700, 100, 100));
    QVERIFY2(clipped.ok(), qPrintable(clipped.error));
    QCOMPARE(clipped.image.size(), QSize(24, 68));
    const CaptureResult leftTop = ScreenCapture::grabArea(QRect(-10, -20, 50, 60));
    QCOMPARE(leftTop.image.size(), QSize(40, 40));
}

void TestScreenCapture::clickWaitDropsOtherEvents()
{
    REQUIRE_X11();
    showPattern();
    m_pattern->activateWindow();
    QTRY_VERIFY(m_pattern->isActiveWindow());
    m_pattern->keys = m_pattern->mouse = 0;
    const QPoint a = m_pattern->mapToGlobal(QPoint(100, 100));
    const QPoint b = m_pattern->mapToGlobal(QPoint(400, 300));
    ClickWaiter waiter;
    QTimer::singleShot(500, [&] {
        QProcess::startDetached(QStringLiteral("xdotool"),
                                {"mousemove", point(a.x()), point(a.y()), "key", "a", "key", "b", "mousemove",
                                 point(b.x()), point(b.y()), "click", "1"});
    });
    const std::optional<QPoint> clicked = waiter.wait(10000);
    QVERIFY(waiter.grabbed());
    QVERIFY(clicked.has_value());
    QCOMPARE(*clicked, b);
    QVERIFY(waiter.droppedEvents() >= 3); // at least the moves, the keys and the press
    QTest::qWait(200);
    QCOMPARE(m_pattern->keys, 0);
    QCOMPARE(m_pattern->mouse, 0);
    // After the wait the window hears its input again.
    xdotool({"mousemove", point(a.x()), point(a.y()), "click", "1"});
    QTRY_VERIFY(m_pattern->mouse >= 2);
}

void TestScreenCapture::interactiveCapture()
{
    REQUIRE_X11();
    showPattern();
    // The program's main window, away from the pattern.
    QWidget mainWindow;
    mainWindow.setWindowTitle(QStringLiteral("Main"));
    mainWindow.setGeometry(760, 560, 200, 120);
    mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));

    struct Step {
        QString target;
        CaptureTarget::Kind kind;
        QPoint click;
        QSize size;
    };
    const QRect client(m_pattern->mapToGlobal(QPoint(0, 0)), QSize(640, 480));
    const QRect frame = m_pattern->frameGeometry();
    const Step steps[] = {
        {"inside", CaptureTarget::Kind::Inside, client.topLeft() + QPoint(200, 300), client.size()},
        {"caption", CaptureTarget::Kind::Window, QPoint(client.center().x(), (frame.top() + client.top()) / 2),
         frame.size()},
        {"desktop", CaptureTarget::Kind::Screen, QPoint(1010, 300), QSize(1024, 768)},
    };
    for (const Step& step : steps) {
        ScreenCapture capture;
        capture.setClickTimeout(15000);
        int state = 0;
        bool minimisedWhileChoosing = false;
        QTimer driver;
        QElapsedTimer since;
        connect(&driver, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<CCaptureDlg*>(QApplication::activeModalWidget());
            if (state == 0 && dialog && dialog->windowHandle() && dialog->windowHandle()->isExposed()) {
                state = 1;
                minimisedWhileChoosing = mainWindow.isMinimized();
                QTest::qWait(300);
                if (step.target == QLatin1String("inside"))
                    shoot(QStringLiteral("capture-dialog-while-choosing.png"));
                const QPoint c = dialog->mapToGlobal(dialog->rect().center());
                QProcess::startDetached(QStringLiteral("xdotool"), {"mousemove", point(c.x()), point(c.y()), "click", "1"});
                since.start();
            } else if (state == 1 && !dialog && since.elapsed() > 600) {
                state = 2;
                QProcess::startDetached(QStringLiteral("xdotool"), {"mousemove", point(step.click.x()),
                                                                    point(step.click.y()), "click", "1"});
            }
        });
        driver.start(50);
        const CaptureResult result = capture.capture(&mainWindow);
        driver.stop();
        QVERIFY2(result.ok(), qPrintable(step.target + ": " + result.error));
        QCOMPARE(state, 2);
        QVERIFY(minimisedWhileChoosing);
        QCOMPARE(result.image.size(), step.size);
        if (step.kind == CaptureTarget::Kind::Inside)
            checkPattern(result.image.convertToFormat(QImage::Format_RGB32), 1);
        if (step.kind == CaptureTarget::Kind::Screen)
            QCOMPARE(result.image.pixel(client.topLeft() + QPoint(1, 0)), kRed);
        // The main window is back.
        QTRY_VERIFY(!mainWindow.isMinimized());
        QTRY_VERIFY(mainWindow.windowHandle()->isExposed());
    }
}

QTEST_MAIN(TestScreenCapture)
#include "test_screen_capture.moc"
