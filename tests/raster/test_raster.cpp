// The canvas's pixel rules on small bitmaps: the sixteen mix modes at every
// depth with results worked out by hand, the coverage of rectangles, lines,
// ellipses and polygons, regions, scaling, clipping at the bitmap's edges and
// the growth of short colour tables.

#include "raster/Canvas.h"
#include "raster/Region.h"

#include "RasterTestSupport.h"

#include <QElapsedTimer>
#include <QTest>

#include <array>
#include <climits>

using namespace ardane;
using namespace ardane::raster;
using namespace rastertest;
using ardane::imaging::Bitmap;

namespace {

// Pixels a canvas drawing changed on a bitmap of one value.
template <class Draw>
QSet<QPoint> coverage(int w, int h, Draw&& draw, QPoint origin = {})
{
    Bitmap before = filled(w, h, 24, 0x000000);
    Bitmap b = before;
    Canvas c(b, origin);
    c.setPen(makeColorRef(255, 255, 255));
    c.setBrush(makeColorRef(255, 255, 255));
    draw(c);
    return differing(before, b);
}

QSet<QPoint> boxSet(int l, int t, int r, int b)
{
    QSet<QPoint> s;
    for (int y = t; y < b; ++y)
        for (int x = l; x < r; ++x)
            s.insert(QPoint(x, y));
    return s;
}

QSet<QPoint> regionSet(const Region& region)
{
    QSet<QPoint> s;
    for (int y = region.top(); y < region.top() + region.rowCount(); ++y)
        for (const Span& sp : region.row(y))
            for (int x = sp.left; x < sp.right; ++x)
                s.insert(QPoint(x, y));
    return s;
}

// Pixels of a bitmap with a given stored value.
QSet<QPoint> withValue(const Bitmap& b, quint32 v)
{
    QSet<QPoint> s;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x)
            if (raw(b, x, y) == v)
                s.insert(QPoint(x, y));
    return s;
}

std::vector<QPoint> star(int cx, int cy, int r)
{
    // Five points of a circle taken every second one: a pentagram.
    const std::array<QPoint, 5> p = {QPoint(cx, cy - r), QPoint(cx + r * 95 / 100, cy - r * 31 / 100),
                                     QPoint(cx + r * 59 / 100, cy + r * 81 / 100),
                                     QPoint(cx - r * 59 / 100, cy + r * 81 / 100),
                                     QPoint(cx - r * 95 / 100, cy - r * 31 / 100)};
    return {p[0], p[2], p[4], p[1], p[3]};
}

} // namespace

class TestRaster : public QObject {
    Q_OBJECT

private slots:
    void mixModesAt24Bits()
    {
        // Pen 0x0F in every channel over R 0x33, G 0x55, B 0xAA; the sixteen
        // results per channel, mode 1 to 16.
        const std::array<std::array<int, 3>, 16> expected = {{
            {0x00, 0x00, 0x00}, {0xC0, 0xA0, 0x50}, {0x30, 0x50, 0xA0}, {0xF0, 0xF0, 0xF0},
            {0x0C, 0x0A, 0x05}, {0xCC, 0xAA, 0x55}, {0x3C, 0x5A, 0xA5}, {0xFC, 0xFA, 0xF5},
            {0x03, 0x05, 0x0A}, {0xC3, 0xA5, 0x5A}, {0x33, 0x55, 0xAA}, {0xF3, 0xF5, 0xFA},
            {0x0F, 0x0F, 0x0F}, {0xCF, 0xAF, 0x5F}, {0x3F, 0x5F, 0xAF}, {0xFF, 0xFF, 0xFF},
        }};
        const ColorRef dest = makeColorRef(0x33, 0x55, 0xAA);
        for (int mode = 1; mode <= 16; ++mode) {
            Bitmap b = filled(6, 3, 24, dest);
            Canvas c(b);
            c.setPen(makeColorRef(0x0F, 0x0F, 0x0F));
            c.setBrush(makeColorRef(0x0F, 0x0F, 0x0F));
            QCOMPARE(c.setRop2(mode), int(R2_COPYPEN));
            c.rectangle(1, 1, 5, 2);
            const auto& e = expected[std::size_t(mode - 1)];
            for (int x = 1; x < 5; ++x)
                QCOMPARE(c.pixel(x, 1), makeColorRef(e[0], e[1], e[2]));
            QCOMPARE(c.pixel(0, 1), dest);
            QCOMPARE(c.pixel(5, 1), dest);
            QCOMPARE(c.pixel(2, 0), dest);
            QCOMPARE(c.pixel(2, 2), dest);
        }
    }

