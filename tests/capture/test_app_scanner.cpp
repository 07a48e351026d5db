// Acquire From Scanner through the real application, with SANE's "test"
// backend as the scanner.

#include "AppSession.h"
#include "SaneTestConfig.h"
#include "app/DocumentManager.h"
#include "capture/CScannerCtrl.h"

#include <QApplication>
#include <QProgressDialog>
#include <QTimer>

using namespace ardane;
using namespace ardane::test;

class TestAppScanner : public QObject {
    Q_OBJECT
    SaneTestConfig m_sane; // before any sane_init
    QTemporaryDir m_profile;

private slots:
    void initTestCase()
    {
        QVERIFY(m_sane.valid());
        QVERIFY(m_profile.isValid());
        qputenv("XDG_CONFIG_HOME", m_profile.path().toLocal8Bit());
    }
    void scanBecomesDocument();
    void failuresAreReported();
};

void TestAppScanner::scanBecomesDocument()
{
    AppSession s;
    QVERIFY(s.start());
    QVERIFY(s.state(ID_ACQUIRE_SCANNER).enabled);
    QVERIFY(m_sane.write(1, {"mode Color", R"(test-picture "Solid white")"}));
    s.run(ID_ACQUIRE_SCANNER);
    s.settle();
    QCOMPARE(s.ui->texts(), QStringList());
    QCOMPARE(s.app->documents().count(), std::size_t(1));
    QVERIFY(s.view());
    QCOMPARE(s.view()->image().ImageHandle().width(), 31);
    QCOMPARE(s.view()->image().ImageHandle().height(), 39);
    QCOMPARE(s.view()->image().ImageHandle().bitsPerPixel(), 24);
    QCOMPARE(s.view()->image().ImageHandle().pixelRgb(30, 38), qRgb(255, 255, 255));

    // Grey, a second time: the same scanner control serves again.
    QVERIFY(m_sane.write(1, {"mode Gray", R"(test-picture "Solid black")", "br_x 40.0"}));
    s.run(ID_ACQUIRE_SCANNER);
    s.settle();
    QCOMPARE(s.app->documents().count(), std::size_t(2));
    QCOMPARE(s.view()->image().ImageHandle().width(), 15);
    QCOMPARE(s.view()->image().ImageHandle().bitsPerPixel(), 8);
    QCOMPARE(s.view()->image().ImageHandle().pixelRgb(7, 7), qRgb(0, 0, 0));
    const auto controls = s.frame().findChildren<capture::CScannerCtrl*>();
    QCOMPARE(controls.size(), 1);
    QCOMPARE(controls[0]->controlId(), 120);
    s.quit();
}

void TestAppScanner::failuresAreReported()
{
    AppSession s;
    QVERIFY(s.start());

    // No backend configured: nothing to choose from.
    QVERIFY(m_sane.write(0));
    s.run(ID_ACQUIRE_SCANNER);
    QCOMPARE(s.ui->messages.size(), std::size_t(1));
    QCOMPARE(s.ui->messages[0].text, QStringLiteral("\nNo scanner detected"));
    QCOMPARE(s.ui->messages[0].icon, MessageIcon::Information);

    // The scanner fails while reading.
    QVERIFY(m_sane.write(1, {"mode Color", R"(read-status-code "SANE_STATUS_IO_ERROR")"}));
    s.run(ID_ACQUIRE_SCANNER);
    QCOMPARE(s.ui->messages.size(), std::size_t(2));
    QCOMPARE(s.ui->messages[1].text, QStringLiteral("Unable to acquire image from scanner"));
    QCOMPARE(s.ui->messages[1].icon, MessageIcon::Information);

    // The user cancels the scan on its progress dialog.
    QVERIFY(m_sane.write(1, {"mode Color", "read-limit true", "read-limit-size 16"}));
    bool cancelled = false;
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, timer, [&cancelled, timer] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* d = qobject_cast<QProgressDialog*>(w); d && d->isVisible()) {
                d->cancel();
                cancelled = true;
                timer->stop();
            }
        }
    });
    timer->start(0);
    s.run(ID_ACQUIRE_SCANNER);
    delete timer;
    QVERIFY(cancelled);
    QCOMPARE(s.ui->messages.size(), std::size_t(3));
    QCOMPARE(s.ui->messages[2].text, QStringLiteral("Unable to acquire image from scanner"));
    QCOMPARE(s.app->documents().count(), std::size_t(0));
    s.quit();
}

QTEST_MAIN(TestAppScanner)
#include "test_app_scanner.moc"
