// The shape objects on real bitmaps: lines by drag direction, turning and
// turning back, the wide ellipse inscribed in its box, merges (hollow shapes,
// exclusive-or twice, through a zoomed and offset mapping), the screen drawing
// at a zoom, the printed drawing, the 64-byte record (a line's direction in
// its corner order), and the tracker's hit codes, cursors, drags and drawing.

#include "objects/CObjTracker.h"
#include "objects/ShapeObjects.h"
#include "raster/Canvas.h"

#include "../raster/RasterTestSupport.h"

#include <QImage>
#include <QPainter>
#include <QTest>

#include <climits>
#include <cstring>
#include <memory>

using namespace ardane;
using namespace ardane::objects;
using namespace rastertest;
using ardane::imaging::Bitmap;
using raster::Canvas;

namespace {

constexpr ColorRef kRed = 0x0000FF;
constexpr ColorRef kBlue = 0xFF0000;

template <class T>
std::unique_ptr<T> placed(const Box& rect, int lineWidth = 1, bool fill = false, ColorRef pen = kRed,
                          ColorRef fillColor = kBlue)
{
    PaintSettings settings;
    settings.penColor = pen;
    settings.objectDefaults = {fill ? 1 : 0, fillColor, lineWidth};
    auto object = std::make_unique<T>();
    object->CreateInView(rect, settings);
    return object;
}

QSet<QPoint> boxSet(int l, int t, int r, int b)
{
    QSet<QPoint> s;
    for (int y = t; y < b; ++y)
        for (int x = l; x < r; ++x)
            s.insert(QPoint(x, y));
    return s;
}

QSet<QPoint> withValue(const Bitmap& b, quint32 v)
{
    QSet<QPoint> s;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x)
            if (raw(b, x, y) == v)
                s.insert(QPoint(x, y));
    return s;
}

QRect hullOf(const QSet<QPoint>& px)
{
    QRect r;
    for (const QPoint p : px)
        r |= QRect(p, QSize(1, 1));
    return r;
}

// Pixels the screen drawing of an object sets, on a bitmap of its window.
Bitmap screenDrawing(const CGeneralObj& object, int drawMode = raster::R2_COPYPEN)
{
    Bitmap b = filled(object.windowRect().width(), object.windowRect().height(), 24, 0);
    Canvas c(b);
    object.DrawObject(c, DrawTarget::Screen, 0, 0, drawMode);
    return b;
}

std::vector<std::uint8_t> recordOf(const CGeneralObj& object)
{
    std::vector<std::uint8_t> bytes;
    ArchiveWriter out(bytes);
    object.Serialize(out);
    return bytes;
}

std::int32_t i32At(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= std::uint32_t(bytes[at + std::size_t(i)]) << (8 * i);
    return std::int32_t(v);
}

QPoint pointAt(const std::vector<std::uint8_t>& bytes, int index)
{
    return {i32At(bytes, 4 + 8 * std::size_t(index)), i32At(bytes, 8 + 8 * std::size_t(index))};
}

void setPointAt(std::vector<std::uint8_t>& bytes, int index, QPoint p)
{
    for (int k = 0; k < 2; ++k) {
        const auto v = std::uint32_t(k == 0 ? p.x() : p.y());
        for (int i = 0; i < 4; ++i)
            bytes[4 + 8 * std::size_t(index) + 4 * std::size_t(k) + std::size_t(i)] = std::uint8_t(v >> (8 * i));
    }
}

// The corners of a 100 x 50 rectangle at (100, 100) after an exact quarter
// turn counter-clockwise about its middle.
ObjPoints quarterTurned()
{
    return {QPoint(125, 175), QPoint(125, 75), QPoint(175, 75), QPoint(175, 175)};
}

} // namespace

