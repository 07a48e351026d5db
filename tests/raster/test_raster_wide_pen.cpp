// Wide pens: the stroke of lines, rectangles, ellipses and polygons against
// a plain reference (a disc stamped at every pixel of the one-pixel outline,
// tested pixel by pixel), exact widths, the brush inside, every pixel written
// once under inverting and exclusive-or modes, scaling, clipping far outside
// the bitmap, and the width kept by the canvas state.

#include "raster/Canvas.h"

#include "RasterTestSupport.h"

#include <QElapsedTimer>
#include <QTest>

#include <array>
#include <climits>
#include <functional>

using namespace ardane;
using namespace ardane::raster;
using namespace rastertest;
using ardane::imaging::Bitmap;

namespace {

constexpr quint32 kBase = 0x123456;

// Pixels a drawing changed on a plain bitmap, drawn with pen and brush white.
QSet<QPoint> coverage(int w, int h, const std::function<void(Canvas&)>& draw)
{
    const Bitmap before = filled(w, h, 24, 0);
    Bitmap b = before;
    Canvas c(b);
    c.setPen(0xFFFFFF);
    c.setBrush(0xFFFFFF);
    draw(c);
    return differing(before, b);
}

// The reference stroke: a disc of diameter `width` stamped at every pixel of
// `path`. Odd widths centre the disc on the pixel's centre, even widths on
// the pixel's corner facing away from the middle (mid2X, mid2Y: doubled
// pixel-edge coordinates of the middle of the shape).
QSet<QPoint> referenceStroke(const QSet<QPoint>& path, int width, int mid2X, int mid2Y, QRect bounds)
{
    QSet<QPoint> out;
    const long long w2 = (long long)width * width;
    for (int y = bounds.top(); y <= bounds.bottom(); ++y)
        for (int x = bounds.left(); x <= bounds.right(); ++x)
            for (const QPoint p : path) {
                long long ux, uy; // doubled offsets from the disc centre to the pixel centre
                if (width % 2) {
                    ux = 2LL * (x - p.x());
                    uy = 2LL * (y - p.y());
                } else {
                    const int cx = p.x() + (2 * p.x() + 1 >= mid2X ? 1 : 0);
                    const int cy = p.y() + (2 * p.y() + 1 >= mid2Y ? 1 : 0);
                    ux = 2LL * x + 1 - 2LL * cx;
                    uy = 2LL * y + 1 - 2LL * cy;
                }
                if (ux * ux + uy * uy <= w2) {
                    out.insert(QPoint(x, y));
                    break;
                }
            }
    return out;
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

struct Shape {
    const char* name;
    std::function<void(Canvas&)> draw;
    int mid2X, mid2Y;
    bool closed;
};

std::vector<Shape> shapes()
{
    static const std::vector<QPoint> tri = {QPoint(8, 4), QPoint(40, 14), QPoint(15, 36)};
    static const std::vector<QPoint> bow = {QPoint(-6, 20), QPoint(30, 44), QPoint(30, 20), QPoint(-6, 44)};
    return {
        {"flat line", [](Canvas& c) { c.line(6, 9, 37, 17); }, 6 + 37 + 1, 9 + 17 + 1, false},
        {"steep line", [](Canvas& c) { c.line(30, 40, 22, 3); }, 22 + 30 + 1, 3 + 40 + 1, false},
        {"rectangle", [](Canvas& c) { c.rectangle(7, 6, 33, 29); }, 7 + 33, 6 + 29, true},
        {"thin rectangle", [](Canvas& c) { c.rectangle(10, 20, 11, 30); }, 10 + 11, 20 + 30, true},
        {"ellipse", [](Canvas& c) { c.ellipse(6, 5, 39, 26); }, 6 + 39, 5 + 26, true},
        {"small ellipse", [](Canvas& c) { c.ellipse(20, 20, 24, 23); }, 20 + 24, 20 + 23, true},
        {"triangle", [](Canvas& c) { c.polygon(tri); }, 8 + 40 + 1, 4 + 36 + 1, true},
        {"crossed, past the edge", [](Canvas& c) { c.polygon(bow); }, -6 + 30 + 1, 20 + 44 + 1, true},
    };
}

} // namespace

class TestRasterWidePen : public QObject {
    Q_OBJECT
private slots:
    void strokesMatchTheReference()
    {
        const QRect bounds(0, 0, 48, 44);
        for (const Shape& shape : shapes()) {
            // The path: the outline drawn one pixel wide on a large bitmap
            // with an origin, so parts outside the small one are kept.
            Bitmap big = filled(200, 200, 24, 0);
            const Bitmap bigBefore = big;
            {
                Canvas c(big, QPoint(-100, -100));
                c.setPen(0xFFFFFF);
                c.setBrush(std::nullopt);
                shape.draw(c);
            }
            QSet<QPoint> path;
            for (const QPoint p : differing(bigBefore, big))
                path.insert(p - QPoint(100, 100));
            QVERIFY2(!path.isEmpty(), shape.name);
            const QSet<QPoint> fill = shape.closed ? coverage(48, 44, [&](Canvas& c) {
                c.setPen(std::nullopt);
                shape.draw(c);
            }) : QSet<QPoint>();
            for (int w : {2, 3, 4, 5, 6, 7, 10}) {
                const QSet<QPoint> want = referenceStroke(path, w, shape.mid2X, shape.mid2Y, bounds);
                const QSet<QPoint> got = coverage(48, 44, [&](Canvas& c) {
                    c.setPenWidth(w);
                    c.setBrush(std::nullopt);
                    shape.draw(c);
                });
                QVERIFY2(got == want, qPrintable(QStringLiteral("%1, width %2: %3 pixels, reference %4")
                                                     .arg(QLatin1String(shape.name)).arg(w).arg(got.size())
                                                     .arg(want.size())));
                // Pen and brush together: the stroke in the pen colour, the
                // rest of the narrow pen's inside in the brush colour, each
                // pixel once under inversion.
                Bitmap b = filled(48, 44, 24, kBase);
                Canvas c(b);
                c.setPenWidth(w);
                c.setRop2(R2_NOT);
                shape.draw(c);
                QCOMPARE(withValue(b, 0xFFFFFF ^ kBase), want | fill);
                QCOMPARE(withValue(b, kBase).size() + (want | fill).size(), qsizetype(48 * 44));
                Bitmap colours = filled(48, 44, 24, 0);
                Canvas cc(colours);
                cc.setPenWidth(w);
                cc.setPen(makeColorRef(255, 0, 0));
                cc.setBrush(makeColorRef(0, 0, 255));
                shape.draw(cc);
                QCOMPARE(withValue(colours, 0).size() + (want | fill).size(),
                         qsizetype(48 * 44));
                for (const QPoint p : want | fill)
                    QCOMPARE(cc.pixel(p.x(), p.y()), want.contains(p) ? makeColorRef(255, 0, 0) : makeColorRef(0, 0, 255));
            }
        }
    }

