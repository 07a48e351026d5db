#pragma once
// Small helpers shared by the raster tests: bitmaps filled with a colour or a
// value, raw stored values, and the set of pixels that differ between two
// bitmaps.

#include "imaging/Bitmap.h"

#include <QSet>
#include <QPoint>

#include <cstring>
#include <vector>

namespace rastertest {

using ardane::ColorRef;
using ardane::imaging::Bitmap;

inline int bytesOf(int bits) { return bits <= 8 ? 1 : bits / 8; }

// The stored value of a pixel: index, 5-5-5 word, R G B bytes, or ARGB.
inline quint32 raw(const Bitmap& b, int x, int y)
{
    const int n = bytesOf(b.bitsPerPixel());
    quint32 v = 0;
    std::memcpy(&v, b.image().constScanLine(y) + std::size_t(x) * std::size_t(n), std::size_t(n));
    return v;
}

inline void setRaw(Bitmap& b, int x, int y, quint32 v)
{
    const int n = bytesOf(b.bitsPerPixel());
    std::memcpy(b.image().scanLine(y) + std::size_t(x) * std::size_t(n), &v, std::size_t(n));
}

inline Bitmap filled(int w, int h, int bits, quint32 value, const std::vector<QRgb>& palette = {})
{
    Bitmap b = Bitmap::create(w, h, bits, palette);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            setRaw(b, x, y, value);
    return b;
}

// A 24-bit bitmap with a different value at every pixel.
inline Bitmap noise24(int w, int h, quint32 seed)
{
    Bitmap b = Bitmap::create(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            setRaw(b, x, y, seed >> 8);
        }
    return b;
}

inline QSet<QPoint> differing(const Bitmap& a, const Bitmap& b)
{
    QSet<QPoint> out;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (raw(a, x, y) != raw(b, x, y))
                out.insert(QPoint(x, y));
    return out;
}

// 2^bits greys from black to white.
inline std::vector<QRgb> greys(int bits)
{
    std::vector<QRgb> p;
    const int n = 1 << bits;
    for (int i = 0; i < n; ++i) {
        const int v = i * 255 / (n - 1);
        p.push_back(qRgb(v, v, v));
    }
    return p;
}

} // namespace rastertest