class TestShapeObjects : public QObject {
    Q_OBJECT
private slots:
    void lineDirectionFromTheDrag()
    {
        QCOMPARE(CLineObj::directionFor(QPoint(10, 10), QPoint(15, 200)), CLineObj::kVertical);
        QCOMPARE(CLineObj::directionFor(QPoint(15, 200), QPoint(10, 10)), CLineObj::kVertical);
        QCOMPARE(CLineObj::directionFor(QPoint(10, 10), QPoint(10, 10)), CLineObj::kVertical);
        QCOMPARE(CLineObj::directionFor(QPoint(10, 10), QPoint(16, 200)), CLineObj::kFalling);
        QCOMPARE(CLineObj::directionFor(QPoint(16, 200), QPoint(10, 10)), CLineObj::kFalling);
        QCOMPARE(CLineObj::directionFor(QPoint(16, 10), QPoint(10, 200)), CLineObj::kRising);
        QCOMPARE(CLineObj::directionFor(QPoint(10, 200), QPoint(16, 10)), CLineObj::kRising);

        // Five pixels across: a vertical line through the middle of the box,
        // whatever its height; six: the diagonal.
        for (int height : {3, 40, 300}) {
            const QPoint press(20, 30), release(25, 30 + height);
            auto line = placed<CLineObj>(Box::normalized(press, release));
            line->m_nDirection = CLineObj::directionFor(press, release);
            const Bitmap b = screenDrawing(*line);
            QCOMPARE(withValue(b, kRed), boxSet(2, 0, 3, height));
        }
        const QPoint press(20, 30), release(26, 36);
        auto line = placed<CLineObj>(Box::normalized(press, release));
        line->m_nDirection = CLineObj::directionFor(press, release);
        QSet<QPoint> diagonal;
        for (int i = 0; i < 6; ++i)
            diagonal.insert(QPoint(i, i));
        QCOMPARE(withValue(screenDrawing(*line), kRed), diagonal);
        line->m_nDirection = CLineObj::kRising;
        QSet<QPoint> rising;
        for (int i = 0; i < 6; ++i)
            rising.insert(QPoint(6 - i, i));
        Bitmap wide = filled(7, 6, 24, 0);
        Canvas c(wide);
        line->DrawObject(c, DrawTarget::Screen, 0, 0, raster::R2_COPYPEN);
        QCOMPARE(withValue(wide, kRed), rising);
    }

    void turningAndTurningBack()
    {
        const Box rect{100, 100, 200, 150};
        auto r = placed<CRectObj>(rect);
        r->RotatePoints(90);
        QCOMPARE(r->m_nAngle, 90);
        const ObjPoints& p = r->m_pts;
        // A quarter turn counter-clockwise: the top-left corner goes to the
        // bottom left, the box becomes 50 x 100 about the same middle.
        QCOMPARE(p[1].x(), p[0].x());
        QCOMPARE(p[2].y(), p[1].y());
        QCOMPARE(p[3].x(), p[2].x());
        QVERIFY(std::abs(p[3].y() - p[0].y()) <= 1);
        QVERIFY(std::abs(p[0].x() - 125) <= 1 && std::abs(p[0].y() - 175) <= 1);
        QVERIFY(std::abs(p[2].x() - 175) <= 1 && std::abs(p[2].y() - 75) <= 1);
        r->RotatePoints(-90);
        QCOMPARE(r->m_nAngle, 0);
        const ObjPoints start = cornersOf(rect);
        for (std::size_t i = 0; i < 4; ++i)
            QVERIFY2((r->m_pts[i] - start[i]).manhattanLength() <= 4,
                     qPrintable(QStringLiteral("corner %1 at %2, %3").arg(i).arg(r->m_pts[i].x()).arg(r->m_pts[i].y())));
        QCOMPARE(r->m_pts[1].y(), r->m_pts[0].y());
        QCOMPARE(r->m_pts[2].x(), r->m_pts[1].x());
        QCOMPARE(r->m_pts[3].y(), r->m_pts[2].y());
        // Edges a little off vertical or horizontal are snapped; an edge
        // further off is not.
        auto s = placed<CRectObj>(rect);
        s->RotatePoints(2);
        QCOMPARE(s->m_pts[1].y(), s->m_pts[0].y());
        QCOMPARE(s->m_pts[2].x(), s->m_pts[1].x());
        auto t = placed<CRectObj>(rect);
        t->RotatePoints(30);
        QVERIFY(t->m_pts[1].y() < t->m_pts[0].y() - 20);
        // The accumulated angle: whole degrees, kept below 360 either way.
        auto a = placed<CRectObj>(rect);
        a->RotatePoints(300);
        a->RotatePoints(100.9);
        QCOMPARE(a->m_nAngle, 40);
        a->RotatePoints(-400);
        QCOMPARE(a->m_nAngle, 0);
        a->RotatePoints(-359.5);
        QCOMPARE(a->m_nAngle, -359);
        a->RotatePoints(-1);
        QCOMPARE(a->m_nAngle, 0);
    }

