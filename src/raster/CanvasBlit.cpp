// The canvas's block transfers under any ternary raster operation.

#include "raster/CanvasSurface.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

namespace ardane::raster {

void Canvas::bitBlt(int dx, int dy, int w, int h, const Canvas& source, int sx, int sy, std::uint32_t rop)
{
    if (w <= 0 || h <= 0 || source.m_bitmap.isNull() || m_bitmap.isNull())
        return;
    // A shared copy of the source: should it share pixels with this bitmap,
    // writing detaches this one and the source keeps its pixels.
    const Bitmap src = source.m_bitmap;
    const Kind srcKind = kindOf(src);
    const Kind dstKind = kindOf(m_bitmap);
    if (srcKind == Kind::None || dstKind == Kind::None)
        return;
    const QPoint so = source.m_origin;

    // Destination device rectangle that both bitmaps cover.
    const std::int64_t shiftX = std::int64_t(sx) - dx, shiftY = std::int64_t(sy) - dy; // source = dest + shift
    std::int64_t left = std::max<std::int64_t>({dx, m_origin.x(), std::int64_t(so.x()) - shiftX});
    std::int64_t top = std::max<std::int64_t>({dy, m_origin.y(), std::int64_t(so.y()) - shiftY});
    std::int64_t right = std::min<std::int64_t>({std::int64_t(dx) + w, std::int64_t(m_origin.x()) + m_bitmap.width(),
                                                 std::int64_t(so.x()) + src.width() - shiftX});
    std::int64_t bottom = std::min<std::int64_t>({std::int64_t(dy) + h, std::int64_t(m_origin.y()) + m_bitmap.height(),
                                                  std::int64_t(so.y()) + src.height() - shiftY});
    const Region* clip = m_impl->clip ? &*m_impl->clip : nullptr;
    if (clip) {
        if (clip->isEmpty())
            return;
        const QRect b = clip->bounds();
        left = std::max<std::int64_t>(left, b.left());
        top = std::max<std::int64_t>(top, b.top());
        right = std::min<std::int64_t>(right, std::int64_t(b.left()) + b.width());
        bottom = std::min<std::int64_t>(bottom, std::int64_t(b.top()) + b.height());
    }
    if (left >= right || top >= bottom)
        return;

    const unsigned table = (rop >> 16) & 0xFFu;
    const bool usesSource = ((table >> 2) & 0x33u) != (table & 0x33u);
    const bool usesDest = ((table >> 1) & 0x55u) != (table & 0x55u);
    const QRgb pattern = (m_brush ? imaging::colorRefToRgb(*m_brush) : qRgb(255, 255, 255)) & 0xFFFFFFu;
    // result = m0 & ~S & ~D | m1 & ~S & D | m2 & S & ~D | m3 & S & D, each mask
    // taking the truth table's bit for the pattern's bit value.
    std::array<QRgb, 4> masks{};
    for (unsigned j = 0; j < 4; ++j)
        masks[j] = (((table >> (4 + j)) & 1u) ? pattern : 0u) | (((table >> j) & 1u) ? ~pattern : 0u);

    const std::vector<QRgb> srcPalette = src.palette();
    std::vector<QRgb> dstPalette = m_bitmap.palette();
    if (dstKind == Kind::Indexed && dstPalette.empty()) {
        m_bitmap.image().setColorTable({qRgb(0, 0, 0)});
        dstPalette = m_bitmap.palette();
    }

    Impl::Surface surface(*this);
    if (!surface.isOpen())
        return;
    const opsd::PaletteTable srcTable = srcKind == Kind::Indexed ? opsd::paletteTable(src.image()) : opsd::PaletteTable{};
    const opsd::PaletteTable dstTable =
        dstKind == Kind::Indexed ? opsd::paletteTable(m_bitmap.image()) : opsd::PaletteTable{};
    const opsd::NearestColor* nearest = dstKind == Kind::Indexed ? &m_impl->nearestFor(dstPalette) : nullptr;

    // Plain copies between equal storage: bytes, or indices through a table.
    const bool copy = table == 0xCCu;
    const bool sameBytes = copy && srcKind == dstKind &&
                           (srcKind != Kind::Indexed || srcPalette == dstPalette);
    std::array<uchar, 256> indexMap{};
    const bool indexCopy = copy && !sameBytes && srcKind == Kind::Indexed && dstKind == Kind::Indexed;
    if (indexCopy)
        for (int i = 0; i < 256; ++i) {
            const QRgb c = srcTable[std::size_t(i)];
            indexMap[std::size_t(i)] = uchar((*nearest)(qRed(c), qGreen(c), qBlue(c)));
        }
    const int bytesPerPixel = opsd::bytesPerPixel(m_bitmap.bitsPerPixel());

    const bool indexPairs = !copy && dstKind == Kind::Indexed && (srcKind == Kind::Indexed || !usesSource);
    std::vector<std::int16_t> pairs;
    RecentColours recent;

    std::vector<QRgb> bufS, bufD;
    const QImage& srcImage = src.image();
    auto process = [&](int y, int x0, int x1) { // device coordinates, inside everything
        const int n = x1 - x0;
        const int by = y - m_origin.y(), bx = x0 - m_origin.x();
        const int sby = int(y + shiftY - so.y()), sbx = int(x0 + shiftX - so.x());
        uchar* dline = surface.line(by);
        const uchar* sline = srcImage.constScanLine(sby);
        if (sameBytes) {
            std::memcpy(dline + std::size_t(bx) * std::size_t(bytesPerPixel),
                        sline + std::size_t(sbx) * std::size_t(bytesPerPixel), std::size_t(n) * std::size_t(bytesPerPixel));
        } else if (indexCopy) {
            for (int i = 0; i < n; ++i)
                dline[bx + i] = indexMap[sline[sbx + i]];
        } else if (indexPairs) {
            // Indexed in, indexed out: the result depends on the two indices
            // only, so each pair is worked out once.
            if (pairs.empty())
                pairs.assign(65536, -1);
            for (int i = 0; i < n; ++i) {
                const unsigned si = usesSource ? sline[sbx + i] : 0u, di = usesDest ? dline[bx + i] : 0u;
                std::int16_t& r = pairs[(si << 8) | di];
                if (r < 0) {
                    const QRgb S = srcTable[si] & 0xFFFFFFu, D = dstTable[di] & 0xFFFFFFu;
                    const QRgb c = (masks[0] & ~S & ~D) | (masks[1] & ~S & D) | (masks[2] & S & ~D) | (masks[3] & S & D);
                    r = std::int16_t((*nearest)(int(qRed(c)), int(qGreen(c)), int(qBlue(c))));
                }
                dline[bx + i] = uchar(r);
            }
        } else {
            if (bufS.size() < std::size_t(n)) {
                bufS.resize(std::size_t(n));
                bufD.resize(std::size_t(n));
            }
            QRgb* s = bufS.data();
            QRgb* d = bufD.data();
            if (usesSource)
                readRgb(srcKind, sline, sbx, n, srcTable, s);
            if (usesDest)
                readRgb(dstKind, dline, bx, n, dstTable, d);
            if (!copy) {
                const QRgb m0 = masks[0], m1 = masks[1], m2 = masks[2], m3 = masks[3];
                for (int i = 0; i < n; ++i) {
                    const QRgb S = usesSource ? s[i] : 0u, D = usesDest ? d[i] : 0u;
                    d[i] = ((m0 & ~S & ~D) | (m1 & ~S & D) | (m2 & S & ~D) | (m3 & S & D)) & 0xFFFFFFu;
                }
            } else {
                d = s;
            }
            switch (dstKind) {
            case Kind::Indexed:
                for (int i = 0; i < n; ++i)
                    dline[bx + i] = recent.index(d[i], *nearest);
                break;
            case Kind::Rgb555: {
                auto* p = reinterpret_cast<std::uint16_t*>(dline) + bx;
                for (int i = 0; i < n; ++i)
                    p[i] = opsd::packRgb555(d[i]);
                break;
            }
            case Kind::Rgb888: {
                uchar* p = dline + 3 * std::size_t(bx);
                for (int i = 0; i < n; ++i, p += 3) {
                    p[0] = uchar(d[i] >> 16);
                    p[1] = uchar(d[i] >> 8);
                    p[2] = uchar(d[i]);
                }
                break;
            }
            case Kind::Argb32: {
                auto* p = reinterpret_cast<QRgb*>(dline) + bx;
                for (int i = 0; i < n; ++i)
                    p[i] = 0xFF000000u | d[i];
                break;
            }
            case Kind::None: break;
            }
        }
        surface.written(bx, by, bx + n, by + 1);
    };

    for (std::int64_t y = top; y < bottom; ++y) {
        if (!clip) {
            process(int(y), int(left), int(right));
            continue;
        }
        for (const Span& s : clip->row(int(y))) {
            const std::int64_t l = std::max<std::int64_t>(left, s.left);
            const std::int64_t r = std::min<std::int64_t>(right, s.right);
            if (l < r)
                process(int(y), int(l), int(r));
            if (s.left >= right)
                break;
        }
    }
}

} // namespace ardane::raster
