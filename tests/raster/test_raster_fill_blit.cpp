// Flood fill (bounds, 4-connectivity, refusals, agreement with a plain
// breadth-first fill on random pictures, large surfaces) and block transfers
// (the ten operations at 1, 4, 8 and 24 bits with results worked out by hand,
// depth conversions, clipping by regions and by both bitmaps' edges).

#include "raster/Canvas.h"
#include "raster/Region.h"

#include "RasterTestSupport.h"

#include <QElapsedTimer>
#include <QTest>

#include <array>
#include <deque>

using namespace ardane;
using namespace ardane::raster;
using namespace rastertest;
using ardane::imaging::Bitmap;

namespace {

// Reference fill: breadth first over 4-neighbours of equal stored value,
// inside the clip (device coordinates) when there is one.
QSet<QPoint> referenceFill(const Bitmap& b, QPoint start, const Region* clip, QPoint origin, quint32 mask)
{
    QSet<QPoint> seen;
    const quint32 v = raw(b, start.x(), start.y()) & mask;
    std::deque<QPoint> queue{start};
    seen.insert(start);
    while (!queue.empty()) {
        const QPoint p = queue.front();
        queue.pop_front();
        for (const QPoint d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
            const QPoint q = p + d;
            if (q.x() < 0 || q.y() < 0 || q.x() >= b.width() || q.y() >= b.height() || seen.contains(q))
                continue;
            if ((raw(b, q.x(), q.y()) & mask) != v)
                continue;
            if (clip && !clip->contains(q.x() + origin.x(), q.y() + origin.y()))
                continue;
            seen.insert(q);
            queue.push_back(q);
        }
    }
    return seen;
}

// Two-valued random picture: `a` with probability 55 %, else `b`.
Bitmap speckled(int w, int h, int bits, quint32 a, quint32 b, quint32 seed, const std::vector<QRgb>& palette = {})
{
    Bitmap bm = Bitmap::create(w, h, bits, palette);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            setRaw(bm, x, y, (seed >> 16) % 100 < 55 ? a : b);
        }
    return bm;
}

struct BlitCase {
    std::uint32_t rop;
    int red, green, blue; // 24 bits: the three channels below
    int index4;           // 4-bit grey ramp
    std::array<int, 4> oneBit; // 1 bit, white pattern, (S, D) = 00, 01, 10, 11
};

// Per channel: red P 0xF0, S 0xCC, D 0xAA (the result is the truth table);
// green P 0x0F, S 0x3C, D 0x5A; blue P 0x55, S 0x00, D 0xFF.
const std::array<BlitCase, 10> kBlits = {{
    {NOTSRCERASE, 0x11, 0x81, 0x00, 1, {1, 0, 0, 0}},
    {NOTSRCCOPY, 0x33, 0xC3, 0xFF, 3, {1, 1, 0, 0}},
    {SRCERASE, 0x44, 0x24, 0x00, 4, {0, 0, 1, 0}},
    {SRCINVERT, 0x66, 0x66, 0xFF, 6, {0, 1, 1, 0}},
    {SRCAND, 0x88, 0x18, 0x00, 8, {0, 0, 0, 1}},
    {MERGECOPY, 0xC0, 0x0C, 0x00, 11, {0, 0, 1, 1}},
    {DSTINVERT, 0x55, 0xA5, 0x00, 5, {1, 0, 1, 0}},
    {SRCCOPY, 0xCC, 0x3C, 0x00, 12, {0, 0, 1, 1}},
    {MERGEPAINT, 0xBB, 0xDB, 0xFF, 11, {1, 1, 0, 1}},
    {SRCPAINT, 0xEE, 0x7E, 0xFF, 14, {0, 1, 1, 1}},
}};

} // namespace