    void wideEllipseIsInscribed()
    {
        // Pen width 10: the outline stays in the object's box and touches
        // every side of it; hollow, the inside is left as it was.
        const Bitmap picture = noise24(160, 120, 3);
        Bitmap b = picture;
        Canvas c(b);
        auto e = placed<CEllipseObj>(Box{20, 15, 140, 95}, 10);
        e->m_color = makeColorRef(1, 2, 3);
        const Box written = e->MergeIntoImage(c, ImageMapping{}, raster::R2_COPYPEN);
        const QSet<QPoint> ring = withValue(b, makeColorRef(1, 2, 3));
        QCOMPARE(hullOf(differing(picture, b)), QRect(20, 15, 120, 80));
        QCOMPARE(hullOf(ring), QRect(20, 15, 120, 80));
        // Ten pixels thick at the ends of both axes.
        for (int y = 15; y < 35; ++y)
            QCOMPARE(ring.contains(QPoint(80, y)), y < 25);
        for (int x = 120; x < 140; ++x)
            QCOMPARE(ring.contains(QPoint(x, 55)), x >= 130);
        QCOMPARE(differing(picture, b), ring);
        QVERIFY(written.left <= 20 && written.top <= 15 && written.right >= 140 && written.bottom >= 95);
        QCOMPARE(e->m_pts, cornersOf(Box{20, 15, 140, 95}));
        // Filled: the inside takes the fill colour.
        Bitmap f = picture;
        Canvas cf(f);
        auto filledEllipse = placed<CEllipseObj>(Box{20, 15, 140, 95}, 10, true);
        filledEllipse->MergeIntoImage(cf, ImageMapping{}, raster::R2_COPYPEN);
        QCOMPARE(cf.pixel(80, 55), kBlue);
        QCOMPARE(cf.pixel(80, 20), kRed);
        QCOMPARE(cf.pixel(21, 16), imaging::rgbToColorRef(picture.pixelRgb(21, 16)));
    }

    void hollowMergesLeaveTheInside()
    {
        const Bitmap picture = noise24(200, 160, 8);
        for (int width : {1, 3, 8}) {
            Bitmap b = picture;
            Canvas c(b);
            auto r = placed<CRectObj>(Box{30, 20, 170, 140}, width);
            r->MergeIntoImage(c, ImageMapping{}, raster::R2_COPYPEN);
            const QSet<QPoint> changed = differing(picture, b);
            // Every change is in the band along the box's edges, the width
            // of the pen, and the band is all pen colour.
            QSet<QPoint> band = boxSet(30, 20, 170, 140);
            band.subtract(boxSet(30 + width, 20 + width, 170 - width, 140 - width));
            QVERIFY(changed.size() > 0);
            for (const QPoint p : changed)
                QVERIFY(band.contains(p));
            for (const QPoint p : changed)
                QCOMPARE(raw(b, p.x(), p.y()), quint32(kRed));
            QCOMPARE(raw(b, 100, 20 + width - 1), quint32(kRed));
            QCOMPARE(raw(b, 100, 20 + width), raw(picture, 100, 20 + width));
            QCOMPARE(raw(b, 169, 80), quint32(kRed));
        }
    }

