#pragma once
// Pictures and drawing objects for the layered-file tests: a gradient image,
// one object of each class with distinct fields, and a reader of the bytes
// of a record that does not go through LayeredFile.

#include "imaging/ImagingControl.h"
#include "objects/CTextObj.h"
#include "objects/ShapeObjects.h"

#include <QImage>

#include <cstdint>
#include <memory>
#include <vector>

namespace ardane::test {

inline imaging::ImagingControl sampleImage(int w, int h, int bits = 24)
{
    imaging::Bitmap b = imaging::Bitmap::create(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.image().setPixel(x, y, qRgb((x * 30) & 255, (y * 40) & 255, 99));
    imaging::ImagingControl c;
    c.SetImageHandle(b);
    if (bits != 24)
        [[maybe_unused]] const auto r = c.ConvertColorDepth(bits, 1, 0, 0);
    return c;
}

inline std::uint32_t u32At(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return std::uint32_t(b[at]) | (std::uint32_t(b[at + 1]) << 8) | (std::uint32_t(b[at + 2]) << 16)
         | (std::uint32_t(b[at + 3]) << 24);
}

inline std::unique_ptr<objects::CRectObj> makeRect(const objects::Box& box, ColorRef colour, int width = 1,
                                                   bool fill = false, ColorRef fillColour = 0)
{
    PaintSettings s;
    s.penColor = colour;
    s.objectDefaults = ObjectParams{fill ? 1 : 0, fillColour, width};
    auto o = std::make_unique<objects::CRectObj>();
    o->CreateInView(box, s);
    return o;
}

inline std::unique_ptr<objects::CEllipseObj> makeEllipse(const objects::Box& box, ColorRef colour, int width = 1)
{
    PaintSettings s;
    s.penColor = colour;
    s.objectDefaults = ObjectParams{1, 0x00336699, width};
    auto o = std::make_unique<objects::CEllipseObj>();
    o->CreateInView(box, s);
    return o;
}

inline std::unique_ptr<objects::CLineObj> makeLine(const objects::Box& box, ColorRef colour, std::int32_t direction)
{
    PaintSettings s;
    s.penColor = colour;
    s.objectDefaults = ObjectParams{0, 0, 3};
    auto o = std::make_unique<objects::CLineObj>();
    o->CreateInView(box, s);
    o->m_nDirection = direction;
    return o;
}

inline std::unique_ptr<objects::CTextObj> makeText(const objects::Box& box, const QString& text, ColorRef colour)
{
    auto o = std::make_unique<objects::CTextObj>();
    PaintSettings s;
    s.penColor = colour;
    o->CreateInView(box, s);
    FontState font;
    font.bold = true;
    font.italic = true;
    font.pointSize = 14;
    font.faceName = QStringLiteral("DejaVu Sans");
    TextParams options;
    options.depth = 7;
    options.shadow = 1;
    options.shadowColor = 0x00102030;
    options.direction = 5;
    options.effect = objects::TL_STRAIGHT;
    options.startAngle = 90;
    o->setupNew(100, font, options, colour);
    o->setText(text);
    o->m_field = 0xBEEF;
    return o;
}

// One object of each class, in the order rectangle, ellipse, line, text.
inline objects::ObjectList sampleObjects()
{
    objects::ObjectList list;
    list.push_back(makeRect({25, 22, 40, 31}, 0x000000FF, 2, true, 0x0000FF00));
    list.back()->RotatePoints(30);
    list.push_back(makeEllipse({21, 21, 35, 29}, 0x00FF0000, 1));
    list.push_back(makeLine({30, 20, 44, 34}, 0x0000FFFF, objects::CLineObj::kRising));
    list.push_back(makeText({20, 20, 60, 40}, QStringLiteral("Ardane"), 0x00404040));
    return list;
}

// Where each record of a well-formed layered file starts; `count` records
// after the header, records of known classes only.
struct RecordSpan {
    std::size_t start = 0;      // the rectangle
    std::size_t nameAt = 0;     // the name's length prefix
    std::size_t dataAt = 0;     // the object's own data
    std::size_t end = 0;
};

inline std::size_t stringLengthAt(const std::vector<std::uint8_t>& b, std::size_t at, std::size_t* prefix)
{
    if (b[at] != 0xFF) {
        *prefix = 1;
        return b[at];
    }
    const std::size_t mid = std::size_t(b[at + 1]) | (std::size_t(b[at + 2]) << 8);
    if (mid != 0xFFFF) {
        *prefix = 3;
        return mid;
    }
    *prefix = 7;
    return u32At(b, at + 3);
}

inline std::vector<RecordSpan> recordSpans(const std::vector<std::uint8_t>& b)
{
    std::vector<RecordSpan> spans;
    std::size_t at = 10 + u32At(b, 4);
    const std::uint32_t count = u32At(b, at);
    at += 4;
    for (std::uint32_t i = 0; i < count; ++i) {
        RecordSpan s;
        s.start = at;
        s.nameAt = at + 16;
        std::size_t prefix = 0;
        const std::size_t n = stringLengthAt(b, s.nameAt, &prefix);
        const std::string name(reinterpret_cast<const char*>(b.data() + s.nameAt + prefix), n);
        s.dataAt = s.nameAt + prefix + n;
        s.end = s.dataAt + 64;
        if (name == "CTextObj") {
            s.end += 64 + 28 + 2;
            const std::size_t len = stringLengthAt(b, s.end, &prefix);
            s.end += prefix + len;
        }
        spans.push_back(s);
        at = s.end;
    }
    return spans;
}

} // namespace ardane::test
