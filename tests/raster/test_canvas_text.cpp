// Mask fills, the canvas side of text output: the threshold, whole blocks
// under a scale, clipping by the bitmap and the clip region, nearest palette
// entries, the written rectangle, and speed on a large mask.

#include "raster/Canvas.h"
#include "raster/Region.h"

#include "RasterTestSupport.h"

#include <QElapsedTimer>
#include <QTest>

using namespace ardane;
using namespace ardane::raster;
using namespace rastertest;
using ardane::imaging::Bitmap;

namespace {

QSet<QPoint> withValue(const Bitmap& b, quint32 v)
{
    QSet<QPoint> s;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x)
            if (raw(b, x, y) == v)
                s.insert(QPoint(x, y));
    return s;
}

// A 4 x 3 mask whose values straddle the threshold.
QImage sampleMask(QImage::Format format)
{
    QImage m(4, 3, format);
    const uchar values[3][4] = {{0, 127, 128, 255}, {255, 0, 0, 200}, {1, 129, 64, 130}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            m.scanLine(y)[x] = values[y][x];
    return m;
}

const QSet<QPoint> kSampleSet{{2, 0}, {3, 0}, {0, 1}, {3, 1}, {1, 2}, {3, 2}};

} // namespace

class TestCanvasText : public QObject {
    Q_OBJECT

private slots:
    void threshold();
    void scaledBlocks();
    void clipping();
    void indexedTargets();
    void largeMask();
};

void TestCanvasText::threshold()
{
    for (const auto format : {QImage::Format_Alpha8, QImage::Format_Grayscale8}) {
        Bitmap b = filled(10, 8, 24, 0x000000);
        Canvas c(b);
        c.setRop2(R2_XORPEN); // not used by mask fills
        c.fillMask(sampleMask(format), 3, 2, makeColorRef(10, 20, 30));
        // Stored R, G, B.
        QCOMPARE(withValue(b, 0x1E140A), [] {
            QSet<QPoint> s;
            for (const QPoint& p : kSampleSet)
                s.insert(p + QPoint(3, 2));
            return s;
        }());
        QCOMPARE(c.takeDirty(), QRect(3, 2, 4, 3));
        QCOMPARE(c.takeDirty(), QRect());
    }
    // 32-bit targets get opaque pixels.
    Bitmap argb = filled(6, 4, 32, 0x00000000);
    Canvas c(argb);
    c.fillMask(sampleMask(QImage::Format_Alpha8), 0, 0, makeColorRef(255, 0, 0));
    QCOMPARE(withValue(argb, 0xFFFF0000u), kSampleSet);
    // Other mask formats are read through their alpha.
    QImage rgba(2, 1, QImage::Format_ARGB32);
    rgba.setPixel(0, 0, qRgba(0, 0, 0, 255));
    rgba.setPixel(1, 0, qRgba(0, 0, 0, 0));
    Bitmap b = filled(4, 2, 24, 0);
    Canvas c2(b);
    c2.fillMask(rgba, 1, 1, 0xFFFFFF);
    QCOMPARE(withValue(b, 0xFFFFFF), QSet<QPoint>{QPoint(1, 1)});
}

void TestCanvasText::scaledBlocks()
{
    Bitmap b = filled(20, 20, 24, 0);
    Canvas c(b, QPoint(1, 0)); // device (1, 0) is bitmap (0, 0)
    c.setViewportExtent(300);
    c.fillMask(sampleMask(QImage::Format_Alpha8), 1, 1, 0xFFFFFF);
    QSet<QPoint> expected;
    for (const QPoint& p : kSampleSet)
        for (int dy = 0; dy < 3; ++dy)
            for (int dx = 0; dx < 3; ++dx)
                expected.insert(QPoint((p.x() + 1) * 3 + dx - 1, (p.y() + 1) * 3 + dy));
    QCOMPARE(withValue(b, 0xFFFFFF), expected);
    QCOMPARE(c.takeDirty(), QRect(3, 3, 12, 9)); // device rectangle
}

void TestCanvasText::clipping()
{
    QImage full(6, 6, QImage::Format_Alpha8);
    full.fill(255);
    // Off every edge of the bitmap, including negative positions.
    Bitmap b = filled(4, 4, 24, 0);
    Canvas c(b);
    c.fillMask(full, -3, -2, 0xFFFFFF);
    QSet<QPoint> expected;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 3; ++x)
            expected.insert(QPoint(x, y));
    QCOMPARE(withValue(b, 0xFFFFFF), expected);
    // Wholly outside: nothing, not even a dirty rectangle.
    (void)c.takeDirty();
    c.fillMask(full, 100, 100, 0x123456);
    c.fillMask(full, -1000000000, 5, 0x123456);
    QCOMPARE(c.takeDirty(), QRect());
    QVERIFY(withValue(b, 0x563412).isEmpty());

    // The clip region limits it.
    Bitmap r = filled(10, 10, 24, 0);
    Canvas cr(r);
    cr.setClip(Region::ellipse(0, 0, 10, 10));
    QImage big(10, 10, QImage::Format_Alpha8);
    big.fill(255);
    cr.fillMask(big, 0, 0, 0xFFFFFF);
    Bitmap e = filled(10, 10, 24, 0);
    Canvas ce(e);
    ce.setPen(std::nullopt);
    ce.setBrush(0xFFFFFF);
    ce.ellipse(0, 0, 10, 10);
    QCOMPARE(withValue(r, 0xFFFFFF), withValue(e, 0xFFFFFF));
    // A null mask does nothing.
    (void)cr.takeDirty();
    cr.fillMask(QImage(), 0, 0, 0);
    QCOMPARE(cr.takeDirty(), QRect());
}

void TestCanvasText::indexedTargets()
{
    const std::vector<QRgb> palette{qRgb(0, 0, 0), qRgb(250, 0, 0), qRgb(0, 0, 250), qRgb(255, 255, 255)};
    Bitmap b = filled(6, 4, 8, 3, palette);
    Canvas c(b);
    c.fillMask(sampleMask(QImage::Format_Alpha8), 0, 0, makeColorRef(200, 10, 20)); // nearest: red
    QCOMPARE(withValue(b, 1), kSampleSet);
    // Four bits: the same indices.
    Bitmap four = filled(6, 4, 4, 0, palette);
    Canvas c4(four);
    c4.fillMask(sampleMask(QImage::Format_Alpha8), 0, 0, makeColorRef(0, 0, 255));
    QCOMPARE(withValue(four, 2), kSampleSet);
}

void TestCanvasText::largeMask()
{
    // A full-page mask of stripes: runs, not pixels, are written.
    Bitmap b = Bitmap::create(4000, 3000, 24);
    QImage mask(4000, 3000, QImage::Format_Alpha8);
    for (int y = 0; y < 3000; ++y) {
        uchar* row = mask.scanLine(y);
        for (int x = 0; x < 4000; ++x)
            row[x] = ((x / 7 + y / 5) & 1) ? 255 : 0;
    }
    Canvas c(b);
    QElapsedTimer t;
    t.start();
    c.fillMask(mask, 0, 0, 0xFFFFFF);
    const qint64 ms = t.elapsed();
    QVERIFY2(ms < 2000, qPrintable(QString::number(ms)));
    QCOMPARE(raw(b, 7, 0), 0xFFFFFFu);
    QCOMPARE(raw(b, 6, 0), 0u);
    QCOMPARE(raw(b, 0, 5), 0xFFFFFFu);
}

QTEST_MAIN(TestCanvasText)
#include "test_canvas_text.moc"