class TestRasterFillBlit : public QObject {
    Q_OBJECT

private slots:
    void floodFillBoundedRegion()
    {
        Bitmap b = filled(20, 20, 24, 0xFFFFFF);
        Canvas c(b);
        c.setPen(ColorRef(0));
        c.setBrush(std::nullopt);
        c.rectangle(5, 5, 15, 15);
        c.setBrush(makeColorRef(255, 0, 0));
        (void)c.takeDirty();
        QVERIFY(c.floodFill(10, 10, 0xFFFFFF));
        QCOMPARE(c.takeDirty(), QRect(6, 6, 8, 8));
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                const bool in = x >= 5 && x < 15 && y >= 5 && y < 15;
                const bool ring = in && (x == 5 || x == 14 || y == 5 || y == 14);
                QCOMPARE(c.pixel(x, y), !in ? ColorRef(0xFFFFFF) : ring ? ColorRef(0) : makeColorRef(255, 0, 0));
            }
        // The outside is one surface around the frame; the inside stays.
        c.setBrush(makeColorRef(0, 0, 255));
        QVERIFY(c.floodFill(0, 19, 0xFFFFFF));
        QCOMPARE(c.pixel(19, 0), makeColorRef(0, 0, 255));
        QCOMPARE(c.pixel(10, 10), makeColorRef(255, 0, 0));
        QCOMPARE(c.pixel(5, 5), ColorRef(0));
    }

    void floodFillIsFourConnected()
    {
        Bitmap b = filled(5, 5, 24, 0);
        setRaw(b, 1, 1, 0xFFFFFF);
        setRaw(b, 2, 2, 0xFFFFFF);
        setRaw(b, 1, 2, 0x000001); // nearly black is not black
        Canvas c(b);
        c.setBrush(makeColorRef(0, 255, 0));
        QVERIFY(c.floodFill(1, 1, 0xFFFFFF));
        QCOMPARE(c.pixel(1, 1), makeColorRef(0, 255, 0));
        QCOMPARE(c.pixel(2, 2), ColorRef(0xFFFFFF));
        QVERIFY(c.floodFill(0, 0, 0));
        QCOMPARE(c.pixel(1, 2), makeColorRef(1, 0, 0));
        QCOMPARE(c.pixel(4, 4), makeColorRef(0, 255, 0));
    }

    void floodFillRefusals()
    {
        const Bitmap original = speckled(16, 16, 24, 0x102030, 0x405060, 3);
        Bitmap b = original;
        Canvas c(b);
        c.setBrush(makeColorRef(1, 2, 3));
        const ColorRef a = makeColorRef(0x30, 0x20, 0x10);
        QPoint other(-1, -1); // a pixel not of colour a
        for (int y = 0; y < 16 && other.x() < 0; ++y)
            for (int x = 0; x < 16; ++x)
                if (raw(b, x, y) != 0x102030u) {
                    other = QPoint(x, y);
                    break;
                }
        QVERIFY(other.x() >= 0);
        QVERIFY(!c.floodFill(other.x(), other.y(), a));
        QVERIFY(!c.floodFill(-1, 3, a));
        QVERIFY(!c.floodFill(3, 16, a));
        QVERIFY(b == original);
        // The brush already being the surface's colour: nothing to do.
        c.setBrush(ColorRef(0x102030));
        QPoint same(-1, -1);
        for (int y = 0; y < 16 && same.x() < 0; ++y)
            for (int x = 0; x < 16; ++x)
                if (raw(b, x, y) == 0x102030u) {
                    same = QPoint(x, y);
                    break;
                }
        QVERIFY(c.floodFill(same.x(), same.y(), ColorRef(0x102030)));
        QVERIFY(b == original);
        QCOMPARE(c.takeDirty(), QRect());
        // No brush: nothing can be filled.
        c.setBrush(std::nullopt);
        QVERIFY(!c.floodFill(same.x(), same.y(), ColorRef(0x102030)));
        // A refused fill leaves shared pixels shared.
        QCOMPARE(b.image().constBits(), original.image().constBits());
        // Outside the clip: refused.
        c.setBrush(makeColorRef(9, 9, 9));
        c.setClip(Region::rectangle(8, 8, 16, 16));
        if (same.x() < 8 || same.y() < 8) {
            QVERIFY(!c.floodFill(same.x(), same.y(), ColorRef(0x102030)));
            QVERIFY(b == original);
        }
    }

    void floodFillMatchesReference_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<bool>("clipped");
        for (int bits : {8, 16, 24, 32})
            for (bool clipped : {false, true})
                QTest::addRow("%d bits%s", bits, clipped ? ", clipped" : "") << bits << clipped;
    }

    void floodFillMatchesReference()
    {
        QFETCH(int, bits);
        QFETCH(bool, clipped);
        // Two values per depth and the colours that name them.
        quint32 a = 0, other = 0, mask = 0xFFFFFFFFu;
        ColorRef surface = 0;
        std::vector<QRgb> palette;
        switch (bits) {
        case 8:
            palette = {qRgb(0, 0, 0), qRgb(200, 10, 10), qRgb(10, 200, 10), qRgb(10, 10, 200)};
            a = 1;
            other = 3;
            surface = makeColorRef(190, 20, 0); // nearest entry 1
            break;
        case 16:
            a = (20u << 10) | (8u << 5) | 3u;
            other = 0x7FFF;
            surface = makeColorRef(20 * 8 + 5, 8 * 8 + 7, 3 * 8); // same 5-bit values
            break;
        case 24:
            a = 0x336699;
            other = 0x336698;
            surface = 0x336699;
            break;
        case 32:
            a = qRgba(0x10, 0x20, 0x30, 0x80);
            other = qRgba(0x10, 0x20, 0x31, 0x80);
            surface = makeColorRef(0x10, 0x20, 0x30);
            mask = 0xFFFFFFu; // alpha does not take part
            break;
        }
        for (quint32 seed : {11u, 12u, 13u}) {
            Bitmap b = speckled(64, 48, bits, a, other, seed, palette);
            if (bits == 32) // vary alpha: pixels of the surface colour still match
                for (int x = 0; x < 64; x += 3)
                    if (raw(b, x, 5) == a)
                        setRaw(b, x, 5, (a & 0xFFFFFFu) | 0x11000000u);
            const Bitmap before = b;
            const QPoint origin(7, -4);
            Canvas c(b, origin);
            const Region clip = Region::ellipse(0, -10, 70, 40);
            if (clipped)
                c.setClip(clip);
            c.setBrush(makeColorRef(10, 200, 10));
            // Start at the first pixel of the surface inside the clip.
            QPoint start(-1, -1);
            for (int y = 10; y < 48 && start.x() < 0; ++y)
                for (int x = 20; x < 64; ++x)
                    if (raw(b, x, y) == a && (!clipped || clip.contains(x + origin.x(), y + origin.y()))) {
                        start = QPoint(x, y);
                        break;
                    }
            QVERIFY(start.x() >= 0);
            const QSet<QPoint> want = referenceFill(before, start, clipped ? &clip : nullptr, origin, mask);
            QVERIFY(c.floodFill(start.x() + origin.x(), start.y() + origin.y(), surface));
            QCOMPARE(differing(before, b), want);
            for (const QPoint p : want)
                QCOMPARE(c.pixel(p.x() + origin.x(), p.y() + origin.y()),
                         bits == 16 ? makeColorRef(8, 206, 8) : makeColorRef(10, 200, 10));
            if (bits == 32)
                QCOMPARE(raw(b, start.x(), start.y()) >> 24, 0xFFu);
        }
    }

    void floodFillLargeSurfaces()
    {
        // 12 megapixels of one colour.
        Bitmap b = filled(4000, 3000, 24, 0x808080);
        Canvas c(b);
        c.setBrush(makeColorRef(1, 2, 3));
        QElapsedTimer timer;
        timer.start();
        QVERIFY(c.floodFill(1234, 2345, 0x808080));
        const qint64 ms = timer.elapsed();
        qInfo("flood fill of 4000 x 3000 at 24 bits: %lld ms", ms);
        std::vector<uchar> row(4000 * 3);
        for (int x = 0; x < 4000; ++x) {
            row[std::size_t(3 * x)] = 1;
            row[std::size_t(3 * x + 1)] = 2;
            row[std::size_t(3 * x + 2)] = 3;
        }
        for (int y = 0; y < 3000; ++y)
            QVERIFY(std::memcmp(b.image().constScanLine(y), row.data(), row.size()) == 0);
        QCOMPARE(c.takeDirty(), QRect(0, 0, 4000, 3000));

        // A serpentine corridor: walls every other column, open at alternate
        // ends, so the fill turns a thousand times.
        Bitmap s = filled(2001, 1000, 8, 0, {qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(255, 0, 0)});
        for (int x = 1; x < 2001; x += 2)
            for (int y = 0; y < 1000; ++y)
                if (!((x / 2) % 2 == 0 ? y == 999 : y == 0))
                    setRaw(s, x, y, 1);
        Canvas cs(s);
        cs.setBrush(makeColorRef(255, 0, 0));
        QVERIFY(cs.floodFill(0, 0, 0));
        for (int x = 0; x < 2001; x += 2)
            for (int y = 0; y < 1000; y += 37)
                QCOMPARE(raw(s, x, y), quint32(2));
        QCOMPARE(raw(s, 1999, 0), quint32(2)); // the last opening
        QCOMPARE(raw(s, 1999, 500), quint32(1));
    }

    void blitOperationsAt24Bits()
    {
        for (const BlitCase& k : kBlits) {
            Bitmap src = filled(3, 2, 24, makeColorRef(0xCC, 0x3C, 0x00));
            Bitmap dst = filled(4, 3, 24, makeColorRef(0xAA, 0x5A, 0xFF));
            Canvas cs(src), cd(dst);
            cd.setBrush(makeColorRef(0xF0, 0x0F, 0x55));
            cd.bitBlt(1, 1, 3, 2, cs, 0, 0, k.rop);
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 4; ++x)
                    QCOMPARE(cd.pixel(x, y), (x >= 1 && y >= 1) ? makeColorRef(k.red, k.green, k.blue)
                                                                : makeColorRef(0xAA, 0x5A, 0xFF));
            QCOMPARE(cd.takeDirty(), QRect(1, 1, 3, 2));
        }
    }

    void blitOperationsOnIndexedBitmaps()
    {
        for (const BlitCase& k : kBlits) {
            // 8-bit grey ramps: with grey pattern, source and destination the
            // result is the red column, an exact index.
            Bitmap s8 = filled(2, 1, 8, 0xCC, greys(8));
            Bitmap d8 = filled(3, 1, 8, 0xAA, greys(8));
            Canvas cs8(s8), cd8(d8);
            cd8.setBrush(makeColorRef(0xF0, 0xF0, 0xF0));
            cd8.bitBlt(0, 0, 2, 1, cs8, 0, 0, k.rop);
            QCOMPARE(raw(d8, 0, 0), quint32(k.red));
            QCOMPARE(raw(d8, 1, 0), quint32(k.red));
            QCOMPARE(raw(d8, 2, 0), quint32(0xAA));

            // 4-bit grey ramps (17 apart): source 12, destination 10, the
            // result being the nearest grey to the red column.
            Bitmap s4 = filled(2, 1, 4, 12, greys(4));
            Bitmap d4 = filled(2, 1, 4, 10, greys(4));
            Canvas cs4(s4), cd4(d4);
            cd4.setBrush(makeColorRef(0xF0, 0xF0, 0xF0));
            cd4.bitBlt(1, 0, 1, 1, cs4, 0, 0, k.rop);
            QCOMPARE(raw(d4, 1, 0), quint32(k.index4));
            QCOMPARE(raw(d4, 0, 0), quint32(10));

            // 1 bit, black and white: the four source/destination pairs.
            const std::vector<QRgb> bw = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
            Bitmap s1 = filled(4, 1, 1, 0, bw);
            Bitmap d1 = filled(4, 1, 1, 0, bw);
            setRaw(s1, 2, 0, 1);
            setRaw(s1, 3, 0, 1);
            setRaw(d1, 1, 0, 1);
            setRaw(d1, 3, 0, 1);
            Canvas cs1(s1), cd1(d1);
            cd1.setBrush(std::nullopt); // the pattern is then white
            cd1.bitBlt(0, 0, 4, 1, cs1, 0, 0, k.rop);
            for (int x = 0; x < 4; ++x)
                QCOMPARE(raw(d1, x, 0), quint32(k.oneBit[std::size_t(x)]));
        }
        // A black pattern empties the merge copy.
        const std::vector<QRgb> bw = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
        Bitmap s1 = filled(2, 1, 1, 1, bw), d1 = filled(2, 1, 1, 1, bw);
        Canvas cs1(s1), cd1(d1);
        cd1.setBrush(ColorRef(0));
        cd1.bitBlt(0, 0, 2, 1, cs1, 0, 0, MERGECOPY);
        QCOMPARE(raw(d1, 0, 0), 0u);
        QCOMPARE(raw(d1, 1, 0), 0u);
    }

    void blitConvertsDepths()
    {
        // 24 -> 16: top five bits of each channel.
        Bitmap s24 = filled(2, 2, 24, makeColorRef(0xFF, 0x87, 0x0F));
        Bitmap d16 = filled(2, 2, 16, 0);
        Canvas c24(s24), c16(d16);
        c16.bitBlt(0, 0, 2, 2, c24, 0, 0, SRCCOPY);
        QCOMPARE(raw(d16, 1, 1), (31u << 10) | (16u << 5) | 1u);
        // 8-bit palette colours into 24 bits, and through an inversion.
        Bitmap s8 = filled(2, 1, 8, 2, {qRgb(0, 0, 0), qRgb(1, 1, 1), qRgb(0x12, 0x34, 0x56)});
        Bitmap d24 = filled(2, 1, 24, makeColorRef(0xFF, 0x00, 0x0F));
        Canvas c8(s8), cd24(d24);
        cd24.bitBlt(0, 0, 1, 1, c8, 0, 0, SRCCOPY);
        cd24.bitBlt(1, 0, 1, 1, c8, 0, 0, SRCINVERT);
        QCOMPARE(cd24.pixel(0, 0), makeColorRef(0x12, 0x34, 0x56));
        QCOMPARE(cd24.pixel(1, 0), makeColorRef(0xED, 0x34, 0x59));
        // 24 bits into 1 bit: nearest of black and white.
        Bitmap grey = filled(3, 1, 24, makeColorRef(200, 200, 200));
        setRaw(grey, 1, 0, makeColorRef(40, 60, 50));
        Bitmap d1 = filled(3, 1, 1, 0, {qRgb(0, 0, 0), qRgb(255, 255, 255)});
        Canvas cg(grey), cd1(d1);
        cd1.bitBlt(0, 0, 3, 1, cg, 0, 0, SRCCOPY);
        QCOMPARE(raw(d1, 0, 0), 1u);
        QCOMPARE(raw(d1, 1, 0), 0u);
        // Indexed copies between different palettes map colour to colour.
        Bitmap s4 = filled(2, 1, 4, 1, {qRgb(0, 0, 0), qRgb(250, 0, 0), qRgb(0, 250, 0)});
        setRaw(s4, 1, 0, 2);
        Bitmap d8 = filled(2, 1, 8, 0, {qRgb(0, 255, 0), qRgb(0, 0, 0), qRgb(255, 0, 0)});
        Canvas c4(s4), cd8(d8);
        cd8.bitBlt(0, 0, 2, 1, c4, 0, 0, SRCCOPY);
        QCOMPARE(raw(d8, 0, 0), 2u);
        QCOMPARE(raw(d8, 1, 0), 0u);
        // 32 -> 32 copy keeps alpha; any other operation writes opaque pixels.
        Bitmap s32 = filled(2, 1, 32, qRgba(1, 2, 3, 0x40));
        Bitmap d32 = filled(2, 1, 32, qRgba(0xF0, 0xF0, 0xF0, 0x80));
        Canvas cs32(s32), cd32(d32);
        cd32.bitBlt(0, 0, 1, 1, cs32, 0, 0, SRCCOPY);
        cd32.bitBlt(1, 0, 1, 1, cs32, 0, 0, SRCPAINT);
        QCOMPARE(raw(d32, 0, 0), quint32(qRgba(1, 2, 3, 0x40)));
        QCOMPARE(raw(d32, 1, 0), quint32(qRgba(0xF1, 0xF2, 0xF3, 0xFF)));
        // 16 -> 32 widens 5 bits to 8.
        Bitmap s16 = filled(1, 1, 16, (31u << 10) | (1u << 5));
        Canvas c16s(s16);
        cd32.bitBlt(0, 0, 1, 1, c16s, 0, 0, SRCCOPY);
        QCOMPARE(raw(d32, 0, 0), quint32(qRgba(255, 8, 0, 255)));
    }

    void blitThroughRegions_data()
    {
        QTest::addColumn<int>("shape");
        QTest::addColumn<int>("bits");
        for (int bits : {8, 24})
            for (int shape = 0; shape < 3; ++shape)
                QTest::addRow("%s, %d bits", shape == 0 ? "rectangle" : shape == 1 ? "ellipse" : "polygon", bits)
                    << shape << bits;
    }

    void blitThroughRegions()
    {
        QFETCH(int, shape);
        QFETCH(int, bits);
        const QPoint origin(3, 2); // destination device origin
        const std::vector<QPoint> pts = {QPoint(5, 3), QPoint(38, 10), QPoint(12, 30), QPoint(30, 30), QPoint(4, 12)};
        const Region clip = shape == 0   ? Region::rectangle(8, 6, 30, 25)
                            : shape == 1 ? Region::ellipse(4, 3, 41, 31)
                                         : Region::polygon(pts);
        Bitmap src, before;
        if (bits == 24) {
            src = noise24(40, 30, 5);
            before = noise24(40, 30, 6);
        } else {
            src = speckled(40, 30, 8, 7, 200, 5);
            before = speckled(40, 30, 8, 100, 50, 6);
        }
        for (std::uint32_t rop : {SRCCOPY, SRCINVERT}) {
            Bitmap dst = before;
            Canvas cs(src), cd(dst, origin);
            cd.setClip(clip);
            cd.bitBlt(origin.x(), origin.y(), 40, 30, cs, 0, 0, rop);
            int inside = 0;
            for (int y = 0; y < 30; ++y)
                for (int x = 0; x < 40; ++x) {
                    const quint32 d = raw(before, x, y), s = raw(src, x, y);
                    const bool in = clip.contains(x + origin.x(), y + origin.y());
                    inside += in;
                    // On the 8-bit grey ramp an exclusive-or of greys is the
                    // exclusive-or of indices.
                    const quint32 want = !in ? d : rop == SRCCOPY ? s : (s ^ d);
                    QCOMPARE(raw(dst, x, y), want);
                }
            QVERIFY(inside > 100);
            QVERIFY(inside < 40 * 30);
        }
    }

    void blitClipsAtBothBitmaps()
    {
        Bitmap src = noise24(10, 10, 21);
        const Bitmap before = noise24(20, 20, 22);
        Bitmap dst = before;
        Canvas cs(src), cd(dst);
        // Source columns -3..6 and rows 4..13: only 0..6 x 4..9 exist.
        cd.bitBlt(5, 5, 10, 10, cs, -3, 4, SRCCOPY);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                const int sx = x - 5 - 3, sy = y - 5 + 4;
                const bool from = x >= 5 && x < 15 && y >= 5 && y < 15 && sx >= 0 && sx < 10 && sy >= 0 && sy < 10;
                QCOMPARE(raw(dst, x, y), from ? raw(src, sx, sy) : raw(before, x, y));
            }
        QCOMPARE(cd.takeDirty(), QRect(8, 5, 7, 6));
        // Across the destination's edges, with a source device origin.
        Bitmap d2 = before;
        Canvas cs2(src, QPoint(100, 100)), cd2(d2);
        cd2.bitBlt(-4, 15, 10, 10, cs2, 100, 100, DSTINVERT);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                const bool in = x < 6 && y >= 15;
                QCOMPARE(raw(d2, x, y), in ? (~raw(before, x, y) & 0xFFFFFFu) : raw(before, x, y));
            }
        // Empty or negative sizes, sources far away: nothing.
        Bitmap d3 = before;
        Canvas cd3(d3);
        cd3.bitBlt(0, 0, 0, 5, cs, 0, 0, SRCCOPY);
        cd3.bitBlt(0, 0, -5, 5, cs, 0, 0, SRCCOPY);
        cd3.bitBlt(0, 0, 20, 20, cs, 50, 50, SRCCOPY);
        QVERIFY(d3 == before);
        QCOMPARE(cd3.takeDirty(), QRect());
    }

    void blitFromASharedCopy()
    {
        // Source and destination sharing one pixel store: the source keeps
        // what it had while the destination changes.
        Bitmap a = noise24(8, 8, 31);
        Bitmap b = a;
        const Bitmap original = a;
        Canvas ca(a), cb(b);
        ca.bitBlt(2, 0, 6, 8, cb, 0, 0, SRCCOPY);
        QVERIFY(b == original);
        for (int y = 0; y < 8; ++y)
            for (int x = 2; x < 8; ++x)
                QCOMPARE(raw(a, x, y), raw(original, x - 2, y));
        // The canvas onto itself, overlapping: read as it was before.
        Bitmap c = original;
        Canvas cc(c);
        cc.bitBlt(0, 1, 8, 7, cc, 0, 0, SRCINVERT);
        for (int y = 1; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                QCOMPARE(raw(c, x, y), raw(original, x, y) ^ raw(original, x, y - 1));
        QCOMPARE(raw(c, 3, 0), raw(original, 3, 0));
    }
};

QTEST_GUILESS_MAIN(TestRasterFillBlit)
#include "test_raster_fill_blit.moc"