    void exclusiveOrMergedTwiceRestores()
    {
        const Bitmap picture = noise24(220, 180, 21);
        Bitmap b = picture;
        Canvas c(b);
        const auto mergeAll = [&] {
            for (int width : {1, 4, 7}) {
                auto r = placed<CRectObj>(Box{10, 10, 120, 90}, width, true);
                r->RotatePoints(25);
                r->MergeIntoImage(c, ImageMapping{}, raster::R2_XORPEN);
                auto e = placed<CEllipseObj>(Box{60, 40, 210, 170}, width, true);
                e->MergeIntoImage(c, ImageMapping{}, raster::R2_XORPEN);
                auto l = placed<CLineObj>(Box{5, 100, 200, 175}, width);
                l->m_nDirection = CLineObj::kRising;
                l->MergeIntoImage(c, ImageMapping{}, raster::R2_XORPEN);
            }
        };
        mergeAll();
        const QSet<QPoint> once = differing(picture, b);
        QVERIFY(once.size() > 10000);
        // Under exclusive-or each pixel of a shape changes by the pen or the
        // fill colour only once: one filled ellipse on its own.
        Bitmap one = picture;
        Canvas c1(one);
        auto e = placed<CEllipseObj>(Box{60, 40, 210, 170}, 7, true);
        e->MergeIntoImage(c1, ImageMapping{}, raster::R2_XORPEN);
        for (const QPoint p : differing(picture, one)) {
            const quint32 change = raw(one, p.x(), p.y()) ^ raw(picture, p.x(), p.y());
            QVERIFY(change == kRed || change == kBlue);
        }
        QCOMPARE(hullOf(differing(picture, one)), QRect(60, 40, 150, 130));
        mergeAll();
        QVERIFY(differing(picture, b).isEmpty());
    }

    void mergeThroughTheImageMapping()
    {
        // The display control at (30, 20) in the view, zoom 200, the zoom
        // rectangle starting at image pixel (5, 7): view (50, 40) is image
        // (15, 17), view (90, 80) is image (35, 37).
        const ImageMapping map{QPoint(30, 20), 2, QPoint(5, 7)};
        Bitmap b = filled(60, 60, 24, 0);
        Canvas c(b);
        auto r = placed<CRectObj>(Box{50, 40, 90, 80}, 1, true);
        const Box written = r->MergeIntoImage(c, map, raster::R2_COPYPEN);
        QSet<QPoint> ring = boxSet(15, 17, 35, 37);
        ring.subtract(boxSet(16, 18, 34, 36));
        QCOMPARE(withValue(b, kRed), ring);
        QCOMPARE(withValue(b, kBlue), boxSet(16, 18, 34, 36));
        QVERIFY(written.left <= 15 && written.top <= 17 && written.right >= 35 && written.bottom >= 37);
        QVERIFY(written.right <= 37 && written.bottom <= 39);

        // An ellipse and a line take the window's box, whatever their corners.
        Bitmap e = filled(60, 60, 24, 0);
        Canvas ce(e);
        auto ellipse = placed<CEllipseObj>(Box{50, 40, 90, 80});
        ellipse->m_pts = cornersOf(Box{0, 0, 10, 10});
        ellipse->MergeIntoImage(ce, map, raster::R2_COPYPEN);
        QCOMPARE(hullOf(withValue(e, kRed)), QRect(15, 17, 20, 20));
        Bitmap l = filled(60, 60, 24, 0);
        Canvas cl(l);
        auto line = placed<CLineObj>(Box{50, 40, 90, 80});
        line->m_nDirection = CLineObj::kFalling;
        line->MergeIntoImage(cl, map, raster::R2_COPYPEN);
        QSet<QPoint> diagonal;
        for (int i = 0; i < 20; ++i)
            diagonal.insert(QPoint(15 + i, 17 + i));
        QCOMPARE(withValue(l, kRed), diagonal);

        // An object off the image writes nothing and reports nothing.
        Bitmap off = filled(60, 60, 24, 0);
        Canvas co(off);
        auto far = placed<CRectObj>(Box{1000, 1000, 1100, 1100});
        QVERIFY(far->MergeIntoImage(co, map, raster::R2_COPYPEN).isEmpty());
        QVERIFY(withValue(off, 0).size() == 3600);
        // The canvas's own settings come back after a merge.
        c.setPen(makeColorRef(7, 7, 7));
        c.setRop2(raster::R2_NOT);
        c.setPenWidth(3);
        r->MergeIntoImage(c, map, raster::R2_XORPEN);
        QCOMPARE(c.pen(), std::optional<ColorRef>(makeColorRef(7, 7, 7)));
        QCOMPARE(c.rop2(), int(raster::R2_NOT));
        QCOMPARE(c.penWidth(), 3);
    }