    void widthsAreExactAndSymmetric()
    {
        // A horizontal line is w rows thick away from its round ends, for
        // every width, and its ends reach half the width past the path.
        for (int w = 1; w <= 10; ++w) {
            const QSet<QPoint> px = coverage(80, 40, [w](Canvas& c) {
                c.setPenWidth(w);
                c.line(20, 20, 60, 20);
            });
            int rows = 0, top = INT_MAX, left = INT_MAX, right = INT_MIN;
            for (int y = 0; y < 40; ++y)
                if (px.contains(QPoint(40, y))) {
                    ++rows;
                    top = std::min(top, y);
                }
            for (const QPoint p : px) {
                left = std::min(left, p.x());
                right = std::max(right, p.x());
            }
            QCOMPARE(rows, w);
            QCOMPARE(top, 20 - (w - 1) / 2);
            QCOMPARE(left, 20 - w / 2);
            QCOMPARE(right, 59 + w / 2);
        }
        // A wide rectangle reaches w / 2 beyond its one-pixel ring on every
        // side: inside the box grown by w / 2 and shrunk by w - w / 2 on the
        // inside, with round outer corners and square inner ones.
        for (int w : {2, 5, 10}) {
            const int k = w / 2;
            Bitmap b = filled(100, 80, 24, 0);
            Canvas c(b);
            c.setPenWidth(w);
            c.setPen(makeColorRef(255, 0, 0));
            c.setBrush(makeColorRef(0, 0, 255));
            c.rectangle(20, 15, 70, 60);
            for (int y = 0; y < 80; ++y)
                for (int x = 0; x < 100; ++x) {
                    const ColorRef v = c.pixel(x, y);
                    const bool outer = x >= 20 - k && x < 70 + k && y >= 15 - k && y < 60 + k;
                    const bool inner = x >= 20 + (w - k) && x < 70 - (w - k) && y >= 15 + (w - k) && y < 60 - (w - k);
                    if (!outer)
                        QCOMPARE(v, ColorRef(0));
                    else if (inner)
                        QCOMPARE(v, makeColorRef(0, 0, 255));
                    else if (x > 20 + k && x < 69 - k) // straight parts of the top and bottom edges
                        QCOMPARE(v, makeColorRef(255, 0, 0));
                }
            QCOMPARE(c.pixel(20 - k, 15 - k), w == 2 ? makeColorRef(255, 0, 0) : ColorRef(0)); // rounded
            QCOMPARE(c.pixel(20 - k, 30), makeColorRef(255, 0, 0));
            QCOMPARE(c.pixel(69 + k, 30), makeColorRef(255, 0, 0));
            QCOMPARE(c.pixel(40, 59 + k), makeColorRef(255, 0, 0));
        }
        // An ellipse of pen width 10 inscribed in a box shrunk by 5 stays in
        // the box and touches all four of its sides.
        const QSet<QPoint> ring = coverage(120, 90, [](Canvas& c) {
            c.setPenWidth(10);
            c.setBrush(std::nullopt);
            c.ellipse(10 + 5, 10 + 5, 110 - 5, 80 - 5);
        });
        QRect hull;
        for (const QPoint p : ring)
            hull |= QRect(p, QSize(1, 1));
        QCOMPARE(hull, QRect(10, 10, 100, 70));
        QVERIFY(ring.contains(QPoint(60, 10)) && ring.contains(QPoint(60, 79)));
        QVERIFY(ring.contains(QPoint(10, 45)) && ring.contains(QPoint(109, 45)));
        QVERIFY(ring.contains(QPoint(60, 19)) && !ring.contains(QPoint(60, 20)));
        QVERIFY(!ring.contains(QPoint(60, 45)));
    }

