// Colour-depth conversion: the palettes, nearest-colour mapping, each dithering
// method against a plain reference written here from the published kernels,
// and the straight true-colour conversions.

#include "imaging/ops/Depth.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <functional>
#include <set>

using namespace ardane;
using namespace ardane::imaging;
using namespace ardane::imaging::ops;

namespace {

Bitmap make24(int w, int h, const std::function<QRgb(int, int)>& colour)
{
    Bitmap b = Bitmap::create(w, h, 24);
    for (int y = 0; y < h; ++y) {
        uchar* row = b.image().scanLine(y);
        for (int x = 0; x < w; ++x) {
            const QRgb c = colour(x, y);
            row[3 * x] = uchar(qRed(c));
            row[3 * x + 1] = uchar(qGreen(c));
            row[3 * x + 2] = uchar(qBlue(c));
        }
    }
    return b;
}

int indexAt(const Bitmap& b, int x, int y) { return b.image().constScanLine(y)[x]; }

int bruteNearest(const std::vector<QRgb>& palette, int r, int g, int b)
{
    int best = -1;
    long bestD = 0;
    for (int i = 0; i < int(palette.size()); ++i) {
        const long dr = r - qRed(palette[i]), dg = g - qGreen(palette[i]), db = b - qBlue(palette[i]);
        const long d = dr * dr + dg * dg + db * db;
        if (best < 0 || d < bestD) {
            best = i;
            bestD = d;
        }
    }
    return best;
}

// A kernel as printed in the literature: rows top to bottom, the current pixel
// at (row 0, column `centre`), weights to the right of it on row 0.
struct PrintedKernel {
    const char* name;
    DitherOption option;
    int divisor;
    int centre;
    std::vector<std::vector<int>> rows;
};

const std::vector<PrintedKernel>& printedKernels()
{
    static const std::vector<PrintedKernel> kernels = {
        {"Floyd-Steinberg", DitherOption::FloydSteinberg, 16, 1, {{0, 0, 7}, {3, 5, 1}}},
        {"Stucki", DitherOption::Stucki, 42, 2, {{0, 0, 0, 8, 4}, {2, 4, 8, 4, 2}, {1, 2, 4, 2, 1}}},
        {"Burkes", DitherOption::Burkes, 32, 2, {{0, 0, 0, 8, 4}, {2, 4, 8, 4, 2}}},
        {"Sierra", DitherOption::Sierra, 32, 2, {{0, 0, 0, 5, 3}, {2, 4, 5, 4, 2}, {0, 2, 3, 2, 0}}},
        {"Stevenson-Arce", DitherOption::Stevenson, 200, 3,
         {{0, 0, 0, 0, 0, 32, 0}, {12, 0, 26, 0, 30, 0, 16}, {0, 12, 0, 26, 0, 12, 0}, {5, 0, 12, 0, 12, 0, 5}}},
        {"Jarvis-Judice-Ninke", DitherOption::Jarvis, 48, 2, {{0, 0, 0, 7, 5}, {3, 5, 7, 5, 3}, {1, 3, 5, 3, 1}}},
    };
    return kernels;
}

// Straightforward error diffusion over whole-image error planes: each pixel is
// its value plus the error it received (divided and rounded, halves away from
// zero), clamped; the nearest palette colour is chosen by full search and the
// difference is handed on by the kernel; error leaving the image is lost.
std::vector<int> referenceDiffusion(const Bitmap& in, const std::vector<QRgb>& palette, const PrintedKernel& k)
{
    const int w = in.width(), h = in.height();
    std::vector<long> err(std::size_t(w) * h * 3, 0);
    std::vector<int> out(std::size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb c = in.pixelRgb(x, y);
            const int src[3] = {qRed(c), qGreen(c), qBlue(c)};
            int v[3];
            for (int ch = 0; ch < 3; ++ch) {
                const long acc = err[(std::size_t(y) * w + x) * 3 + ch];
                v[ch] = std::clamp(src[ch] + int(std::lround(double(acc) / k.divisor)), 0, 255);
            }
            const int idx = bruteNearest(palette, v[0], v[1], v[2]);
            out[std::size_t(y) * w + x] = idx;
            const int e[3] = {v[0] - qRed(palette[idx]), v[1] - qGreen(palette[idx]), v[2] - qBlue(palette[idx])};
            for (int ky = 0; ky < int(k.rows.size()); ++ky)
                for (int kx = 0; kx < int(k.rows[ky].size()); ++kx) {
                    const int weight = k.rows[ky][kx];
                    const int tx = x + kx - k.centre, ty = y + ky;
                    if (weight == 0 || tx < 0 || tx >= w || ty >= h)
                        continue;
                    for (int ch = 0; ch < 3; ++ch)
                        err[(std::size_t(ty) * w + tx) * 3 + ch] += long(e[ch]) * weight;
                }
        }
    return out;
}

std::vector<int> indices(const Bitmap& b)
{
    std::vector<int> out;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x)
            out.push_back(indexAt(b, x, y));
    return out;
}