    void screenDrawingFollowsTheZoom()
    {
        // At zoom 200 the window is twice the size and the drawing is the
        // zoom-100 drawing with every pixel a 2 x 2 block, the pen included.
        const Box rect{10, 10, 70, 50};
        std::vector<std::unique_ptr<CGeneralObj>> at100, at200;
        for (auto* list : {&at100, &at200}) {
            list->push_back(placed<CRectObj>(rect, 3, true));
            list->push_back(placed<CEllipseObj>(rect, 4, true));
            auto line = placed<CLineObj>(rect, 5);
            line->m_nDirection = CLineObj::kRising;
            list->push_back(std::move(line));
            auto turned = placed<CRectObj>(rect, 2);
            turned->RotatePoints(20);
            turned->FitWindowToPoints();
            list->push_back(std::move(turned));
        }
        for (std::size_t i = 0; i < at100.size(); ++i) {
            at200[i]->RescaleToZoom(200);
            QCOMPARE(at200[i]->windowRect().width(), 2 * at100[i]->windowRect().width());
            const Bitmap small = screenDrawing(*at100[i]);
            // The draw mode does not apply on the screen.
            const Bitmap big = screenDrawing(*at200[i], raster::R2_XORPEN);
            QVERIFY(withValue(small, kRed).size() > 50);
            for (int y = 0; y < big.height(); ++y)
                for (int x = 0; x < big.width(); ++x)
                    QCOMPARE(raw(big, x, y), raw(small, x / 2, y / 2));
        }
        // The rectangle's corners are clamped into the window: nothing is
        // cut off at the right and bottom edges.
        const Bitmap rectangle = screenDrawing(*at100[0]);
        QCOMPARE(hullOf(withValue(rectangle, kRed)), QRect(0, 0, 60, 40));
        QCOMPARE(raw(rectangle, 30, 20), quint32(kBlue));
    }

    void printedDrawingUsesTheDrawMode()
    {
        const Bitmap picture = noise24(120, 100, 4);
        Bitmap b = picture;
        Canvas c(b);
        auto r = placed<CRectObj>(Box{10, 10, 50, 40});
        r->DrawObject(c, DrawTarget::Print, 20, 30, raster::R2_XORPEN);
        QSet<QPoint> ring = boxSet(30, 40, 70, 70);
        ring.subtract(boxSet(31, 41, 69, 69));
        QCOMPARE(differing(picture, b), ring);
        for (const QPoint p : ring)
            QCOMPARE(raw(b, p.x(), p.y()), raw(picture, p.x(), p.y()) ^ quint32(kRed));
        QCOMPARE(c.rop2(), int(raster::R2_COPYPEN));
    }

    void theRecord()
    {
        auto r = placed<CRectObj>(Box{-20, 30, 400, 250}, 7, true, 0x112233, 0x445566);
        r->m_nAngle = -45;
        r->m_nZoom = 300;
        r->m_bDiscarded = 1;
        const std::vector<std::uint8_t> bytes = recordOf(*r);
        QCOMPARE(bytes.size(), CGeneralObj::kRecordSize);
        const std::vector<std::uint8_t> head(bytes.begin(), bytes.begin() + 12);
        QCOMPARE(head, (std::vector<std::uint8_t>{0x33, 0x22, 0x11, 0, 0xEC, 0xFF, 0xFF, 0xFF, 30, 0, 0, 0}));
        QCOMPARE(pointAt(bytes, 1), QPoint(400, 30));
        QCOMPARE(pointAt(bytes, 2), QPoint(400, 250));
        QCOMPARE(pointAt(bytes, 3), QPoint(-20, 250));
        QCOMPARE(i32At(bytes, 36), 1); // selected
        QCOMPARE(i32At(bytes, 40), -45);
        QCOMPARE(i32At(bytes, 44), 300);
        QCOMPARE(i32At(bytes, 48), 1);
        QCOMPARE(i32At(bytes, 52), 1);
        QCOMPARE(i32At(bytes, 56), 0x445566);
        QCOMPARE(i32At(bytes, 60), 7);

        CRectObj back;
        ArchiveReader in(bytes);
        QVERIFY(back.Serialize(in));
        QCOMPARE(in.remaining(), std::size_t(0));
        QVERIFY(!back.isSelected());
        QCOMPARE(back.m_color, ColorRef(0x112233));
        QCOMPARE(back.m_pts, r->m_pts);
        QCOMPARE(back.m_nAngle, -45);
        QCOMPARE(back.m_nZoom, 300);
        QCOMPARE(back.m_params, r->m_params);

        // Short or unusable records are refused and change nothing.
        CEllipseObj untouched;
        const std::vector<std::uint8_t> shortRecord(bytes.begin(), bytes.end() - 1);
        ArchiveReader shortIn(shortRecord);
        QVERIFY(!untouched.Serialize(shortIn));
        std::vector<std::uint8_t> badWidth = bytes;
        badWidth[60] = 11;
        ArchiveReader badIn(badWidth);
        QVERIFY(!untouched.Serialize(badIn));
        QCOMPARE(untouched.m_color, ColorRef(0xFFFFFF));
        QVERIFY(untouched.isSelected());
    }

