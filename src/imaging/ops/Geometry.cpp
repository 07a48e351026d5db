#include "imaging/ops/Geometry.h"

#include "imaging/ops/NearestColor.h"
#include "imaging/ops/PixelRows.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <optional>

// Everything works on whole scan lines of the stored format. Operations that
// only move pixels (crop, nearest resize, flips, quarter turns) copy the bytes
// of each pixel, so they are lossless at every depth and indexed images keep
// their indices. Resampling blends in true colour, and indexed results are
// mapped back to the image's own palette. Rotation by other angles samples
// bilinearly in true colour; indexed images take the nearest source pixel
// instead, so they keep their indices and palette.

namespace ardane::imaging::ops {

using detail::bytesPerPixel;
using detail::RowReader;

namespace {

// A blank bitmap with the depth, colour table and resolution of `like`.
Bitmap makeLike(const Bitmap& like, int width, int height)
{
    Bitmap b = Bitmap::create(width, height, like.bitsPerPixel(), like.palette());
    if (b.isNull())
        return b;
    if (like.isIndexed())
        b.image().setColorTable(like.image().colorTable());
    b.setResolution(like.xResolution(), like.yResolution());
    return b;
}

// The stored pixel value of `colour` as bytes of the bitmap's format.
void encodeColour(const Bitmap& bitmap, ColorRef colour, uchar* pixel)
{
    const int r = colorRefRed(colour), g = colorRefGreen(colour), b = colorRefBlue(colour);
    switch (bitmap.bitsPerPixel()) {
    case 16: {
        const std::uint16_t v = detail::packRgb555(qRgb(r, g, b));
        std::memcpy(pixel, &v, 2);
        break;
    }
    case 24:
        pixel[0] = uchar(r);
        pixel[1] = uchar(g);
        pixel[2] = uchar(b);
        break;
    case 32: {
        const QRgb v = qRgb(r, g, b);
        std::memcpy(pixel, &v, 4);
        break;
    }
    default: pixel[0] = uchar(detail::nearestIndex(bitmap.palette(), r, g, b)); break;
    }
}

void fillRows(QImage& image, int bpp, const uchar* pixel)
{
    if (image.height() == 0)
        return;
    uchar* first = image.scanLine(0);
    const int width = image.width();
    for (int x = 0; x < width; ++x)
        std::memcpy(first + std::size_t(x) * std::size_t(bpp), pixel, std::size_t(bpp));
    const std::size_t rowBytes = std::size_t(width) * std::size_t(bpp);
    for (int y = 1; y < image.height(); ++y)
        std::memcpy(image.scanLine(y), first, rowBytes);
}

// Pixel copy of B bytes with B known at compile time.
template <int B>
inline void copyPixel(uchar* dst, const uchar* src)
{
    std::memcpy(dst, src, B);
}

// ---- resize -----------------------------------------------------------------

template <int B>
void nearestRows(const QImage& src, QImage& dst, const std::vector<int>& xMap, const std::vector<int>& yMap)
{
    const int width = dst.width();
    const std::size_t rowBytes = std::size_t(width) * B;
    for (int y = 0; y < dst.height(); ++y) {
        uchar* out = dst.scanLine(y);
        if (y > 0 && yMap[std::size_t(y)] == yMap[std::size_t(y) - 1]) {
            std::memcpy(out, dst.constScanLine(y - 1), rowBytes);
            continue;
        }
        const uchar* in = src.constScanLine(yMap[std::size_t(y)]);
        for (int x = 0; x < width; ++x)
            copyPixel<B>(out + std::size_t(x) * B, in + std::size_t(xMap[std::size_t(x)]) * B);
    }
}

// Output pixel d takes source pixel floor((d + 0.5) * src / dst).
std::vector<int> nearestMap(int srcSize, int dstSize)
{
    std::vector<int> map(static_cast<std::size_t>(dstSize));
    for (int d = 0; d < dstSize; ++d)
        map[std::size_t(d)] = int(((2 * std::int64_t(d) + 1) * srcSize) / (2 * std::int64_t(dstSize)));
    return map;
}

// For each output position along one axis, the source positions and weights
// that make it up.
struct Contributions {
    std::vector<int> first;      // first source index of output d
    std::vector<int> start;      // offset of its weights in `weights`
    std::vector<int> count;      // number of source indices
    std::vector<float> weights;
};

// Shrinking: the output pixel is the average of the source area it covers,
// partly covered source pixels counting by the part covered. In units of
// 1/dst source pixel, source pixel i spans [i*dst, (i+1)*dst) and output
// pixel d spans [d*src, (d+1)*src), so overlaps are exact integers.
// Enlarging: linear interpolation between the two nearest source centres, with
// pixel centres aligned ((d + 0.5) * src / dst - 0.5) and edges clamped.
Contributions contributions(int srcSize, int dstSize)
{
    Contributions c;
    c.first.resize(std::size_t(dstSize));
    c.start.resize(std::size_t(dstSize));
    c.count.resize(std::size_t(dstSize));
    auto add = [&c](int d, int first, std::initializer_list<float> w) {
        c.first[std::size_t(d)] = first;
        c.start[std::size_t(d)] = int(c.weights.size());
        c.count[std::size_t(d)] = int(w.size());
        c.weights.insert(c.weights.end(), w);
    };
    if (dstSize == srcSize) {
        for (int d = 0; d < dstSize; ++d)
            add(d, d, {1.0f});
    } else if (dstSize < srcSize) {
        for (int d = 0; d < dstSize; ++d) {
            const std::int64_t lo = std::int64_t(d) * srcSize, hi = lo + srcSize;
            const int i0 = int(lo / dstSize), i1 = int((hi - 1) / dstSize);
            c.first[std::size_t(d)] = i0;
            c.start[std::size_t(d)] = int(c.weights.size());
            c.count[std::size_t(d)] = i1 - i0 + 1;
            for (int i = i0; i <= i1; ++i) {
                const std::int64_t overlap = std::min(hi, std::int64_t(i + 1) * dstSize)
                                             - std::max(lo, std::int64_t(i) * dstSize);
                c.weights.push_back(float(double(overlap) / double(srcSize)));
            }
        }
    } else {
        for (int d = 0; d < dstSize; ++d) {
            const double pos = std::clamp((d + 0.5) * srcSize / dstSize - 0.5, 0.0, double(srcSize - 1));
            const int i0 = int(pos);
            const float f = float(pos - i0);
            if (f > 0.0f && i0 + 1 < srcSize)
                add(d, i0, {1.0f - f, f});
            else
                add(d, i0, {1.0f});
        }
    }
    return c;
}

// Source rows as four floats per pixel (alpha-weighted colour when the image
// has alpha). Two rows are cached: consecutive output rows mostly share them.
class FloatRowCache {
public:
    FloatRowCache(const Bitmap& in, bool alpha)
        : m_reader(in), m_alpha(alpha), m_raw(std::size_t(in.width()))
    {
        for (Slot& s : m_table)
            s.data.resize(std::size_t(in.width()) * 4);
    }