    void exclusiveOrWritesEachPixelOnce()
    {
        // Pen and brush in an exclusive-or mode: each covered pixel differs
        // from the picture by exactly the pen or the brush; drawing twice
        // restores it.
        const Bitmap picture = noise24(64, 48, 11);
        const std::vector<QPoint> star = {QPoint(32, 2), QPoint(51, 40), QPoint(5, 15), QPoint(59, 15), QPoint(13, 40)};
        const auto draw = [&](Canvas& c) {
            c.setPenWidth(7);
            c.setRop2(R2_XORPEN);
            c.setPen(makeColorRef(0xF0, 0x0F, 0x55));
            c.setBrush(makeColorRef(0x0F, 0xF0, 0xAA));
            c.polygon(star);
            c.setPenWidth(4);
            c.line(0, 47, 63, 0);
        };
        const QSet<QPoint> starPen = coverage(64, 48, [&](Canvas& c) {
            c.setPenWidth(7);
            c.setBrush(std::nullopt);
            c.polygon(star);
        });
        const QSet<QPoint> linePen = coverage(64, 48, [&](Canvas& c) {
            c.setPenWidth(4);
            c.line(0, 47, 63, 0);
        });
        const QSet<QPoint> all = coverage(64, 48, [&](Canvas& c) {
            c.setPenWidth(7);
            c.polygon(star);
        });
        Bitmap b = picture;
        {
            Canvas c(b);
            draw(c);
        }
        // Stored bytes are R, G, B: a colour is stored as its COLORREF value.
        const quint32 pen = 0x550FF0, brush = 0xAAF00F;
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                const QPoint p(x, y);
                quint32 want = raw(picture, x, y);
                if (starPen.contains(p))
                    want ^= pen;
                else if (all.contains(p))
                    want ^= brush;
                if (linePen.contains(p))
                    want ^= pen;
                QCOMPARE(raw(b, x, y), want);
            }
        Canvas again(b);
        draw(again);
        QVERIFY(differing(picture, b).isEmpty());
    }