    void theLineRecordCarriesItsDirection()
    {
        const Box rect{10, 20, 110, 70};
        auto plain = placed<CRectObj>(rect, 3);
        for (const std::int32_t direction : {CLineObj::kFalling, CLineObj::kRising, CLineObj::kVertical}) {
            auto line = placed<CLineObj>(rect, 3);
            line->m_nDirection = direction;
            const std::vector<std::uint8_t> bytes = recordOf(*line);
            QCOMPARE(bytes.size(), CGeneralObj::kRecordSize);
            const QPoint first = pointAt(bytes, 0);
            QCOMPARE(first, direction == CLineObj::kFalling ? QPoint(10, 20)
                            : direction == CLineObj::kRising ? QPoint(110, 20)
                                                            : QPoint(110, 70));
            // Apart from the corners' order, the plain record.
            const std::vector<std::uint8_t> rest(bytes.begin() + 36, bytes.end());
            const std::vector<std::uint8_t> plainBytes = recordOf(*plain);
            QCOMPARE(rest, std::vector<std::uint8_t>(plainBytes.begin() + 36, plainBytes.end()));
            if (direction == CLineObj::kFalling)
                QCOMPARE(bytes, plainBytes);
            CLineObj back;
            back.m_nDirection = 7;
            ArchiveReader in(bytes);
            QVERIFY(back.Serialize(in));
            QCOMPARE(back.m_nDirection, direction);
            QCOMPARE(back.m_pts, cornersOf(rect));
            QVERIFY(!back.isSelected());
        }
        // A turned line writes its window's corners.
        auto turned = placed<CLineObj>(rect);
        turned->RotatePoints(30);
        turned->FitWindowToPoints();
        turned->m_nDirection = CLineObj::kRising;
        const std::vector<std::uint8_t> turnedBytes = recordOf(*turned);
        const ObjPoints window = cornersOf(turned->windowRect());
        for (int i = 0; i < 4; ++i)
            QCOMPARE(pointAt(turnedBytes, i), window[std::size_t((i + 1) % 4)]);
        // A record whose corners start anywhere else reads as a falling line
        // with its points as written.
        std::vector<std::uint8_t> odd = recordOf(*placed<CRectObj>(rect));
        const ObjPoints quad = {QPoint(60, 20), QPoint(110, 45), QPoint(60, 70), QPoint(10, 45)};
        for (int i = 0; i < 4; ++i)
            setPointAt(odd, i, quad[std::size_t(i)]);
        CLineObj oddLine;
        ArchiveReader oddIn(odd);
        QVERIFY(oddLine.Serialize(oddIn));
        QCOMPARE(oddLine.m_nDirection, CLineObj::kFalling);
        QCOMPARE(oddLine.m_pts, quad);
        // And a truncated one is refused.
        CLineObj refused;
        const std::vector<std::uint8_t> cut(odd.begin(), odd.begin() + 40);
        ArchiveReader cutIn(cut);
        QVERIFY(!refused.Serialize(cutIn));
    }