    const float* row(int y)
    {
        for (Slot& s : m_table)
            if (s.y == y)
                return s.data.data();
        Slot& s = m_table[0].y < m_table[1].y ? m_table[0] : m_table[1];
        s.y = y;
        m_reader.read(y, m_raw.data());
        float* out = s.data.data();
        for (const QRgb c : m_raw) {
            const float a = m_alpha ? float(qAlpha(c)) : 255.0f;
            const float k = m_alpha ? a * (1.0f / 255.0f) : 1.0f;
            out[0] = float(qRed(c)) * k;
            out[1] = float(qGreen(c)) * k;
            out[2] = float(qBlue(c)) * k;
            out[3] = a;
            out += 4;
        }
        return s.data.data();
    }

private:
    struct Slot {
        int y = -1;
        std::vector<float> data;
    };
    RowReader m_reader;
    bool m_alpha;
    std::vector<QRgb> m_raw;
    Slot m_table[2];
};

inline int toByte(float v) { return std::clamp(int(v + 0.5f), 0, 255); }

// Back from four accumulated floats to a colour.
inline QRgb toRgb(const float* p, bool alpha)
{
    if (!alpha)
        return qRgb(toByte(p[0]), toByte(p[1]), toByte(p[2]));
    const float a = p[3];
    if (a <= 0.0f)
        return qRgba(0, 0, 0, 0);
    const float k = 255.0f / a;
    return qRgba(toByte(p[0] * k), toByte(p[1] * k), toByte(p[2] * k), toByte(a));
}

// Separable resampling, one output row at a time: the contributing source rows
// are summed vertically into one source-width row, which is then resampled
// horizontally.
void resampleRows(const Bitmap& in, Bitmap& out)
{
    const int srcW = in.width(), dstW = out.width(), dstH = out.height();
    const bool alpha = in.bitsPerPixel() == 32;
    const Contributions cx = contributions(srcW, dstW);
    const Contributions cy = contributions(in.height(), dstH);
    FloatRowCache cache(in, alpha);
    std::vector<float> column(std::size_t(srcW) * 4);
    std::vector<QRgb> outRow(static_cast<std::size_t>(dstW));
    std::optional<detail::NearestColor> nearest;
    if (in.isIndexed())
        nearest.emplace(in.palette());
    QImage& dst = out.image();

    for (int y = 0; y < dstH; ++y) {
        std::fill(column.begin(), column.end(), 0.0f);
        for (int k = 0; k < cy.count[std::size_t(y)]; ++k) {
            const float w = cy.weights[std::size_t(cy.start[std::size_t(y)] + k)];
            const float* src = cache.row(cy.first[std::size_t(y)] + k);
            float* acc = column.data();
            for (std::size_t i = 0, n = column.size(); i < n; ++i)
                acc[i] += w * src[i];
        }
        for (int x = 0; x < dstW; ++x) {
            float sum[4] = {0, 0, 0, 0};
            const float* w = &cx.weights[std::size_t(cx.start[std::size_t(x)])];
            const float* src = &column[std::size_t(cx.first[std::size_t(x)]) * 4];
            for (int k = 0, n = cx.count[std::size_t(x)]; k < n; ++k, src += 4) {
                sum[0] += w[k] * src[0];
                sum[1] += w[k] * src[1];
                sum[2] += w[k] * src[2];
                sum[3] += w[k] * src[3];
            }
            outRow[std::size_t(x)] = toRgb(sum, alpha);
        }
        uchar* line = dst.scanLine(y);
        if (nearest) {
            for (int x = 0; x < dstW; ++x) {
                const QRgb c = outRow[std::size_t(x)];
                line[x] = uchar((*nearest)(qRed(c), qGreen(c), qBlue(c)));
            }
        } else {
            detail::writeTrueColourRow(line, in.bitsPerPixel(), outRow.data(), dstW);
        }
    }
}

// ---- quarter turns ------------------------------------------------------------

// Rotates by `turns` quarter turns counter-clockwise (1..3), byte-exact. Works
// in square tiles so that reading columns stays within the cache.
template <int B>
void rotateQuarterRows(const QImage& src, QImage& dst, int turns)
{
    constexpr int kTile = 64;
    const int w = src.width(), h = src.height();
    const qsizetype srcStride = src.bytesPerLine();
    const uchar* base = src.constBits();
    // For each output row Y: where its first pixel comes from, and how far apart
    // consecutive pixels of the row are in the source.
    qsizetype step = 0;
    auto rowStart = [&](int y) -> const uchar* {
        switch (turns) {
        case 1: return base + qsizetype(w - 1 - y) * B; // column w-1-Y read downwards
        case 2: return base + qsizetype(h - 1 - y) * srcStride + qsizetype(w - 1) * B;
        default: return base + qsizetype(h - 1) * srcStride + qsizetype(y) * B; // column Y read upwards
        }
    };
    step = turns == 1 ? srcStride : (turns == 2 ? -qsizetype(B) : -srcStride);

    const int outW = dst.width(), outH = dst.height();
    for (int y0 = 0; y0 < outH; y0 += kTile) {
        const int y1 = std::min(outH, y0 + kTile);
        for (int x0 = 0; x0 < outW; x0 += kTile) {
            const int x1 = std::min(outW, x0 + kTile);
            for (int y = y0; y < y1; ++y) {
                const uchar* in = rowStart(y) + qsizetype(x0) * step;
                uchar* out = dst.scanLine(y) + qsizetype(x0) * B;
                for (int x = x0; x < x1; ++x, in += step, out += B)
                    copyPixel<B>(out, in);
            }
        }
    }
}

Bitmap rotateQuarter(const Bitmap& in, int turns)
{
    const bool swap = turns % 2 == 1;
    Bitmap out = makeLike(in, swap ? in.height() : in.width(), swap ? in.width() : in.height());
    if (out.isNull())
        return out;
    const QImage& src = in.image();
    QImage& dst = out.image();
    switch (bytesPerPixel(in.bitsPerPixel())) {
    case 1: rotateQuarterRows<1>(src, dst, turns); break;
    case 2: rotateQuarterRows<2>(src, dst, turns); break;
    case 3: rotateQuarterRows<3>(src, dst, turns); break;
    default: rotateQuarterRows<4>(src, dst, turns); break;
    }
    return out;
}

inline int floorDiv2(int v) { return v >= 0 ? v / 2 : -((-v + 1) / 2); }

// `image` placed with its centre on the centre of a width x height canvas
// filled with `fill`; when the difference in size is odd the image sits half a
// pixel towards the top left. Parts outside the canvas are cut.
Bitmap centreOnCanvas(const Bitmap& image, int width, int height, ColorRef fill)
{
    Bitmap canvas = makeLike(image, width, height);
    if (canvas.isNull())
        return canvas;
    if (!ops::fill(canvas, fill))
        return {};
    const int bpp = bytesPerPixel(image.bitsPerPixel());
    const int ox = floorDiv2(width - image.width()), oy = floorDiv2(height - image.height());
    const int x0 = std::max(0, ox), x1 = std::min(width, ox + image.width());
    if (x1 <= x0)
        return canvas;
    QImage& dst = canvas.image();
    for (int y = std::max(0, oy); y < std::min(height, oy + image.height()); ++y)
        std::memcpy(dst.scanLine(y) + qsizetype(x0) * bpp,
                    image.image().constScanLine(y - oy) + qsizetype(x0 - ox) * bpp, std::size_t(x1 - x0) * bpp);
    return canvas;
}

// ---- any angle ----------------------------------------------------------------

// Source pixel fetch for the true-colour formats, by format at compile time.
template <int Bits>
inline QRgb fetch(const uchar* line, int x)
{
    if constexpr (Bits == 16) {
        std::uint16_t v;
        std::memcpy(&v, line + std::size_t(x) * 2, 2);
        return detail::unpackRgb555(v);
    } else if constexpr (Bits == 24) {
        const uchar* p = line + std::size_t(x) * 3;
        return qRgb(p[0], p[1], p[2]);
    } else {
        QRgb v;
        std::memcpy(&v, line + std::size_t(x) * 4, 4);
        return v;
    }
}

// a + (b - a) * t / 256 on all four channels at once, t in 0..256.
inline QRgb lerp256(QRgb a, QRgb b, std::uint32_t t)
{
    const std::uint32_t it = 256 - t;
    const std::uint32_t rb = (((a & 0xFF00FFu) * it + (b & 0xFF00FFu) * t) >> 8) & 0xFF00FFu;
    const std::uint32_t ag = (((a >> 8) & 0xFF00FFu) * it + ((b >> 8) & 0xFF00FFu) * t) & 0xFF00FF00u;
    return rb | ag;
}

// The inverse mapping of one rotation, stepped in 32.32 fixed point along a
// row. Coordinates are shifted by half a pixel, so a source pixel i spans
// [i, i + 1) and "the nearest source pixel is inside the image" becomes
// 0 <= u < width, 0 <= v < height.
struct InverseMap {
    static constexpr int kShift = 32;
    static constexpr std::int64_t kOne = std::int64_t(1) << kShift;