    void mixModesOnIndices()
    {
        // 8 bits: destination index 0x5A, pen index 0x3C (the pen colour is that
        // entry exactly). 4 bits: destination 0xA, pen 0x6. 1 bit: pen 1 over
        // destination 0 and 1.
        const std::array<int, 16> e8 = {0x00, 0x81, 0x42, 0xC3, 0x24, 0xA5, 0x66, 0xE7,
                                        0x18, 0x99, 0x5A, 0xDB, 0x3C, 0xBD, 0x7E, 0xFF};
        const std::array<int, 16> e4 = {0x0, 0x1, 0x8, 0x9, 0x4, 0x5, 0xC, 0xD, 0x2, 0x3, 0xA, 0xB, 0x6, 0x7, 0xE, 0xF};
        const std::array<int, 16> e1d0 = {0, 0, 0, 0, 1, 1, 1, 1, 0, 0, 0, 0, 1, 1, 1, 1};
        const std::array<int, 16> e1d1 = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1};
        std::vector<QRgb> pal8;
        for (int i = 0; i < 256; ++i)
            pal8.push_back(qRgb(i, (i * 7) & 255, 255 - i));
        for (int mode = 1; mode <= 16; ++mode) {
            const auto m = std::size_t(mode - 1);
            Bitmap b8 = filled(4, 2, 8, 0x5A, pal8);
            Canvas c8(b8);
            c8.setRop2(mode);
            c8.setPen(imaging::rgbToColorRef(pal8[0x3C]));
            c8.setBrush(std::nullopt);
            c8.rectangle(1, 0, 3, 1);
            QCOMPARE(raw(b8, 1, 0), quint32(e8[m]));
            QCOMPARE(raw(b8, 2, 0), quint32(e8[m]));
            QCOMPARE(raw(b8, 0, 0), quint32(0x5A));
            QCOMPARE(raw(b8, 1, 1), quint32(0x5A));

            Bitmap b4 = filled(3, 1, 4, 0xA, greys(4));
            Canvas c4(b4);
            c4.setRop2(mode);
            c4.setPen(makeColorRef(0x66, 0x66, 0x66)); // entry 6 of the grey ramp
            c4.rectangle(0, 0, 2, 1);
            QCOMPARE(raw(b4, 0, 0), quint32(e4[m]));
            QCOMPARE(raw(b4, 2, 0), quint32(0xA));

            Bitmap b1 = filled(3, 1, 1, 0, {qRgb(0, 0, 0), qRgb(255, 255, 255)});
            setRaw(b1, 1, 0, 1);
            Canvas c1(b1);
            c1.setRop2(mode);
            c1.setPen(makeColorRef(250, 250, 250)); // nearest: white, index 1
            c1.setBrush(makeColorRef(250, 250, 250));
            c1.rectangle(0, 0, 2, 1);
            QCOMPARE(raw(b1, 0, 0), quint32(e1d0[m]));
            QCOMPARE(raw(b1, 1, 0), quint32(e1d1[m]));
            QCOMPARE(raw(b1, 2, 0), quint32(0));
            QCOMPARE(b1.image().colorCount(), 2);
        }
    }

    void mixModesAt16And32Bits()
    {
        // 16 bits: the pen 255, 128, 8 becomes 31, 16, 1 in 5-5-5; the
        // destination is 10, 21, 3.
        const quint32 d16 = (10u << 10) | (21u << 5) | 3u;
        struct Case16 {
            int mode;
            quint32 expected;
        };
        for (const Case16& k : {Case16{R2_XORPEN, (21u << 10) | (5u << 5) | 2u},
                                Case16{R2_MERGEPEN, (31u << 10) | (21u << 5) | 3u},
                                Case16{R2_NOT, (21u << 10) | (10u << 5) | 28u},
                                Case16{R2_WHITE, 0x7FFFu}, Case16{R2_COPYPEN, (31u << 10) | (16u << 5) | 1u}}) {
            Bitmap b = filled(2, 1, 16, d16);
            Canvas c(b);
            c.setRop2(k.mode);
            c.setPen(makeColorRef(255, 128, 8));
            c.rectangle(0, 0, 1, 1);
            QCOMPARE(raw(b, 0, 0), k.expected);
            QCOMPARE(raw(b, 1, 0), d16);
        }
        // 32 bits: the mix works on RGB and the written pixel becomes opaque.
        struct Case32 {
            int mode;
            QRgb expected;
        };
        for (const Case32& k : {Case32{R2_XORPEN, qRgba(0x3C, 0x5A, 0xA5, 255)},
                                Case32{R2_NOP, qRgba(0x33, 0x55, 0xAA, 255)},
                                Case32{R2_MASKPEN, qRgba(0x03, 0x05, 0x0A, 255)}}) {
            Bitmap b = filled(2, 1, 32, qRgba(0x33, 0x55, 0xAA, 0x40));
            Canvas c(b);
            c.setRop2(k.mode);
            c.setPen(makeColorRef(0x0F, 0x0F, 0x0F));
            c.rectangle(0, 0, 1, 1);
            QCOMPARE(raw(b, 0, 0), quint32(k.expected));
            QCOMPARE(raw(b, 1, 0), quint32(qRgba(0x33, 0x55, 0xAA, 0x40)));
        }
        // Codes outside 1..16 draw as the copy mode; rop2() answers what was set.
        Bitmap b = filled(1, 1, 24, 0x112233);
        Canvas c(b);
        c.setRop2(99);
        QCOMPARE(c.rop2(), 99);
        c.setPen(makeColorRef(1, 2, 3));
        c.rectangle(0, 0, 1, 1);
        QCOMPARE(c.pixel(0, 0), makeColorRef(1, 2, 3));
    }

    void shortColourTablesGrow()
    {
        // An 8-bit bitmap with four entries: white gives index 255, and the
        // table grows with black entries up to it.
        Bitmap b = filled(3, 1, 8, 1, {qRgb(10, 10, 10), qRgb(200, 0, 0), qRgb(0, 200, 0), qRgb(0, 0, 200)});
        Canvas c(b);
        c.setRop2(R2_WHITE);
        c.rectangle(0, 0, 1, 1);
        QCOMPARE(raw(b, 0, 0), quint32(255));
        QCOMPARE(b.image().colorCount(), 256);
        QCOMPARE(b.image().color(1), qRgb(200, 0, 0));
        QCOMPARE(b.image().color(4), qRgb(0, 0, 0));
        QCOMPARE(b.image().color(255), qRgb(0, 0, 0));
        QCOMPARE(c.pixel(0, 0), ColorRef(0));

        // 4 bits, two entries: inverting index 1 gives 14 (masked to 4 bits).
        Bitmap b4 = filled(2, 1, 4, 1, {qRgb(0, 0, 0), qRgb(255, 255, 255)});
        Canvas c4(b4);
        c4.setRop2(R2_NOT);
        c4.rectangle(0, 0, 1, 1);
        QCOMPARE(raw(b4, 0, 0), quint32(14));
        QCOMPARE(b4.image().colorCount(), 15);
        QCOMPARE(raw(b4, 1, 0), quint32(1));
        // An index inside the table leaves it as it was.
        Bitmap b8 = filled(2, 1, 8, 2, {qRgb(0, 0, 0), qRgb(1, 1, 1), qRgb(2, 2, 2), qRgb(3, 3, 3)});
        Canvas c8(b8);
        c8.setRop2(R2_XORPEN);
        c8.setPen(makeColorRef(1, 1, 1));
        c8.rectangle(0, 0, 2, 1);
        QCOMPARE(raw(b8, 0, 0), quint32(3));
        QCOMPARE(b8.image().colorCount(), 4);
    }

    void rectangleCoverage()
    {
        // Ring with the pen, inside with the brush, second corner uncovered.
        Bitmap b = filled(12, 12, 24, 0);
        Canvas c(b);
        c.setPen(makeColorRef(255, 0, 0));
        c.setBrush(makeColorRef(0, 255, 0));
        c.rectangle(2, 3, 7, 9);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 12; ++x) {
                const bool in = x >= 2 && x < 7 && y >= 3 && y < 9;
                const bool ring = in && (x == 2 || x == 6 || y == 3 || y == 8);
                const ColorRef want = !in ? 0 : ring ? makeColorRef(255, 0, 0) : makeColorRef(0, 255, 0);
                QCOMPARE(c.pixel(x, y), want);
            }
        // Swapped corners, no pen (all brush), no brush (ring only), empty boxes.
        const auto full = boxSet(2, 3, 7, 9);
        QCOMPARE(coverage(12, 12, [](Canvas& k) { k.rectangle(7, 9, 2, 3); }), full);
        QCOMPARE(coverage(12, 12, [](Canvas& k) { k.setPen(std::nullopt); k.rectangle(2, 3, 7, 9); }), full);
        QSet<QPoint> ring = full;
        ring.subtract(boxSet(3, 4, 6, 8));
        QCOMPARE(coverage(12, 12, [](Canvas& k) { k.setBrush(std::nullopt); k.rectangle(2, 3, 7, 9); }), ring);
        QVERIFY(coverage(12, 12, [](Canvas& k) { k.rectangle(4, 4, 4, 9); }).isEmpty());
        QVERIFY(coverage(12, 12, [](Canvas& k) { k.rectangle(4, 4, 9, 4); }).isEmpty());
        // The dab sizes: an s x s square covers exactly s * s pixels.
        for (int s : {1, 2, 3, 6, 9, 12})
            QCOMPARE(coverage(20, 20, [s](Canvas& k) { k.rectangle(3, 4, 3 + s, 4 + s); }), boxSet(3, 4, 3 + s, 4 + s));
        // Every pixel once: one inversion inverts the whole box, ring and inside.
        Bitmap n = filled(12, 12, 24, 0x123456);
        Canvas cn(n);
        cn.setRop2(R2_NOT);
        cn.rectangle(1, 1, 4, 11);
        cn.rectangle(6, 1, 8, 3);
        QCOMPARE(withValue(n, 0xEDCBA9), boxSet(1, 1, 4, 11) | boxSet(6, 1, 8, 3));
    }

    void lineCoversStartNotEnd()
    {
        auto lineSet = [](int x0, int y0, int x1, int y1) {
            return coverage(20, 20, [=](Canvas& k) { k.line(x0, y0, x1, y1); });
        };
        QCOMPARE(lineSet(2, 5, 8, 5), boxSet(2, 5, 8, 6));
        QCOMPARE(lineSet(8, 5, 2, 5), boxSet(3, 5, 9, 6));
        QCOMPARE(lineSet(4, 1, 4, 9), boxSet(4, 1, 5, 9));
        QCOMPARE(lineSet(4, 9, 4, 1), boxSet(4, 2, 5, 10));
        QSet<QPoint> diag;
        for (int i = 0; i < 5; ++i)
            diag.insert(QPoint(1 + i, 2 + i));
        QCOMPARE(lineSet(1, 2, 6, 7), diag);
        QVERIFY(lineSet(3, 3, 3, 3).isEmpty());
        // Steep and flat lines in all directions: one pixel per step of the
        // major axis, 8-connected, start in, end out.
        const std::array<QPoint, 8> ends = {QPoint(12, 17), QPoint(17, 12), QPoint(-2, 16), QPoint(19, 1),
                                            QPoint(1, -3), QPoint(-4, 3), QPoint(15, 10), QPoint(10, 19)};
        for (const QPoint e : ends) {
            const QPoint s(10, 10);
            const QSet<QPoint> px = lineSet(s.x(), s.y(), e.x(), e.y());
            QVERIFY(px.contains(s));
            QVERIFY(!px.contains(e));
            const int steps = std::max(std::abs(e.x() - s.x()), std::abs(e.y() - s.y()));
            int inside = 0; // steps that land inside the 20 x 20 bitmap
            for (int i = 0; i < steps; ++i) {
                const int x = s.x() + (e.x() - s.x()) * i / steps; // within a pixel of the line
                const int y = s.y() + (e.y() - s.y()) * i / steps;
                if (x >= 0 && y >= 0 && x < 20 && y < 20)
                    ++inside;
            }
            QCOMPARE(int(px.size()), inside);
            for (const QPoint q : px) {
                bool neighbour = q == s;
                for (const QPoint r : px)
                    if (r != q && std::abs(r.x() - q.x()) <= 1 && std::abs(r.y() - q.y()) <= 1)
                        neighbour = true;
                QVERIFY(neighbour);
                // Every pixel lies within half a pixel of the ideal line, along the minor axis.
                const long long cross = (long long)(q.x() - s.x()) * (e.y() - s.y()) - (long long)(q.y() - s.y()) * (e.x() - s.x());
                QVERIFY(2 * std::abs(cross) <= steps);
            }
        }
        // No pen, no line.
        QVERIFY(coverage(20, 20, [](Canvas& k) { k.setPen(std::nullopt); k.line(0, 0, 9, 9); }).isEmpty());
    }

    void ellipseCoverage()
    {
        // 3 x 3: all nine pixel centres lie inside the circle of radius 1.5.
        QCOMPARE(coverage(10, 10, [](Canvas& k) { k.ellipse(2, 2, 5, 5); }), boxSet(2, 2, 5, 5));
        // 12 x 12: row widths 4, 8, 10, 10, 12, 12, 12, 12, 10, 10, 8, 4 (the
        // doubled centre offsets X, Y in +-1, +-3, .., +-11 with X^2 + Y^2 <= 144).
        const QSet<QPoint> twelve = coverage(20, 20, [](Canvas& k) { k.ellipse(3, 4, 15, 16); });
        QCOMPARE(int(twelve.size()), 112);
        const std::array<int, 12> widths = {4, 8, 10, 10, 12, 12, 12, 12, 10, 10, 8, 4};
        for (int row = 0; row < 12; ++row) {
            const int w = widths[std::size_t(row)];
            QSet<QPoint> want;
            for (int x = 9 - w / 2; x < 9 + w / 2; ++x)
                want.insert(QPoint(x, 4 + row));
            QSet<QPoint> got;
            for (const QPoint p : twelve)
                if (p.y() == 4 + row)
                    got.insert(p);
            QCOMPARE(got, want);
        }
        // Boxes of odd and even sides: inside the box, symmetric, spanning the
        // full width and height, and the same pixels as the elliptic region.
        const std::array<QRect, 7> boxes = {QRect(1, 1, 1, 1), QRect(2, 3, 2, 5), QRect(0, 0, 7, 5), QRect(3, 2, 6, 6),
                                            QRect(1, 4, 17, 9), QRect(0, 0, 20, 3), QRect(5, 1, 4, 18)};
        for (const QRect& r : boxes) {
            const int l = r.left(), t = r.top(), rr = l + r.width(), bb = t + r.height();
            const QSet<QPoint> px = coverage(24, 24, [&](Canvas& k) { k.ellipse(l, t, rr, bb); });
            QVERIFY(!px.isEmpty());
            int minX = INT_MAX, maxX = INT_MIN, minY = INT_MAX, maxY = INT_MIN;
            for (const QPoint p : px) {
                QVERIFY(p.x() >= l && p.x() < rr && p.y() >= t && p.y() < bb);
                QVERIFY(px.contains(QPoint(l + rr - 1 - p.x(), p.y())));
                QVERIFY(px.contains(QPoint(p.x(), t + bb - 1 - p.y())));
                minX = std::min(minX, p.x());
                maxX = std::max(maxX, p.x());
                minY = std::min(minY, p.y());
                maxY = std::max(maxY, p.y());
            }
            QCOMPARE(QRect(QPoint(minX, minY), QPoint(maxX, maxY)), r);
            QCOMPARE(regionSet(Region::ellipse(l, t, rr, bb)), px);
            QCOMPARE(coverage(24, 24, [&](Canvas& k) { k.ellipse(rr, bb, l, t); }), px);
        }
        // Pen on the ring (pixels with a 4-neighbour outside), brush inside,
        // each pixel once.
        Bitmap b = filled(20, 20, 24, 0x000000);
        Canvas c(b);
        c.setPen(makeColorRef(255, 0, 0));
        c.setBrush(makeColorRef(0, 255, 0));
        c.ellipse(3, 4, 15, 16);
        for (const QPoint p : twelve) {
            bool edge = false;
            for (const QPoint d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)})
                edge = edge || !twelve.contains(p + d);
            QCOMPARE(c.pixel(p.x(), p.y()), edge ? makeColorRef(255, 0, 0) : makeColorRef(0, 255, 0));
        }
        Bitmap n = filled(20, 20, 24, 0x123456);
        Canvas cn(n);
        cn.setRop2(R2_NOT);
        cn.ellipse(3, 4, 15, 16);
        QCOMPARE(withValue(n, 0xEDCBA9), twelve);
        QVERIFY(coverage(10, 10, [](Canvas& k) { k.ellipse(2, 2, 2, 8); }).isEmpty());
    }

    void polygonFillAndOutline()
    {
        // A square polygon fills the pixels whose centres are inside.
        const std::vector<QPoint> square = {QPoint(2, 2), QPoint(6, 2), QPoint(6, 6), QPoint(2, 6)};
        QCOMPARE(coverage(10, 10, [&](Canvas& k) { k.setPen(std::nullopt); k.polygon(square); }), boxSet(2, 2, 6, 6));
        // The outline alone: each edge from its start up to its end.
        QSet<QPoint> outline = boxSet(2, 2, 7, 7);
        outline.subtract(boxSet(3, 3, 6, 6));
        QCOMPARE(coverage(10, 10, [&](Canvas& k) { k.setBrush(std::nullopt); k.polygon(square); }), outline);

        // The pentagram: even-odd leaves the middle pentagon empty.
        const std::vector<QPoint> pts = star(50, 50, 40);
        const QSet<QPoint> fill = coverage(100, 100, [&](Canvas& k) { k.setPen(std::nullopt); k.polygon(pts); });
        QVERIFY(!fill.contains(QPoint(50, 50)));
        QVERIFY(!fill.contains(QPoint(50, 55)));
        QVERIFY(fill.contains(QPoint(50, 15))); // top point
        QVERIFY(fill.contains(QPoint(80, 38))); // right point
        QVERIFY(fill.contains(QPoint(30, 75))); // lower left point
        QVERIFY(!fill.contains(QPoint(50, 5)));
        QCOMPARE(regionSet(Region::polygon(pts)), fill);

        // Outline over fill: under inversion every covered pixel flips once,
        // and the pixels are the union of the fill and the outline.
        const QSet<QPoint> line = coverage(100, 100, [&](Canvas& k) { k.setBrush(std::nullopt); k.polygon(pts); });
        Bitmap n = filled(100, 100, 24, 0x123456);
        Canvas cn(n);
        cn.setRop2(R2_NOT);
        cn.polygon(pts);
        QCOMPARE(withValue(n, 0xEDCBA9), fill | line);
        QCOMPARE(withValue(n, 0x123456).size() + (fill | line).size(), qsizetype(100 * 100));
        // And the outline pixels carry the pen, the rest of the fill the brush.
        Bitmap b = filled(100, 100, 24, 0);
        Canvas c(b);
        c.setPen(makeColorRef(255, 0, 0));
        c.setBrush(makeColorRef(0, 0, 255));
        c.polygon(pts);
        for (const QPoint p : fill | line)
            QCOMPARE(c.pixel(p.x(), p.y()), line.contains(p) ? makeColorRef(255, 0, 0) : makeColorRef(0, 0, 255));
        // Degenerate point lists draw nothing and do not fail.
        QVERIFY(coverage(10, 10, [](Canvas& k) { k.polygon({}); }).isEmpty());
        const std::vector<QPoint> one = {QPoint(3, 3)};
        QVERIFY(coverage(10, 10, [&](Canvas& k) { k.polygon(one); }).isEmpty());
    }

    void scaledDrawingIsTheUnscaledEnlarged()
    {
        for (int f : {2, 3, 5}) {
            // A patterned 24 x 20 bitmap and its enlargement by f, drawn on with
            // an exclusive-or pen so that both the coverage and the mixing show.
            const Bitmap small0 = noise24(24, 20, 7);
            Bitmap small = small0;
            Bitmap big = Bitmap::create(24 * f, 20 * f, 24);
            for (int y = 0; y < 20 * f; ++y)
                for (int x = 0; x < 24 * f; ++x)
                    setRaw(big, x, y, raw(small0, x / f, y / f));
            Canvas cs(small), cb(big);
            cb.setViewportExtent(100 * f);
            QCOMPARE(cb.scaleFactor(), f);
            const std::vector<QPoint> pts = star(12, 10, 9);
            for (Canvas* c : {&cs, &cb}) {
                c->setRop2(R2_XORPEN);
                c->setPen(makeColorRef(0xF0, 0x0F, 0x55));
                c->setBrush(makeColorRef(0x0F, 0xF0, 0xAA));
                c->rectangle(1, 1, 9, 7);
                c->ellipse(10, 2, 22, 11);
                c->line(0, 19, 23, 12);
                c->line(3, 0, 5, 19);
                c->polygon(pts);
                c->rectangle(-3, 15, 4, 30); // partly outside
            }
            for (int y = 0; y < 20 * f; ++y)
                for (int x = 0; x < 24 * f; ++x)
                    QCOMPARE(raw(big, x, y), raw(small, x / f, y / f));
            QVERIFY(small != small0);
            // Get and set pixel act on the one device pixel at the mapped point.
            QCOMPARE(cb.pixel(3, 4), imaging::rgbToColorRef(big.pixelRgb(3 * f, 4 * f)));
            const Bitmap before = big;
            cb.setPixel(3, 4, makeColorRef(1, 2, 3));
            QCOMPARE(differing(before, big), QSet<QPoint>{QPoint(3 * f, 4 * f)});
        }
        // Extents are clamped to 1..8.
        Bitmap b = filled(2, 2, 24, 0);
        Canvas c(b);
        c.setViewportExtent(5000);
        QCOMPARE(c.scaleFactor(), 8);
        c.setViewportExtent(20);
        QCOMPARE(c.scaleFactor(), 1);
    }

    void edgesAreClippedSilently()
    {
        // Shapes across every edge of a 10 x 10 bitmap.
        Bitmap b = filled(10, 10, 24, 0);
        Canvas c(b);
        c.setPen(makeColorRef(255, 0, 0));
        c.setBrush(makeColorRef(0, 0, 255));
        c.rectangle(-5, -5, 3, 3);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 3; ++x)
                QCOMPARE(c.pixel(x, y), (x == 2 || y == 2) ? makeColorRef(255, 0, 0) : makeColorRef(0, 0, 255));
        QCOMPARE(c.pixel(3, 0), ColorRef(0));
        c.rectangle(8, 8, 20, 20);
        QCOMPARE(c.pixel(8, 8), makeColorRef(255, 0, 0));
        QCOMPARE(c.pixel(9, 9), makeColorRef(0, 0, 255));
        QCOMPARE(c.pixel(10, 10), kInvalidColor);
        QCOMPARE(c.pixel(-1, 0), kInvalidColor);
        c.setPixel(-1, 0, 0xFFFFFF);
        c.setPixel(10, 3, 0xFFFFFF);
        // Far away and huge coordinates: nothing, or only the visible part.
        Bitmap z = filled(10, 10, 24, 0);
        Canvas cz(z);
        cz.setPen(makeColorRef(255, 255, 255));
        cz.rectangle(100, 100, 200, 200);
        cz.ellipse(-300, -300, -100, -100);
        cz.line(INT_MIN / 2, 5, INT_MIN / 2 + 5, 5);
        QCOMPARE(differing(filled(10, 10, 24, 0), z).size(), qsizetype(0));
        cz.setBrush(std::nullopt);
        cz.line(-1000000000, -1000000000, 1000000000, 1000000000);
        QSet<QPoint> diag;
        for (int i = 0; i < 10; ++i)
            diag.insert(QPoint(i, i));
        QCOMPARE(differing(filled(10, 10, 24, 0), z), diag);
        cz.ellipse(INT_MIN, INT_MIN, INT_MAX, INT_MAX); // a huge ring passing far away
        QCOMPARE(differing(filled(10, 10, 24, 0), z), diag);
        cz.setBrush(makeColorRef(0, 9, 0));
        cz.ellipse(-2000000000, -2000000000, 2000000000, 2000000000); // the inside covers all
        QCOMPARE(cz.pixel(0, 0), makeColorRef(0, 9, 0));
        QCOMPARE(cz.pixel(9, 9), makeColorRef(0, 9, 0));
        const std::vector<QPoint> hugePoly = {QPoint(-2000000000, -2000000000), QPoint(2000000000, -2000000000),
                                              QPoint(0, 2000000000)};
        cz.setBrush(makeColorRef(0, 0, 7));
        cz.polygon(hugePoly);
        QCOMPARE(cz.pixel(5, 5), makeColorRef(0, 0, 7));

        // A device origin moves the bitmap: device (5, 5) is bitmap (0, 0).
        const QSet<QPoint> shifted = coverage(10, 10, [](Canvas& k) { k.rectangle(3, 3, 8, 6); }, QPoint(5, 5));
        QCOMPARE(shifted, boxSet(0, 0, 3, 1));
        Bitmap o = filled(4, 4, 24, 0x0000FF);
        Canvas co(o, QPoint(-2, 1));
        QCOMPARE(co.deviceBounds(), QRect(-2, 1, 4, 4));
        QCOMPARE(co.pixel(-2, 1), makeColorRef(255, 0, 0));
        QCOMPARE(co.pixel(-3, 1), kInvalidColor);
        QCOMPARE(co.pixel(2, 1), kInvalidColor);
    }

    void clipRegionLimitsShapes()
    {
        Bitmap b = filled(30, 30, 24, 0);
        Canvas c(b, QPoint(10, 0));
        c.setClip(Region::ellipse(12, 2, 32, 22));
        QVERIFY(c.clip());
        c.setBrush(makeColorRef(0, 255, 0));
        c.rectangle(0, 0, 60, 60);
        c.setPixel(10, 0, 0xFFFFFF); // outside the clip
        c.line(10, 29, 39, 29);
        Region shifted = Region::ellipse(12, 2, 32, 22);
        shifted.translate(-10, 0);
        QCOMPARE(differing(filled(30, 30, 24, 0), b), regionSet(shifted));
        c.clearClip();
        QVERIFY(!c.clip());
        c.setPixel(10, 0, 0xFFFFFF);
        QCOMPARE(raw(b, 0, 0), quint32(0xFFFFFF));
        // An empty clip lets nothing through.
        c.setClip(Region());
        c.setRop2(R2_NOT);
        c.rectangle(0, 0, 60, 60);
        QCOMPARE(raw(b, 0, 0), quint32(0xFFFFFF));
        QCOMPARE(c.takeDirty().isEmpty(), false); // from the writes above
        QCOMPARE(c.takeDirty(), QRect());
    }

    void dirtyRectangleAndState()
    {
        Bitmap b = filled(40, 40, 24, 0);
        Canvas c(b, QPoint(-10, -10));
        QCOMPARE(c.takeDirty(), QRect());
        c.rectangle(0, 0, 5, 5);
        c.line(-20, 12, 3, 12);
        QCOMPARE(c.takeDirty(), QRect(-10, 0, 15, 13));
        QCOMPARE(c.takeDirty(), QRect());
        c.setViewportExtent(300);
        c.setPixel(2, 2, 0xFF);
        QCOMPARE(c.takeDirty(), QRect(6, 6, 1, 1));

        c.setRop2(R2_XORPEN);
        c.setPen(makeColorRef(1, 2, 3));
        c.setBrush(std::nullopt);
        {
            CanvasState keep(c);
            c.setRop2(R2_NOT);
            c.setViewportExtent(100);
            c.setPen(std::nullopt);
            c.setBrush(makeColorRef(9, 9, 9));
        }
        QCOMPARE(c.rop2(), int(R2_XORPEN));
        QCOMPARE(c.scaleFactor(), 3);
        QCOMPARE(c.pen(), std::optional<ColorRef>(makeColorRef(1, 2, 3)));
        QCOMPARE(c.brush(), std::optional<ColorRef>());
    }

    void regions()
    {
        const Region r = Region::rectangle(7, 9, 2, 3);
        QCOMPARE(r.bounds(), QRect(2, 3, 5, 6));
        QCOMPARE(r.pixelCount(), 30LL);
        QVERIFY(r.contains(2, 3));
        QVERIFY(r.contains(6, 8));
        QVERIFY(!r.contains(7, 8));
        QVERIFY(!r.contains(6, 9));
        QVERIFY(!r.contains(1, 5));
        QVERIFY(r.row(2).empty());
        QCOMPARE(int(r.row(4).size()), 1);
        QVERIFY(Region::rectangle(3, 3, 3, 9).isEmpty());
        QCOMPARE(Region().bounds(), QRect());
        QVERIFY(!Region().contains(0, 0));
        QCOMPARE(Region().pixelCount(), 0LL);

        // A polygon with two separate parts in one row, and a row with none.
        const std::vector<QPoint> twoParts = {QPoint(0, 0), QPoint(10, 0), QPoint(10, 10), QPoint(6, 10),
                                              QPoint(6, 4), QPoint(4, 4), QPoint(4, 10), QPoint(0, 10)};
        Region p = Region::polygon(twoParts);
        QCOMPARE(p.bounds(), QRect(0, 0, 10, 10));
        QCOMPARE(int(p.row(7).size()), 2);
        QCOMPARE(p.row(7)[0].left, 0);
        QCOMPARE(p.row(7)[0].right, 4);
        QCOMPARE(p.row(7)[1].left, 6);
        QCOMPARE(p.row(7)[1].right, 10);
        QCOMPARE(int(p.row(2).size()), 1);
        QCOMPARE(p.pixelCount(), 100LL - 12);
        QVERIFY(!p.contains(5, 6));
        QVERIFY(p.contains(5, 3));
        p.translate(-3, 5);
        QCOMPARE(p.bounds(), QRect(-3, 5, 10, 10));
        QVERIFY(p.contains(-3, 5));
        QVERIFY(!p.contains(2, 11));
        QCOMPARE(p.pixelCount(), 88LL);
        // Fewer than three points, or all on one row: empty.
        QVERIFY(Region::polygon(std::vector<QPoint>{QPoint(1, 1), QPoint(5, 5)}).isEmpty());
        QVERIFY(Region::polygon(std::vector<QPoint>{QPoint(1, 1), QPoint(5, 1), QPoint(9, 1)}).isEmpty());
        // A thin ellipse loses the rows no pixel centre reaches.
        const Region thin = Region::ellipse(0, 0, 2, 100);
        QVERIFY(thin.bounds().top() > 0);
        QCOMPARE(thin.bounds().top() + thin.bounds().height(), 100 - thin.bounds().top());

        // Coordinates at the ends of int: the region keeps the rows and
        // columns within its limit, and is still usable as a clip.
        {
            const int k = Region::kLimit;
            const Region all = Region::rectangle(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
            QCOMPARE(all.bounds(), QRect(-k, -k, 2 * k, 2 * k));
            QVERIFY(all.contains(0, 0));
            const Region round = Region::ellipse(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
            QCOMPARE(round.rowCount(), 2 * k);
            QVERIFY(round.contains(-5, 7));
            const std::vector<QPoint> tri = {QPoint(INT_MIN, INT_MIN), QPoint(INT_MAX, INT_MIN), QPoint(0, INT_MAX)};
            const Region wide = Region::polygon(tri);
            QVERIFY(wide.contains(0, 0));
            QVERIFY(wide.bounds().left() >= -k && wide.bounds().top() + wide.bounds().height() <= k);
            Bitmap b = filled(4, 4, 24, 0);
            Canvas c(b);
            c.setClip(wide);
            c.rectangle(0, 0, 4, 4);
            QCOMPARE(c.pixel(1, 2), ColorRef(0xFFFFFF));
        }

        // Large regions are cheap to build.
        QElapsedTimer timer;
        timer.start();
        const Region big = Region::rectangle(0, 0, 24000, 24000);
        const Region bigEllipse = Region::ellipse(0, 0, 24000, 24000);
        const qint64 ms = timer.elapsed();
        qInfo("24000 x 24000 rectangle and ellipse regions: %lld ms", ms);
        QCOMPARE(big.pixelCount(), 24000LL * 24000LL);
        QCOMPARE(bigEllipse.bounds(), QRect(0, 0, 24000, 24000));
        QVERIFY(ms < 500);
    }

    void copyBackOperations()
    {
        const std::array<std::uint32_t, 17> want = {SRCPAINT,  SRCPAINT, NOTSRCERASE, SRCPAINT,  NOTSRCCOPY, SRCERASE,
                                                    SRCPAINT,  SRCINVERT, SRCAND,     MERGECOPY, DSTINVERT,  SRCPAINT,
                                                    DSTINVERT, SRCCOPY,  MERGEPAINT,  SRCPAINT,  SRCPAINT};
        for (int mode = 0; mode <= 16; ++mode)
            QCOMPARE(copyBackOperation(mode), want[std::size_t(mode)]);
        QCOMPARE(copyBackOperation(-4), SRCPAINT);
    }
};

QTEST_GUILESS_MAIN(TestRaster)
#include "test_raster.moc"