    void scaledWidePenIsTheUnscaledEnlarged()
    {
        for (int f : {2, 3}) {
            const Bitmap small0 = noise24(30, 24, 5);
            Bitmap small = small0;
            Bitmap big = Bitmap::create(30 * f, 24 * f, 24);
            for (int y = 0; y < 24 * f; ++y)
                for (int x = 0; x < 30 * f; ++x)
                    setRaw(big, x, y, raw(small0, x / f, y / f));
            Canvas cs(small), cb(big);
            cb.setViewportExtent(100 * f);
            const std::vector<QPoint> quad = {QPoint(3, 3), QPoint(20, 5), QPoint(26, 21), QPoint(4, 18)};
            for (Canvas* c : {&cs, &cb}) {
                c->setRop2(R2_XORPEN);
                c->setPen(makeColorRef(0xF0, 0x0F, 0x55));
                c->setBrush(makeColorRef(0x0F, 0xF0, 0xAA));
                c->setPenWidth(4);
                c->ellipse(2, 2, 18, 14);
                c->setPenWidth(5);
                c->rectangle(12, 8, 29, 23);
                c->polygon(quad);
                c->setPenWidth(6);
                c->line(-5, 20, 35, 2);
            }
            for (int y = 0; y < 24 * f; ++y)
                for (int x = 0; x < 30 * f; ++x)
                    QCOMPARE(raw(big, x, y), raw(small, x / f, y / f));
            QVERIFY(small != small0);
        }
    }

    void farCoordinatesAreCheap()
    {
        // Shapes reaching far beyond the bitmap draw what is visible, fast.
        QElapsedTimer timer;
        timer.start();
        const QSet<QPoint> line = coverage(40, 40, [](Canvas& c) {
            c.setPenWidth(9);
            c.line(-1000000000, 20, 1000000000, 20);
        });
        QCOMPARE(line, boxSet(0, 16, 40, 25));
        const QSet<QPoint> ring = coverage(40, 40, [](Canvas& c) {
            c.setPenWidth(6);
            c.setBrush(std::nullopt);
            c.rectangle(10, -1000000000, 1000000000, 1000000000);
        });
        QCOMPARE(ring, boxSet(7, 0, 13, 40));
        const QSet<QPoint> ellipse = coverage(40, 40, [](Canvas& c) {
            c.setPenWidth(10);
            c.ellipse(-1000000, -1000000, 1000000, 1000000);
        });
        QCOMPARE(ellipse, boxSet(0, 0, 40, 40));
        const std::vector<QPoint> huge = {QPoint(-900000000, -900000000), QPoint(900000000, -900000000),
                                          QPoint(0, 900000000)};
        const QSet<QPoint> tri = coverage(40, 40, [&](Canvas& c) {
            c.setPenWidth(8);
            c.polygon(huge);
        });
        QCOMPARE(tri, boxSet(0, 0, 40, 40));
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    }

    void widthLimitsAndState()
    {
        Bitmap b = filled(4, 4, 24, 0);
        Canvas c(b);
        QCOMPARE(c.penWidth(), 1);
        c.setPenWidth(0);
        QCOMPARE(c.penWidth(), 1);
        c.setPenWidth(-7);
        QCOMPARE(c.penWidth(), 1);
        c.setPenWidth(INT_MAX);
        QCOMPARE(c.penWidth(), Canvas::kMaxPenWidth);
        c.setPenWidth(6);
        {
            CanvasState keep(c);
            c.setPenWidth(2);
        }
        QCOMPARE(c.penWidth(), 6);
        // Width 1 (and anything below) draws as before: compare with a canvas
        // that never had its width set.
        const std::vector<QPoint> quad = {QPoint(3, 3), QPoint(20, 5), QPoint(26, 21), QPoint(4, 18)};
        const auto draw = [&](Canvas& k) {
            k.setRop2(R2_XORPEN);
            k.rectangle(1, 1, 9, 7);
            k.ellipse(10, 2, 22, 11);
            k.line(0, 19, 23, 12);
            k.polygon(quad);
        };
        Bitmap one = noise24(30, 24, 9), plain = one;
        Canvas c1(one), c2(plain);
        c1.setPenWidth(-3);
        draw(c1);
        draw(c2);
        QVERIFY(differing(one, plain).isEmpty());
        QVERIFY(differing(one, noise24(30, 24, 9)).size() > 50);
    }
};

QTEST_GUILESS_MAIN(TestRasterWidePen)
#include "test_raster_wide_pen.moc"
