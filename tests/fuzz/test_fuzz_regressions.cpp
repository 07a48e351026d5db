// Inputs the fuzz targets found (tests/data/fuzz-regressions): each must be
// refused with the right code, quickly, through both the path and the block
// entry points, leaving the image that was loaded before.

#include "imaging/ImagingControl.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

using namespace ardane;
using namespace ardane::imaging;

class TestFuzzRegressions : public QObject {
    Q_OBJECT

private slots:
    void refusedQuickly_data();
    void refusedQuickly();
};

void TestFuzzRegressions::refusedQuickly_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("probed");
    QTest::addColumn<int>("loaded");
    // Headers promising far more pixels than the file holds: refused by the
    // header reader, so the probe fails too.
    QTest::newRow("TGA stored") << "tga-huge-uncompressed.tga" << 0 << int(result::ReadError) << int(result::ReadError);
    QTest::newRow("TGA run length") << "tga-huge-rle.tga" << 0 << int(result::ReadError) << int(result::ReadError);
    QTest::newRow("GIF frame") << "gif-huge-frame.gif" << 0 << int(result::ReadError) << int(result::ReadError);
    // A drawing the probe describes (1x1) but the renderer must not get.
    QTest::newRow("WMF destination") << "wmf-huge-stretchdib.wmf" << 0 << int(result::Ok) << int(result::InvalidFormat);
}

void TestFuzzRegressions::refusedQuickly()
{
    QFETCH(QString, file);
    QFETCH(int, page);
    QFETCH(int, probed);
    QFETCH(int, loaded);
    const QString path = QStringLiteral(ARDANE_FUZZ_REGRESSIONS "/") + file;
    QFile f(path);
    QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(path));
    const QByteArray bytes = f.readAll();
    const std::span<const std::uint8_t> block(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()));

    ImagingControl control;
    QCOMPARE(control.CreateImage(4, 3, 24), result::Ok);
    QCOMPARE(control.FillImage(makeColorRef(10, 200, 30)), result::Ok);
    const Bitmap before = control.ImageHandle();

    // Each of these took from tens of seconds to minutes; a fraction of a
    // second is what they cost now, 10 s leaves room for a loaded machine.
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(int(control.ProbeFile(path, page)), probed);
    if (probed == result::Ok) {
        QCOMPARE(control.ProbedWidth(), 1);
        QCOMPARE(control.ProbedHeight(), 1);
    }
    QCOMPARE(int(control.LoadFile(path, 0, page)), loaded);
    QCOMPARE(int(control.LoadFromBlock(block, 0, page)), loaded);
    QVERIFY2(timer.elapsed() < 10'000, qPrintable(QStringLiteral("took %1 ms").arg(timer.elapsed())));
    QVERIFY(control.ImageHandle() == before);
    QCOMPARE(control.ImageHandle().pixelRgb(3, 2), qRgb(10, 200, 30));
}

QTEST_GUILESS_MAIN(TestFuzzRegressions)
#include "test_fuzz_regressions.moc"