    void trackerHitsAndCursors()
    {
        const ObjPoints pts = cornersOf(Box{100, 100, 200, 150});
        CObjTracker t(pts);
        const std::array<QPoint, 8> centres = {QPoint(100, 100), QPoint(200, 100), QPoint(200, 150), QPoint(100, 150),
                                               QPoint(150, 100), QPoint(200, 125), QPoint(150, 150), QPoint(100, 125)};
        for (int i = 0; i < 8; ++i) {
            const QPoint c = centres[std::size_t(i)];
            QCOMPARE(t.handles()[std::size_t(i)][0], c + QPoint(-3, -3));
            QCOMPARE(t.handles()[std::size_t(i)][2], c + QPoint(3, 3));
            QCOMPARE(t.HitTest(c), i);
            QCOMPARE(t.hit(), i);
            // One pixel beyond the handle's square still hits it.
            QCOMPARE(t.HitTest(c + QPoint(-4, 4)), i);
        }
        // Just past a handle: the inside, or nothing outside the box.
        QCOMPARE(t.HitTest(QPoint(150 + 5, 100)), CObjTracker::kInside);
        QCOMPARE(t.HitTest(QPoint(100, 100 - 5)), CObjTracker::kNothing);
        QCOMPARE(t.HitTest(QPoint(130, 120)), CObjTracker::kInside);
        QCOMPARE(t.HitTest(QPoint(300, 300)), CObjTracker::kNothing);
        QCOMPARE(t.HitTest(QPoint(50, 125)), CObjTracker::kNothing);
        CObjTracker inactive(pts, false);
        QCOMPARE(inactive.HitTest(QPoint(100, 100)), CObjTracker::kNothing);
        QCOMPARE(inactive.HitTest(QPoint(130, 120)), CObjTracker::kNothing);
        // A small object: the corner handles come first.
        CObjTracker small(cornersOf(Box{10, 10, 16, 14}));
        QCOMPARE(small.HitTest(QPoint(13, 10)), 0);

        for (int i = 0; i < 4; ++i)
            QCOMPARE(CObjTracker::cursorName(i), CObjTracker::cursorName(i + 4));
        QCOMPARE(CObjTracker::cursorName(0), std::string_view("CURSORNW"));
        QCOMPARE(CObjTracker::cursorName(1), std::string_view("CURSORNE"));
        QCOMPARE(CObjTracker::cursorName(2), std::string_view("CURSORNS"));
        QCOMPARE(CObjTracker::cursorName(3), std::string_view("CURSOREW"));
        QCOMPARE(CObjTracker::cursorName(CObjTracker::kInside), std::string_view("CURSORNSEW"));
        QVERIFY(CObjTracker::cursorName(CObjTracker::kNothing).empty());
    }

