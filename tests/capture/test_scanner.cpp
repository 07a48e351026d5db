// Scanning through SANE's "test" backend: the pictures it draws read back
// pixel for pixel as scanimage writes them, the chooser, failures and Cancel.

#include "SaneTestConfig.h"
#include "capture/CScannerCtrl.h"
#include "capture/SaneSession.h"
#include "capture/ScannerChooser.h"

#include <QApplication>
#include <QListWidget>
#include <QProgressDialog>
#include <QTimer>
#include <QtTest>

using namespace ardane;
using namespace ardane::capture;

namespace {

// 80 x 100 mm at 10 dpi.
constexpr int kWidth = 31;
constexpr int kHeight = 39;

ScanResult scanFirstDevice(const ScanProgress& progress = {})
{
    SaneSession session;
    if (!session.ok())
        return {};
    std::string error;
    auto device = session.open("test:0", error);
    if (!device)
        return {};
    return device->scan(progress);
}

// Runs `step` on a shown dialog of type T until it returns true; the timer
// that watches goes then (or when the caller deletes it).
template <typename T, typename F>
QTimer* whenDialogShows(F step)
{
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, step] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* d = qobject_cast<T*>(w); d && d->isVisible()) {
                if (step(*d)) {
                    timer->stop();
                    timer->deleteLater();
                }
                return;
            }
        }
    });
    timer->start(0);
    return timer;
}

} // namespace

class TestScanner : public QObject {
    Q_OBJECT
    test::SaneTestConfig m_sane; // before any sane_init

private slots:
    void initTestCase() { QVERIFY(m_sane.valid()); }

    void picturesMatchScanimage_data();
    void picturesMatchScanimage();
    void solidPicturesAndSize();
    void unsupportedDepthIsRefused();
    void readErrorGivesNoImage();
    void cancelStopsTheScanner();
    void devicesAreListed();
    void controlSelectsAndAcquires();
    void controlCancelAndFailure();
};

void TestScanner::picturesMatchScanimage_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("bits");
    QTest::newRow("colour") << QStringList{"mode Color", R"(test-picture "Color pattern")"} << 24;
    QTest::newRow("grey") << QStringList{"mode Gray", R"(test-picture "Color pattern")"} << 8;
    QTest::newRow("line art grid") << QStringList{"mode Gray", "depth 1", R"(test-picture "Grid")"} << 8;
    QTest::newRow("three-pass") << QStringList{"mode Color", "three-pass true", "three-pass-order GBR",
                                               R"(test-picture "Color pattern")"}
                                << 24;
    // Hand-scanner: the height is unknown until the data ends.
    QTest::newRow("unknown height") << QStringList{"mode Color", "hand-scanner true",
                                                   R"(test-picture "Color pattern")"}
                                    << 24;
    // Reads of a few bytes each, and lines padded beyond their pixels.
    QTest::newRow("small reads, padded lines")
        << QStringList{"mode Color", "read-limit true", "read-limit-size 7", "ppl-loss 3",
                       R"(test-picture "Color pattern")"}
        << 24;
}

void TestScanner::picturesMatchScanimage()
{
    QFETCH(QStringList, options);
    QFETCH(int, bits);
    QVERIFY(m_sane.write(1, options));
    const QImage reference = m_sane.scanimageReference();
    if (reference.isNull())
        QSKIP("scanimage is not available");
    const ScanResult r = scanFirstDevice();
    QVERIFY2(r.ok(), r.detail.c_str());
    QCOMPARE(r.image.bitsPerPixel(), bits);
    QCOMPARE(r.image.width(), reference.width());
    QCOMPARE(r.image.height(), reference.height());
    QVERIFY(r.image.width() > 10 && r.image.height() > 10);
    int differences = 0;
    QSet<QRgb> colours;
    for (int y = 0; y < reference.height(); ++y) {
        for (int x = 0; x < reference.width(); ++x) {
            colours.insert(r.image.pixelRgb(x, y));
            differences += (r.image.pixelRgb(x, y) | 0xff000000) != (reference.pixel(x, y) | 0xff000000);
        }
    }
    QCOMPARE(differences, 0);
    QVERIFY(colours.size() >= 2); // a pattern, not a blank
}