    double cosA, sinA;
    double outHalfW, outHalfH, inHalfW, inHalfH;

    [[nodiscard]] std::int64_t stepU() const { return std::llround(cosA * double(kOne)); }
    [[nodiscard]] std::int64_t stepV() const { return std::llround(sinA * double(kOne)); }

    // Source position (half-pixel shifted) of output pixel (0, y). Output
    // pixel centres relative to the output centre are turned back by the angle.
    void rowOrigin(int y, std::int64_t& u, std::int64_t& v) const
    {
        const double ox = 0.5 - outHalfW, oy = y + 0.5 - outHalfH;
        u = std::llround((ox * cosA - oy * sinA + inHalfW) * double(kOne));
        v = std::llround((ox * sinA + oy * cosA + inHalfH) * double(kOne));
    }
};

// Bilinear sampling of a true-colour image. A pixel is covered when its
// centre maps inside the source rectangle; samples at the border clamp to the
// edge pixels, so the image does not blend with the fill colour. At 32 bits,
// neighbours of differing alpha are blended premultiplied, so transparent
// pixels lend no colour.
template <int Bits>
void rotateTrueColour(const Bitmap& in, Bitmap& out, const InverseMap& map, QRgb fill)
{
    const uchar* base = in.image().constBits();
    const qsizetype stride = in.image().bytesPerLine();
    const int w = in.width(), h = in.height();
    const std::int64_t limitU = std::int64_t(w) << InverseMap::kShift;
    const std::int64_t limitV = std::int64_t(h) << InverseMap::kShift;
    const std::int64_t half = InverseMap::kOne / 2;
    const std::int64_t du = map.stepU(), dv = map.stepV();
    QImage& dst = out.image();
    std::vector<QRgb> row(static_cast<std::size_t>(out.width()));
    for (int y = 0; y < out.height(); ++y) {
        std::int64_t u, v;
        map.rowOrigin(y, u, v);
        for (int x = 0; x < out.width(); ++x, u += du, v += dv) {
            if (u < 0 || v < 0 || u >= limitU || v >= limitV) {
                row[std::size_t(x)] = fill;
                continue;
            }
            // Back to centre-based coordinates: the pixel left of / above the
            // sample point and the 8-bit fraction towards the next one.
            const std::int64_t px = u - half, py = v - half;
            const int x0 = int(px >> InverseMap::kShift), y0 = int(py >> InverseMap::kShift);
            const auto fx = std::uint32_t((px >> (InverseMap::kShift - 8)) & 0xFF);
            const auto fy = std::uint32_t((py >> (InverseMap::kShift - 8)) & 0xFF);
            const int xa = std::max(x0, 0), xb = std::min(x0 + 1, w - 1);
            const uchar* la = base + qsizetype(std::max(y0, 0)) * stride;
            const uchar* lb = base + qsizetype(std::min(y0 + 1, h - 1)) * stride;
            QRgb p00 = fetch<Bits>(la, xa), p01 = fetch<Bits>(la, xb);
            QRgb p10 = fetch<Bits>(lb, xa), p11 = fetch<Bits>(lb, xb);
            if constexpr (Bits == 32) {
                const QRgb a = p00 >> 24;
                if ((p01 >> 24) != a || (p10 >> 24) != a || (p11 >> 24) != a) {
                    p00 = qPremultiply(p00);
                    p01 = qPremultiply(p01);
                    p10 = qPremultiply(p10);
                    p11 = qPremultiply(p11);
                    row[std::size_t(x)] = qUnpremultiply(lerp256(lerp256(p00, p01, fx), lerp256(p10, p11, fx), fy));
                    continue;
                }
            }
            row[std::size_t(x)] = lerp256(lerp256(p00, p01, fx), lerp256(p10, p11, fx), fy);
        }
        detail::writeTrueColourRow(dst.scanLine(y), Bits, row.data(), out.width());
    }
}

// Nearest sampling of an indexed image: indices are copied, so the result uses
// only the palette it already has.
void rotateIndexed(const Bitmap& in, Bitmap& out, const InverseMap& map, uchar fillIndex)
{
    const uchar* base = in.image().constBits();
    const qsizetype stride = in.image().bytesPerLine();
    const std::int64_t limitU = std::int64_t(in.width()) << InverseMap::kShift;
    const std::int64_t limitV = std::int64_t(in.height()) << InverseMap::kShift;
    const std::int64_t du = map.stepU(), dv = map.stepV();
    QImage& dst = out.image();
    for (int y = 0; y < out.height(); ++y) {
        std::int64_t u, v;
        map.rowOrigin(y, u, v);
        uchar* line = dst.scanLine(y);
        for (int x = 0; x < out.width(); ++x, u += du, v += dv)
            line[x] = (u < 0 || v < 0 || u >= limitU || v >= limitV)
                          ? fillIndex
                          : base[qsizetype(v >> InverseMap::kShift) * stride + qsizetype(u >> InverseMap::kShift)];
    }
}

// Size of the box holding a w x h rectangle turned by the angle; a hair of
// tolerance keeps rounding noise from adding a pixel.
int boundingSide(double a, double b)
{
    return std::max(1, int(std::ceil(a + b - 1e-6)));
}

} // namespace

Result crop(const Bitmap& in, int left, int top, int width, int height, Bitmap& out)
{
    if (in.isNull())
        return result::OutOfMemory;
    if (width <= 0 || height <= 0)
        return result::OutOfMemory; // no image can be that size
    const std::int64_t x0 = std::max<std::int64_t>(left, 0), y0 = std::max<std::int64_t>(top, 0);
    const std::int64_t x1 = std::min<std::int64_t>(std::int64_t(left) + width, in.width());
    const std::int64_t y1 = std::min<std::int64_t>(std::int64_t(top) + height, in.height());
    if (x1 <= x0 || y1 <= y0)
        return result::OutOfMemory; // nothing of the image is left
    Bitmap cut = makeLike(in, int(x1 - x0), int(y1 - y0));
    if (cut.isNull())
        return result::OutOfMemory;
    const int bpp = bytesPerPixel(in.bitsPerPixel());
    QImage& dst = cut.image();
    for (int y = 0; y < cut.height(); ++y)
        std::memcpy(dst.scanLine(y), in.image().constScanLine(int(y0) + y) + x0 * bpp,
                    std::size_t(cut.width()) * std::size_t(bpp));
    out = std::move(cut);
    return result::Ok;
}

Result resize(const Bitmap& in, int width, int height, ResizeMode mode, Bitmap& out)
{
    if (in.isNull() || !Bitmap::isValidSize(width, height))
        return result::OutOfMemory;
    if (mode != ResizeMode::Nearest && mode != ResizeMode::Resample)
        return result::NotAvailable;
    if (width == in.width() && height == in.height()) { // either mode is the identity
        out = in;
        return result::Ok;
    }
    Bitmap resized = makeLike(in, width, height);
    if (resized.isNull())
        return result::OutOfMemory;
    if (mode == ResizeMode::Nearest) {
        const std::vector<int> xMap = nearestMap(in.width(), width), yMap = nearestMap(in.height(), height);
        const QImage& src = in.image();
        QImage& dst = resized.image();
        switch (bytesPerPixel(in.bitsPerPixel())) {
        case 1: nearestRows<1>(src, dst, xMap, yMap); break;
        case 2: nearestRows<2>(src, dst, xMap, yMap); break;
        case 3: nearestRows<3>(src, dst, xMap, yMap); break;
        default: nearestRows<4>(src, dst, xMap, yMap); break;
        }
    } else {
        resampleRows(in, resized);
    }
    out = std::move(resized);
    return result::Ok;
}

bool flipVertical(Bitmap& bitmap)
{
    if (bitmap.isNull())
        return true;
    if (!bitmap.detach())
        return false;
    QImage& image = bitmap.image();
    const std::size_t rowBytes = std::size_t(image.width()) * std::size_t(bytesPerPixel(bitmap.bitsPerPixel()));
    for (int top = 0, bottom = image.height() - 1; top < bottom; ++top, --bottom) {
        uchar* a = image.scanLine(top);
        uchar* b = image.scanLine(bottom);
        std::swap_ranges(a, a + rowBytes, b);
    }
    return true;
}

namespace {
template <int B>
void reverseRows(QImage& image)
{
    const int w = image.width();
    for (int y = 0; y < image.height(); ++y) {
        uchar* line = image.scanLine(y);
        uchar* a = line;
        uchar* b = line + std::size_t(w - 1) * B;
        for (; a < b; a += B, b -= B) {
            uchar t[B];
            std::memcpy(t, a, B);
            std::memcpy(a, b, B);
            std::memcpy(b, t, B);
        }
    }
}
} // namespace

bool flipHorizontal(Bitmap& bitmap)
{
    if (bitmap.isNull())
        return true;
    if (!bitmap.detach())
        return false;
    QImage& image = bitmap.image();
    switch (bytesPerPixel(bitmap.bitsPerPixel())) {
    case 1: reverseRows<1>(image); break;
    case 2: reverseRows<2>(image); break;
    case 3: reverseRows<3>(image); break;
    default: reverseRows<4>(image); break;
    }
    return true;
}

Result rotate(const Bitmap& in, int hundredthsOfDegree, bool resize, ColorRef fill, Bitmap& out)
{
    if (in.isNull())
        return result::OutOfMemory;
    const int angle = ((hundredthsOfDegree % 36000) + 36000) % 36000;
    const int w = in.width(), h = in.height();

    if (angle % 9000 == 0) {
        const int turns = angle / 9000;
        Bitmap turned = turns == 0 ? in : rotateQuarter(in, turns);
        if (turned.isNull())
            return result::OutOfMemory;
        if (!resize && turned.width() != w) // a quarter turn of a non-square image kept at its size
            turned = centreOnCanvas(turned, w, h, fill);
        if (turned.isNull())
            return result::OutOfMemory;
        out = std::move(turned);
        return result::Ok;
    }

    const double radians = angle * std::numbers::pi / 18000.0;
    const double c = std::cos(radians), s = std::sin(radians);
    int outW = w, outH = h;
    if (resize) {
        outW = boundingSide(w * std::abs(c), h * std::abs(s));
        outH = boundingSide(w * std::abs(s), h * std::abs(c));
    }
    if (!Bitmap::isValidSize(outW, outH))
        return result::OutOfMemory;
    Bitmap rotated = makeLike(in, outW, outH);
    if (rotated.isNull())
        return result::OutOfMemory;
    const InverseMap map{c, s, outW / 2.0, outH / 2.0, w / 2.0, h / 2.0};
    switch (in.bitsPerPixel()) {
    case 16: rotateTrueColour<16>(in, rotated, map, colorRefToRgb(fill)); break;
    case 24: rotateTrueColour<24>(in, rotated, map, colorRefToRgb(fill)); break;
    case 32: rotateTrueColour<32>(in, rotated, map, colorRefToRgb(fill)); break;
    default: {
        const uchar fillIndex =
            uchar(detail::nearestIndex(in.palette(), colorRefRed(fill), colorRefGreen(fill), colorRefBlue(fill)));
        rotateIndexed(in, rotated, map, fillIndex);
        break;
    }
    }
    out = std::move(rotated);
    return result::Ok;
}

bool fill(Bitmap& bitmap, ColorRef colour)
{
    if (bitmap.isNull())
        return true;
    uchar pixel[4] = {};
    encodeColour(bitmap, colour, pixel);
    if (!bitmap.detach())
        return false;
    fillRows(bitmap.image(), bytesPerPixel(bitmap.bitsPerPixel()), pixel);
    return true;
}

} // namespace ardane::imaging::ops