    void trackerDrags()
    {
        const ObjPoints pts = cornersOf(Box{100, 100, 200, 150});
        const auto drag = [](const ObjPoints& p, QPoint press, QPoint current) {
            CObjTracker t(p);
            t.HitTest(press);
            return t.dragged(press, current);
        };
        QCOMPARE(drag(pts, QPoint(200, 150), QPoint(230, 170)), cornersOf(Box{100, 100, 230, 170}));
        QCOMPARE(drag(pts, QPoint(101, 99), QPoint(81, 119)), cornersOf(Box{80, 120, 200, 150}));
        QCOMPARE(drag(pts, QPoint(200, 100), QPoint(150, 60)), cornersOf(Box{100, 60, 150, 150}));
        QCOMPARE(drag(pts, QPoint(200, 125), QPoint(220, 158)), cornersOf(Box{100, 100, 220, 150})); // right edge
        QCOMPARE(drag(pts, QPoint(150, 100), QPoint(157, 90)), cornersOf(Box{100, 90, 200, 150}));   // top edge
        QCOMPARE(drag(pts, QPoint(150, 150), QPoint(0, 140)), cornersOf(Box{100, 100, 200, 140}));    // bottom edge
        QCOMPARE(drag(pts, QPoint(100, 125), QPoint(90, 0)), cornersOf(Box{90, 100, 200, 150}));      // left edge
        QCOMPARE(drag(pts, QPoint(130, 120), QPoint(135, 100)), cornersOf(Box{105, 80, 205, 130}));  // inside
        QCOMPARE(drag(pts, QPoint(300, 300), QPoint(0, 0)), pts);                                    // nothing

        // Turned by a quarter: it stays a rectangle, the dragged corner on
        // the mouse and the opposite one where it was.
        ObjPoints q = quarterTurned();
        for (int k = 0; k < 4; ++k) {
            const QPoint press = q[std::size_t(k)];
            const ObjPoints out = drag(q, press, press + QPoint(13, -9));
            QCOMPARE(out[std::size_t(k)], press + QPoint(13, -9));
            QCOMPARE(out[std::size_t((k + 2) % 4)], q[std::size_t((k + 2) % 4)]);
            for (int i = 0; i < 4; ++i) {
                const QPoint e1 = out[std::size_t((i + 1) % 4)] - out[std::size_t(i)];
                const QPoint e2 = out[std::size_t((i + 2) % 4)] - out[std::size_t((i + 1) % 4)];
                QCOMPARE(QPoint::dotProduct(e1, e2), 0);
                QVERIFY(e1.x() == 0 || e1.y() == 0);
            }
        }
        // As turned by RotatePoints (whole pixels, so a pixel off at most),
        // the corners stay square to within the rounding.
        auto r = placed<CRectObj>(Box{100, 100, 200, 150});
        r->RotatePoints(90);
        q = r->m_pts;
        for (int k = 0; k < 4; ++k) {
            const QPoint press = q[std::size_t(k)];
            const ObjPoints out = drag(q, press, press + QPoint(-21, 17));
            QCOMPARE(out[std::size_t(k)], press + QPoint(-21, 17));
            QCOMPARE(out[std::size_t((k + 2) % 4)], q[std::size_t((k + 2) % 4)]);
            for (int i = 0; i < 4; ++i) {
                const QPoint e = out[std::size_t((i + 1) % 4)] - out[std::size_t(i)];
                QVERIFY(std::min(std::abs(e.x()), std::abs(e.y())) <= 1);
            }
        }
        // Turned by 30 degrees: the neighbours slide along the turned edges,
        // so the corners stay (nearly, after rounding) square.
        auto turned = placed<CRectObj>(Box{100, 100, 300, 200});
        turned->RotatePoints(30);
        const ObjPoints t = turned->m_pts;
        const ObjPoints out = drag(t, t[2], t[2] + QPoint(40, 10));
        QCOMPARE(out[2], t[2] + QPoint(40, 10));
        QCOMPARE(out[0], t[0]);
        for (int i = 0; i < 4; ++i) {
            const QPointF e1 = out[std::size_t((i + 1) % 4)] - out[std::size_t(i)];
            const QPointF e2 = out[std::size_t((i + 2) % 4)] - out[std::size_t((i + 1) % 4)];
            const double cosine = QPointF::dotProduct(e1, e2) / std::hypot(e1.x(), e1.y()) / std::hypot(e2.x(), e2.y());
            QVERIFY2(std::abs(cosine) < 0.03, qPrintable(QString::number(cosine)));
        }
        // An edge of the turned object moves along its normal only.
        const QPoint mid = (t[1] + t[2]) / 2;
        const ObjPoints edge = drag(t, mid, mid + QPoint(30, 0));
        QCOMPARE(edge[0], t[0]);
        QCOMPARE(edge[3], t[3]);
        const QPoint shift = edge[1] - t[1];
        QCOMPARE(edge[2] - t[2], shift);
        const QPoint along = t[2] - t[1];
        QVERIFY(std::abs(QPoint::dotProduct(shift, along)) <= 2 * along.manhattanLength());
        QVERIFY(shift.manhattanLength() > 20);
    }

    void trackerDrawing()
    {
        QImage image(260, 220, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            CObjTracker(cornersOf(Box{100, 100, 200, 150})).draw(painter, QPoint(-50, -40));
        }
        const QRgb purple = qRgb(0x80, 0, 0x80);
        // Handles: filled 7 x 7 squares at the moved points.
        for (const QPoint c : {QPoint(50, 60), QPoint(150, 60), QPoint(150, 110), QPoint(50, 110), QPoint(100, 60),
                               QPoint(150, 85), QPoint(100, 110), QPoint(50, 85)}) {
            for (int dy = -3; dy <= 3; ++dy)
                for (int dx = -3; dx <= 3; ++dx)
                    QCOMPARE(image.pixel(c.x() + dx, c.y() + dy), purple);
            QCOMPARE(image.pixel(c.x() - 5, c.y() - 5), qRgb(255, 255, 255));
        }
        // The outline between handles is dashed: some pixels purple, some not.
        int on = 0, off = 0;
        for (int x = 60; x < 90; ++x)
            (image.pixel(x, 60) == purple ? on : off)++;
        QVERIFY(on > 5 && off > 5);
        QCOMPARE(image.pixel(100, 85), qRgb(255, 255, 255)); // the inside is not painted
    }
};

QTEST_MAIN(TestShapeObjects)
#include "test_shape_objects.moc"