void TestScanner::solidPicturesAndSize()
{
    QVERIFY(m_sane.write(1, {"mode Color", R"(test-picture "Solid white")"}));
    ScanResult r = scanFirstDevice();
    QVERIFY(r.ok());
    QCOMPARE(r.image.width(), kWidth);
    QCOMPARE(r.image.height(), kHeight);
    QCOMPARE(r.image.bitsPerPixel(), 24);
    QCOMPARE(r.image.xResolution(), 10);
    QCOMPARE(r.image.yResolution(), 10);
    QCOMPARE(r.image.pixelRgb(0, 0), qRgb(255, 255, 255));
    QCOMPARE(r.image.pixelRgb(kWidth - 1, kHeight - 1), qRgb(255, 255, 255));

    QVERIFY(m_sane.write(1, {"mode Gray", R"(test-picture "Solid black")"}));
    r = scanFirstDevice();
    QVERIFY(r.ok());
    QCOMPARE(r.image.bitsPerPixel(), 8);
    QCOMPARE(r.image.palette().size(), std::size_t(256));
    QCOMPARE(r.image.pixelRgb(kWidth - 1, 0), qRgb(0, 0, 0));
    QCOMPARE(r.image.image().pixelIndex(15, 20), 0);

    QVERIFY(m_sane.write(1, {"mode Gray", "depth 1", R"(test-picture "Solid white")"}));
    r = scanFirstDevice();
    QVERIFY(r.ok());
    QCOMPARE(r.image.bitsPerPixel(), 8);
    QCOMPARE(r.image.width(), kWidth); // not rounded up to whole bytes
    QCOMPARE(r.image.image().pixelIndex(kWidth - 1, kHeight - 1), 255);
}

void TestScanner::unsupportedDepthIsRefused()
{
    QVERIFY(m_sane.write(1, {"mode Color", "depth 16"}));
    const ScanResult r = scanFirstDevice();
    QCOMPARE(r.error, ScanError::Unsupported);
    QVERIFY(r.image.isNull());
    QCOMPARE(r.detail, std::string("colour scans of 16 bits per sample are not supported"));
}

void TestScanner::readErrorGivesNoImage()
{
    QVERIFY(m_sane.write(1, {"mode Color", R"(read-status-code "SANE_STATUS_IO_ERROR")"}));
    const ScanResult r = scanFirstDevice();
    QCOMPARE(r.error, ScanError::Device);
    QVERIFY(r.image.isNull());
    QCOMPARE(r.detail, std::string("Error during device I/O"));
}

void TestScanner::cancelStopsTheScanner()
{
    QVERIFY(m_sane.write(1, {"mode Color", "read-limit true", "read-limit-size 64"}));
    SaneSession session;
    QVERIFY(session.ok());
    std::string error;
    auto device = session.open("test:0", error);
    QVERIFY(device);
    int calls = 0;
    double last = 0;
    const ScanResult cancelled = device->scan([&](double f) {
        last = f;
        return ++calls < 3;
    });
    QCOMPARE(cancelled.error, ScanError::Cancelled);
    QVERIFY(cancelled.image.isNull());
    QCOMPARE(calls, 3); // no progress after the cancel
    QVERIFY(last > 0 && last < 0.1);
    // The backend's own answer after sane_cancel: it stopped.
    QCOMPARE(cancelled.detail, std::string("Operation was canceled"));

    // The device is free again for the next scan, and reports steady progress.
    std::vector<double> seen;
    const ScanResult again = device->scan([&](double f) {
        seen.push_back(f);
        return true;
    });
    QVERIFY2(again.ok(), again.detail.c_str());
    QCOMPARE(again.image.width(), kWidth);
    QVERIFY(std::is_sorted(seen.begin(), seen.end()));
    QCOMPARE(seen.back(), 1.0);

    // A second session while one is open is refused rather than breaking the first.
    SaneSession second;
    QVERIFY(!second.ok());
}

void TestScanner::devicesAreListed()
{
    QVERIFY(m_sane.write(2));
    {
        SaneSession session;
        QVERIFY(session.ok());
        const auto devices = session.devices();
        QCOMPARE(devices.size(), std::size_t(2));
        QCOMPARE(devices[0].name, std::string("test:0"));
        QCOMPARE(devices[1].name, std::string("test:1"));
        QCOMPARE(devices[0].vendor, std::string("Noname"));
        QCOMPARE(devices[0].model, std::string("frontend-tester"));
        std::string error;
        QVERIFY(!session.open("nonexistent:7", error));
        QVERIFY(!error.empty());
    }
    QVERIFY(m_sane.write(0));
    SaneSession session;
    QVERIFY(session.devices().empty());
}