// The Bayer matrix built by its recursive definition, not copied from a table.
int bayer(int n, int x, int y)
{
    if (n == 1)
        return 0;
    const int h = n / 2;
    static const int quad[2][2] = {{0, 2}, {3, 1}};
    return 4 * bayer(h, x % h, y % h) + quad[y / h][x / h];
}

double meanLuma(const Bitmap& b)
{
    double sum = 0;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) {
            const QRgb c = b.pixelRgb(x, y);
            sum += (qRed(c) + qGreen(c) + qBlue(c)) / 3.0;
        }
    return sum / (double(b.width()) * b.height());
}

Bitmap greyRamp(int w, int h)
{
    return make24(w, h, [w](int x, int y) {
        const int v = std::clamp((x * 255) / (w - 1) + (y % 3) * 5 - 5, 0, 255);
        return qRgb(v, v, v);
    });
}

Bitmap colourful(int w, int h)
{
    return make24(w, h, [](int x, int y) {
        return qRgb((x * 37 + y * 11) & 255, (x * 5 + y * 29) & 255, (x * y * 3 + 17) & 255);
    });
}

} // namespace

class TestDepth : public QObject {
    Q_OBJECT
private slots:
    void fixedPalettes()
    {
        const std::vector<QRgb> bw = fixedPalette(1, PaletteOption::Fixed);
        QCOMPARE(bw, (std::vector<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)}));

        const std::vector<QRgb> sixteen = {
            qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
            qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
        QCOMPARE(fixedPalette(4, PaletteOption::Fixed), sixteen);

        const std::vector<QRgb> cube = fixedPalette(8, PaletteOption::Fixed);
        QCOMPARE(cube.size(), std::size_t(256));
        QCOMPARE(std::set<QRgb>(cube.begin(), cube.end()).size(), std::size_t(256));
        for (int r = 0; r < 256; r += 51)
            for (int g = 0; g < 256; g += 51)
                for (int b = 0; b < 256; b += 51)
                    QVERIFY(std::find(cube.begin(), cube.end(), qRgb(r, g, b)) != cube.end());
        int greys = 0;
        for (QRgb c : cube)
            greys += qRed(c) == qGreen(c) && qGreen(c) == qBlue(c);
        QCOMPARE(greys, 6 + 40);

        // The byte-order options give the fixed palette; Identity differs only at 8 bits.
        for (int bits : {1, 4, 8}) {
            QCOMPARE(fixedPalette(bits, PaletteOption::OrderRgb), fixedPalette(bits, PaletteOption::Fixed));
            QCOMPARE(fixedPalette(bits, PaletteOption::OrderedBgr), fixedPalette(bits, PaletteOption::Fixed));
        }
        QCOMPARE(fixedPalette(4, PaletteOption::Identity), sixteen);
        QCOMPARE(fixedPalette(1, PaletteOption::Identity), bw);
    }

    void identityPalette()
    {
        const std::vector<QRgb> p = fixedPalette(8, PaletteOption::Identity);
        QCOMPARE(p.size(), std::size_t(256));
        const std::vector<QRgb> low = {qRgb(0, 0, 0),       qRgb(128, 0, 0),     qRgb(0, 128, 0),
                                       qRgb(128, 128, 0),   qRgb(0, 0, 128),     qRgb(128, 0, 128),
                                       qRgb(0, 128, 128),   qRgb(192, 192, 192), qRgb(192, 220, 192),
                                       qRgb(166, 202, 240)};
        const std::vector<QRgb> high = {qRgb(255, 251, 240), qRgb(160, 160, 164), qRgb(128, 128, 128),
                                        qRgb(255, 0, 0),     qRgb(0, 255, 0),     qRgb(255, 255, 0),
                                        qRgb(0, 0, 255),     qRgb(255, 0, 255),   qRgb(0, 255, 255),
                                        qRgb(255, 255, 255)};
        QCOMPARE(std::vector<QRgb>(p.begin(), p.begin() + 10), low);
        QCOMPARE(std::vector<QRgb>(p.begin() + 246, p.end()), high);
        QCOMPARE(std::set<QRgb>(p.begin(), p.end()).size(), std::size_t(256));

        // A conversion with it carries the table over unchanged.
        Bitmap out;
        QCOMPARE(convertDepth(colourful(8, 8), 8, PaletteOption::Identity, DitherOption::None, out), result::Ok);
        QCOMPARE(out.palette(), p);
    }

    // Without dithering every pixel takes the nearest entry, lowest index on
    // ties, exactly as a full search finds it.
    void nearestMatchesFullSearch()
    {
        // Includes every grey, so exact ties (64 between black and 128) occur.
        const Bitmap in = make24(256, 40, [](int x, int y) {
            return y == 0 ? qRgb(x, x, x) : qRgb((x * 37 + y * 11) & 255, (x * 5 + y * 29) & 255, (x * y * 3 + 17) & 255);
        });
        for (PaletteOption option : {PaletteOption::Fixed, PaletteOption::Identity})
            for (int bits : {1, 4, 8}) {
                Bitmap out;
                QCOMPARE(convertDepth(in, bits, option, DitherOption::None, out), result::Ok);
                const std::vector<QRgb> p = out.palette();
                for (int y = 0; y < in.height(); ++y)
                    for (int x = 0; x < in.width(); ++x) {
                        const QRgb c = in.pixelRgb(x, y);
                        QCOMPARE(indexAt(out, x, y), bruteNearest(p, qRed(c), qGreen(c), qBlue(c)));
                    }
            }

        // Colours one level apart share a cell of the lookup; each must still
        // map to itself when they make up the palette.
        const std::vector<QRgb> close = {qRgb(100, 100, 100), qRgb(101, 100, 100), qRgb(100, 101, 100),
                                         qRgb(100, 100, 102), qRgb(103, 103, 103), qRgb(97, 96, 96),
                                         qRgb(0, 0, 0),       qRgb(102, 100, 100)};
        const Bitmap near = make24(8, 3, [&](int x, int y) { return close[std::size_t((x + y) % 8)]; });
        Bitmap out;
        QCOMPARE(convertDepth(near, 8, PaletteOption::Optimized, DitherOption::None, out), result::Ok);
        QCOMPARE(out.image().colorCount(), 8);
        for (int y = 0; y < near.height(); ++y)
            for (int x = 0; x < near.width(); ++x)
                QCOMPARE(out.pixelRgb(x, y), near.pixelRgb(x, y));
    }

    void errorDiffusionMatchesReference_data()
    {
        QTest::addColumn<int>("kernel");
        QTest::addColumn<int>("bits");
        for (int k = 0; k < int(printedKernels().size()); ++k) {
            QTest::newRow(qPrintable(QStringLiteral("%1 1-bit").arg(printedKernels()[k].name))) << k << 1;
            QTest::newRow(qPrintable(QStringLiteral("%1 4-bit").arg(printedKernels()[k].name))) << k << 4;
            QTest::newRow(qPrintable(QStringLiteral("%1 8-bit").arg(printedKernels()[k].name))) << k << 8;
        }
    }

    void errorDiffusionMatchesReference()
    {
        QFETCH(int, kernel);
        QFETCH(int, bits);
        const PrintedKernel& k = printedKernels()[std::size_t(kernel)];
        const Bitmap in = bits == 1 ? greyRamp(41, 13) : colourful(41, 13);
        Bitmap out;
        QCOMPARE(convertDepth(in, bits, PaletteOption::Fixed, k.option, out), result::Ok);
        QCOMPARE(out.bitsPerPixel(), bits);
        const std::vector<int> expected = referenceDiffusion(in, fixedPalette(bits, PaletteOption::Fixed), k);
        QCOMPARE(indices(out), expected);
    }

    void kernelsDifferFromEachOther()
    {
        const Bitmap in = greyRamp(41, 13);
        std::vector<std::vector<int>> results;
        for (const PrintedKernel& k : printedKernels()) {
            Bitmap out;
            QCOMPARE(convertDepth(in, 1, PaletteOption::Fixed, k.option, out), result::Ok);
            results.push_back(indices(out));
        }
        Bitmap plain;
        QCOMPARE(convertDepth(in, 1, PaletteOption::Fixed, DitherOption::None, plain), result::Ok);
        results.push_back(indices(plain));
        for (std::size_t a = 0; a < results.size(); ++a)
            for (std::size_t b = a + 1; b < results.size(); ++b)
                QVERIFY2(results[a] != results[b], qPrintable(QStringLiteral("methods %1 and %2 agree").arg(a).arg(b)));
    }

    // Flat 50% grey gives white exactly where the Bayer index is in the upper
    // half; flat 25% grey where it is in the top quarter.
    void orderedDitherIsBayer()
    {
        for (const auto& [grey, threshold] : {std::pair{128, 32}, std::pair{64, 48}}) {
            const Bitmap in = make24(16, 16, [grey](int, int) { return qRgb(grey, grey, grey); });
            Bitmap out;
            QCOMPARE(convertDepth(in, 1, PaletteOption::Fixed, DitherOption::Ordered, out), result::Ok);
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                    QCOMPARE(indexAt(out, x, y), bayer(8, x % 8, y % 8) >= threshold ? 1 : 0);
        }
        // The threshold scales with the palette's spacing: at 8 bits (cube step
        // 51) a flat grey spreads over greys within half a step of it only.
        const Bitmap mid = make24(8, 8, [](int, int) { return qRgb(127, 127, 127); });
        Bitmap out;
        QCOMPARE(convertDepth(mid, 8, PaletteOption::Fixed, DitherOption::Ordered, out), result::Ok);
        std::set<QRgb> used;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                used.insert(out.pixelRgb(x, y));
        QVERIFY(used.size() >= 2);
        for (QRgb c : used)
            QVERIFY2(qRed(c) >= 102 && qRed(c) <= 153 && qRed(c) == qGreen(c) && qGreen(c) == qBlue(c),
                     qPrintable(QString::number(c, 16)));
    }

    void ditheringKeepsMeanIntensity()
    {
        const Bitmap in = make24(128, 48, [](int x, int) { return qRgb(x * 2, x * 2, x * 2); });
        const double mean = meanLuma(in);
        for (int d = 1; d <= 7; ++d) {
            Bitmap out;
            QCOMPARE(convertDepth(in, 1, PaletteOption::Fixed, DitherOption(d), out), result::Ok);
            QVERIFY2(std::abs(meanLuma(out) - mean) < 4.0,
                     qPrintable(QStringLiteral("method %1: %2 vs %3").arg(d).arg(meanLuma(out)).arg(mean)));
        }
    }

    void resultsUseOnlyPaletteEntries()
    {
        const Bitmap in = colourful(50, 30);
        for (int bits : {1, 4}) {
            for (PaletteOption p : {PaletteOption::OrderRgb, PaletteOption::Fixed, PaletteOption::Optimized,
                                    PaletteOption::OrderedBgr, PaletteOption::Identity}) {
                for (int d = 0; d <= 7; ++d) {
                    Bitmap out;
                    QCOMPARE(convertDepth(in, bits, p, DitherOption(d), out), result::Ok);
                    QCOMPARE(out.bitsPerPixel(), bits);
                    const int n = out.image().colorCount();
                    if (p == PaletteOption::Optimized)
                        QVERIFY(n >= 2 && n <= (1 << bits));
                    else
                        QCOMPARE(n, 1 << bits);
                    for (int y = 0; y < out.height(); ++y)
                        for (int x = 0; x < out.width(); ++x)
                            QVERIFY(indexAt(out, x, y) < n);
                }
            }
        }
    }

    void optimizedKeepsFewColoursExactly()
    {
        const QRgb five[5] = {qRgb(12, 200, 77), qRgb(250, 3, 9), qRgb(13, 200, 77), qRgb(90, 90, 91),
                              qRgb(255, 255, 254)};
        const Bitmap in = make24(20, 10, [&](int x, int y) { return five[(x / 3 + y) % 5]; });
        Bitmap out;
        QCOMPARE(convertDepth(in, 4, PaletteOption::Optimized, DitherOption::FloydSteinberg, out), result::Ok);
        QCOMPARE(out.image().colorCount(), 5);
        for (int y = 0; y < in.height(); ++y)
            for (int x = 0; x < in.width(); ++x)
                QCOMPARE(out.pixelRgb(x, y), in.pixelRgb(x, y));
    }

    // Many colours: the palette comes from the quantiser and fits the image
    // better than the fixed one does.
    void optimizedBeatsFixedOnManyColours()
    {
        const Bitmap in = make24(120, 80, [](int x, int y) {
            // Shades of two hues, none on the fixed palette.
            return (x < 60) ? qRgb(200 - y, 120 + x / 3, 40) : qRgb(30, 60 + y, 150 + x / 4);
        });
        auto error = [&](const Bitmap& out) {
            double sum = 0;
            for (int y = 0; y < in.height(); ++y)
                for (int x = 0; x < in.width(); ++x) {
                    const QRgb a = in.pixelRgb(x, y), b = out.pixelRgb(x, y);
                    const int dr = qRed(a) - qRed(b), dg = qGreen(a) - qGreen(b), db = qBlue(a) - qBlue(b);
                    sum += dr * dr + dg * dg + db * db;
                }
            return sum / (in.width() * in.height());
        };
        Bitmap optimized, fixed;
        QCOMPARE(convertDepth(in, 4, PaletteOption::Optimized, DitherOption::None, optimized), result::Ok);
        QCOMPARE(convertDepth(in, 4, PaletteOption::Fixed, DitherOption::None, fixed), result::Ok);
        QVERIFY(optimized.image().colorCount() > 8 && optimized.image().colorCount() <= 16);
        QVERIFY2(error(optimized) * 4 < error(fixed),
                 qPrintable(QStringLiteral("%1 vs %2").arg(error(optimized)).arg(error(fixed))));
    }

    void trueColourTargets()
    {
        Bitmap in = make24(3, 1, [](int x, int) {
            return std::array{qRgb(255, 130, 7), qRgb(8, 15, 16), qRgb(0, 0, 0)}[std::size_t(x)];
        });
        in.setResolution(300, 150);

        Bitmap b16;
        QCOMPARE(convertDepth(in, 16, PaletteOption::Fixed, DitherOption::Stucki, b16), result::Ok);
        QCOMPARE(b16.bitsPerPixel(), 16);
        const auto* p16 = reinterpret_cast<const quint16*>(b16.image().constScanLine(0));
        QCOMPARE(p16[0], quint16((31 << 10) | (16 << 5) | 0)); // 130 >> 3 = 16, 7 >> 3 = 0
        QCOMPARE(p16[1], quint16((1 << 10) | (1 << 5) | 2));
        QCOMPARE(b16.xResolution(), 300);
        QCOMPARE(b16.yResolution(), 150);

        // Back up: the five bits widen with their top bits repeated.
        Bitmap back;
        QCOMPARE(convertDepth(b16, 24, PaletteOption::Fixed, DitherOption::None, back), result::Ok);
        QCOMPARE(back.pixelRgb(0, 0), qRgb(255, 132, 0));
        QCOMPARE(back.pixelRgb(1, 0), qRgb(8, 8, 16));

        Bitmap b32;
        QCOMPARE(convertDepth(in, 32, PaletteOption::Fixed, DitherOption::None, b32), result::Ok);
        const auto* p32 = reinterpret_cast<const QRgb*>(b32.image().constScanLine(0));
        QCOMPARE(p32[0], qRgba(255, 130, 7, 255));
        QCOMPARE(p32[2], qRgba(0, 0, 0, 255));

        // 32 -> 24 keeps the colour and drops alpha.
        b32.image().setPixel(1, 0, qRgba(1, 2, 3, 40));
        Bitmap b24;
        QCOMPARE(convertDepth(b32, 24, PaletteOption::Fixed, DitherOption::None, b24), result::Ok);
        const uchar* p24 = b24.image().constScanLine(0);
        QCOMPARE((std::array<int, 3>{p24[3], p24[4], p24[5]}), (std::array<int, 3>{1, 2, 3}));

        // Indexed -> true colour uses the table.
        Bitmap indexed = Bitmap::create(2, 1, 4, {qRgb(9, 8, 7), qRgb(200, 100, 50)});
        indexed.image().scanLine(0)[1] = 1;
        QCOMPARE(convertDepth(indexed, 24, PaletteOption::Fixed, DitherOption::None, b24), result::Ok);
        QCOMPARE(b24.pixelRgb(0, 0), qRgb(9, 8, 7));
        QCOMPARE(b24.pixelRgb(1, 0), qRgb(200, 100, 50));
    }

    // Indexed to indexed goes through true colour, also at the same depth, and
    // every result keeps the input's resolution.
    void indexedRequantises()
    {
        Bitmap grey = Bitmap::create(4, 1, 8); // grey ramp table
        grey.setResolution(72, 144);
        uchar* row = grey.image().scanLine(0);
        row[0] = 0;
        row[1] = 50;
        row[2] = 200;
        row[3] = 255;
        Bitmap out;
        QCOMPARE(convertDepth(grey, 8, PaletteOption::Fixed, DitherOption::None, out), result::Ok);
        QCOMPARE(out.palette(), fixedPalette(8, PaletteOption::Fixed));
        QCOMPARE(out.pixelRgb(0, 0), qRgb(0, 0, 0));
        QCOMPARE(out.pixelRgb(1, 0), qRgb(51, 51, 51));
        QCOMPARE(out.pixelRgb(2, 0), qRgb(198, 198, 198)); // nearest grey of the ramp between cube levels
        QCOMPARE(out.pixelRgb(3, 0), qRgb(255, 255, 255));
        QCOMPARE(out.xResolution(), 72);
        QCOMPARE(out.yResolution(), 144);

        Bitmap mono;
        QCOMPARE(convertDepth(out, 1, PaletteOption::Fixed, DitherOption::None, mono), result::Ok);
        QCOMPARE(indices(mono), (std::vector<int>{0, 0, 1, 1}));
        QCOMPARE(mono.xResolution(), 72);
    }

    void rejectsBadArguments()
    {
        Bitmap out;
        const Bitmap in = colourful(4, 4);
        QCOMPARE(convertDepth(Bitmap(), 8, PaletteOption::Fixed, DitherOption::None, out), result::OutOfMemory);
        QCOMPARE(convertDepth(in, 2, PaletteOption::Fixed, DitherOption::None, out), result::UnsupportedDepth);
        QCOMPARE(convertDepth(in, 8, PaletteOption(3), DitherOption::None, out), result::NotAvailable);
        QCOMPARE(convertDepth(in, 8, PaletteOption::Fixed, DitherOption(8), out), result::NotAvailable);
        QVERIFY(out.isNull());
        QVERIFY(isValidPaletteOption(8) && !isValidPaletteOption(5) && isValidDitherOption(7) && !isValidDitherOption(-1));
    }
};

QTEST_GUILESS_MAIN(TestDepth)
#include "test_depth.moc"
