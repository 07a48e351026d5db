// The control's colour planes: split, read and replace a plane, merge back,
// and the planes dropped with the image.

#include "imaging/ImagingControl.h"
#include "imaging/ops/ColorPlanes.h"

#include <QTest>

using namespace ardane::imaging;

namespace {

// 5 x 4 at 8 bits with a palette of four colours.
Bitmap sample()
{
    Bitmap b = Bitmap::create(5, 4, 8, {qRgb(255, 0, 0), qRgb(10, 200, 30), qRgb(90, 90, 90), qRgb(0, 0, 255)});
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            b.image().scanLine(y)[x] = uchar((x + y) % 4);
    b.setResolution(120, 240);
    return b;
}

} // namespace

class TestImagingControlPlanes : public QObject {
    Q_OBJECT
private slots:
    void splitEditMerge()
    {
        ImagingControl c;
        QCOMPARE(c.SplitPlanes(0), result::OutOfMemory); // no image
        c.SetImageHandle(sample());
        QCOMPARE(c.SplitPlanes(9), result::NotAvailable);
        QCOMPARE(c.PlaneCount(), 0);

        QCOMPARE(c.SplitPlanes(int(ops::PlaneModel::CMYK)), result::Ok);
        QCOMPARE(c.PlaneCount(), 4);
        QVERIFY(c.PlaneImage(4).isNull());
        QVERIFY(c.PlaneImage(-1).isNull());
        const Bitmap black = c.PlaneImage(3);
        QCOMPARE(black.bitsPerPixel(), 8);
        QCOMPARE(black.xResolution(), 120);
        QCOMPARE(black.image().constScanLine(0)[2], uchar(165)); // index 2: grey 90

        // Three planes do not make CMYK; the image stays.
        QCOMPARE(c.SplitPlanes(int(ops::PlaneModel::RGB)), result::Ok);
        QCOMPARE(c.PlaneCount(), 3);
        QCOMPARE(c.MergePlanes(int(ops::PlaneModel::CMYK)), result::NotAvailable);
        QCOMPARE(c.MergePlanes(17), result::NotAvailable);
        QCOMPARE(c.BitsPerPixel(), std::int16_t(8));

        // Red plane cleared: the merged image has no red and keeps the resolution.
        Bitmap red = c.PlaneImage(2);
        red.image().fill(0);
        c.SetPlaneImage(2, red);
        c.SetPlaneImage(7, red); // ignored
        QCOMPARE(c.PlaneCount(), 3);
        QCOMPARE(c.MergePlanes(int(ops::PlaneModel::RGB)), result::Ok);
        QCOMPARE(c.BitsPerPixel(), std::int16_t(24));
        QCOMPARE(c.XResolution(), std::int16_t(120));
        QCOMPARE(c.YResolution(), std::int16_t(240));
        QCOMPARE(c.ImageHandle().pixelRgb(0, 0), qRgb(0, 0, 0));
        QCOMPARE(c.ImageHandle().pixelRgb(1, 0), qRgb(0, 200, 30));
        QCOMPARE(c.ImageHandle().pixelRgb(3, 0), qRgb(0, 0, 255));
        QCOMPARE(c.PlaneCount(), 3); // the planes stay

        // A fourth plane set by hand makes a CMYK set.
        Bitmap k = Bitmap::create(5, 4, 8);
        k.image().fill(255);
        c.SetPlaneImage(3, k);
        QCOMPARE(c.PlaneCount(), 4);
        QCOMPARE(c.MergePlanes(int(ops::PlaneModel::CMYK)), result::Ok);
        QCOMPARE(c.ImageHandle().pixelRgb(4, 3), qRgb(0, 0, 0));

        // Another image keeps the planes; emptying the control drops them.
        c.SetImageHandle(sample());
        QCOMPARE(c.PlaneCount(), 4);
        c.SetImageHandle(Bitmap{});
        QCOMPARE(c.PlaneCount(), 0);
        QVERIFY(c.PlaneImage(0).isNull());
        QCOMPARE(c.MergePlanes(int(ops::PlaneModel::RGB)), result::NotAvailable);
    }
};

QTEST_GUILESS_MAIN(TestImagingControlPlanes)
#include "test_imaging_control_planes.moc"
