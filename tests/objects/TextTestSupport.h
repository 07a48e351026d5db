#pragma once
// Shared by the text object tests: fonts and options, text objects in a box,
// white images, merged renders, pixel sets and little-endian reads.
// Glyphs come from DejaVu Sans (Debian package fonts-dejavu-core).

#include "objects/CTextObj.h"
#include "objects/TextLayout.h"
#include "objects/TextRender.h"
#include "raster/Canvas.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QSet>
#include <QTest>

#include <cmath>
#include <cstring>

using namespace ardane;
using namespace ardane::objects;
using ardane::imaging::Bitmap;

namespace texttest {

inline constexpr ColorRef kWhite = 0xFFFFFF;
inline constexpr ColorRef kRed = makeColorRef(255, 0, 0);
inline constexpr ColorRef kBlue = makeColorRef(0, 0, 255);
inline constexpr ColorRef kGreen = makeColorRef(0, 160, 0);

inline FontState dejaVu(int points, bool bold = false)
{
    FontState f;
    f.faceName = QStringLiteral("DejaVu Sans");
    f.pointSize = points;
    f.bold = bold;
    f.charSet = 0;
    f.pitchAndFamily = 0x22;
    return f;
}

inline TextParams plainOptions(int effect = TL_STRAIGHT)
{
    TextParams o;
    o.shadow = 0;
    o.threeD = 0;
    o.effect = std::int16_t(effect);
    o.clockwise = 0;
    o.startAngle = 90;
    o.depth = 5;
    return o;
}

// A text object as the text tool leaves it after typing `text`.
inline std::unique_ptr<CTextObj> makeText(const QString& text, const Box& box, const TextParams& options,
                                   int points = 20, ColorRef colour = kRed)
{
    auto obj = std::make_unique<CTextObj>();
    PaintSettings settings;
    obj->CreateInView(box, settings);
    if (!obj->setupNew(100, dejaVu(points), options, colour))
        return nullptr;
    obj->setText(text);
    return obj;
}

inline Bitmap whiteImage(int w, int h)
{
    Bitmap b = Bitmap::create(w, h, 24);
    for (int y = 0; y < h; ++y)
        std::memset(b.image().scanLine(y), 0xFF, std::size_t(w) * 3);
    return b;
}

inline ColorRef at(const Bitmap& b, int x, int y)
{
    const uchar* p = b.image().constScanLine(y) + 3 * std::size_t(x);
    return makeColorRef(p[0], p[1], p[2]);
}

inline QSet<QPoint> pixelsOf(const Bitmap& b, ColorRef c)
{
    QSet<QPoint> s;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x)
            if (at(b, x, y) == c)
                s.insert(QPoint(x, y));
    return s;
}

inline QSet<QPoint> shifted(const QSet<QPoint>& s, QPoint d)
{
    QSet<QPoint> out;
    for (const QPoint& p : s)
        out.insert(p + d);
    return out;
}

inline Bitmap merged(CTextObj& obj, int w, int h, int drawMode = raster::R2_COPYPEN, Box* written = nullptr)
{
    Bitmap image = whiteImage(w, h);
    raster::Canvas canvas(image);
    const Box box = obj.MergeIntoImage(canvas, ImageMapping{}, drawMode);
    if (written)
        *written = box;
    return image;
}

inline QRect boundsOf(const QSet<QPoint>& s)
{
    QRect r;
    for (const QPoint& p : s)
        r |= QRect(p, QSize(1, 1));
    return r;
}

inline std::vector<std::uint8_t> bytesOf(const CGeneralObj& obj)
{
    std::vector<std::uint8_t> out;
    ArchiveWriter w(out);
    obj.Serialize(w);
    return out;
}

inline std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
           std::uint32_t(b[at + 3]) << 24;
}
inline std::uint16_t le16(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return std::uint16_t(b[at] | b[at + 1] << 8);
}

} // namespace texttest

using namespace texttest;