void TestScanner::controlSelectsAndAcquires()
{
    QWidget frame;
    CScannerCtrl& control = CScannerCtrl::of(frame);
    QCOMPARE(&CScannerCtrl::of(frame), &control); // one for the frame's life
    QCOMPARE(control.controlId(), 120);
    QCOMPARE(control.parentWidget(), &frame);

    // One scanner: taken without asking.
    QVERIFY(m_sane.write(1, {"mode Color", R"(test-picture "Solid white")"}));
    bool asked = false;
    QPointer<QTimer> watch = whenDialogShows<ScannerChooser>([&](ScannerChooser& d) {
        asked = true;
        d.reject();
        return true;
    });
    QCOMPARE(control.SelectScanner(&frame), int(CScannerCtrl::kOk));
    QCOMPARE(control.selectedScanner(), std::string("test:0"));
    QVERIFY(!asked);
    delete watch.data();
    QCOMPARE(control.Acquire(&frame), int(CScannerCtrl::kOk));
    QCOMPARE(control.control().ImageHandle().width(), kWidth);
    QCOMPARE(control.control().ImageHandle().pixelRgb(3, 3), qRgb(255, 255, 255));

    // Two: the user picks the second in the list.
    QVERIFY(m_sane.write(2, {"mode Gray", R"(test-picture "Solid black")"}));
    QStringList rows;
    whenDialogShows<ScannerChooser>([&](ScannerChooser& d) {
        for (int i = 0; i < d.list()->count(); ++i)
            rows << d.list()->item(i)->text();
        d.list()->setCurrentRow(1);
        d.accept();
        return true;
    });
    QCOMPARE(control.SelectScanner(&frame), int(CScannerCtrl::kOk));
    QCOMPARE(rows, QStringList({"Noname frontend-tester (test:0)", "Noname frontend-tester (test:1)"}));
    QCOMPARE(control.selectedScanner(), std::string("test:1"));
    QCOMPARE(control.Acquire(&frame), int(CScannerCtrl::kOk));
    QCOMPARE(control.control().ImageHandle().bitsPerPixel(), 8);
    QCOMPARE(control.control().ImageHandle().pixelRgb(3, 3), qRgb(0, 0, 0));

    // Cancel in the chooser, and no scanner at all: nothing chosen.
    whenDialogShows<ScannerChooser>([](ScannerChooser& d) {
        d.reject();
        return true;
    });
    QCOMPARE(control.SelectScanner(&frame), int(CScannerCtrl::kNoScanner));
    QVERIFY(control.selectedScanner().empty());
    QVERIFY(m_sane.write(0));
    QCOMPARE(control.SelectScanner(&frame), int(CScannerCtrl::kNoScanner));
    QCOMPARE(frame.findChildren<CScannerCtrl*>().size(), 1);
}

void TestScanner::controlCancelAndFailure()
{
    QWidget frame;
    CScannerCtrl& control = CScannerCtrl::of(frame);
    QVERIFY(m_sane.write(1, {"mode Color", R"(test-picture "Solid white")"}));
    QCOMPARE(control.SelectScanner(&frame), int(CScannerCtrl::kOk));
    QCOMPARE(control.Acquire(&frame), int(CScannerCtrl::kOk));
    const imaging::Bitmap before = control.control().ImageHandle();

    // Cancel on the progress dialog once part of the picture has come in.
    QVERIFY(m_sane.write(1, {"mode Gray", "read-limit true", "read-limit-size 16", "read-delay true",
                             "read-delay-duration 1000"}));
    int progressSeen = -1;
    whenDialogShows<QProgressDialog>([&](QProgressDialog& d) {
        if (d.value() <= 0)
            return false;
        progressSeen = d.value();
        d.cancel();
        return true;
    });
    QCOMPARE(control.SelectScanner(&frame), int(CScannerCtrl::kOk));
    QCOMPARE(control.Acquire(&frame), int(CScannerCtrl::kScanCancelled));
    QVERIFY(progressSeen > 0 && progressSeen < 1000);
    QCOMPARE(control.lastError(), std::string("Operation was canceled"));
    QVERIFY(control.control().ImageHandle() == before);

    // A read error: the picture stays as it was.
    QVERIFY(m_sane.write(1, {"mode Color", R"(read-status-code "SANE_STATUS_JAMMED")"}));
    QCOMPARE(control.SelectScanner(&frame), int(CScannerCtrl::kOk));
    QCOMPARE(control.Acquire(&frame), int(CScannerCtrl::kScanFailed));
    QCOMPARE(control.lastError(), std::string("Document feeder jammed"));
    QVERIFY(control.control().ImageHandle() == before);
    for (QWidget* w : QApplication::topLevelWidgets())
        QVERIFY(!(qobject_cast<QProgressDialog*>(w) && w->isVisible()));
}

QTEST_MAIN(TestScanner)
#include "test_scanner.moc"
