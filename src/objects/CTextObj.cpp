#include "objects/CTextObj.h"

#include "imaging/Bitmap.h"
#include "objects/TextRender.h"
#include "raster/Canvas.h"

#include <QFontMetrics>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

namespace ardane::objects {

namespace {

std::atomic<int> g_screenDpi{96};

constexpr std::int32_t kMaxPointSize = 1000;
// Far beyond any screen: 1000 points at 600 pixels per inch is 8334.
constexpr std::int32_t kMaxPixelHeight = 10000;

[[nodiscard]] std::int32_t pixelHeightFor(std::int32_t points)
{
    return std::int32_t(std::lround(double(points) * screenResolution() / 72.0));
}

// The steps of the eight shadow and 3D directions, in TextParams::direction
// order: N, NE, NW, S, SE, SW, E, W. Each copy moves one step; the text
// itself ends up `depth` steps on, so the extrusion lies toward the named
// side of the text.
constexpr std::array<QPoint, 8> kDirectionSteps{QPoint(0, 1),  QPoint(-1, 1),  QPoint(1, 1), QPoint(0, -1),
                                                QPoint(-1, -1), QPoint(1, -1), QPoint(-1, 0), QPoint(1, 0)};

[[nodiscard]] std::int64_t floorDiv(std::int64_t n, std::int64_t d)
{
    const std::int64_t q = n / d;
    return (n % d != 0 && n < 0) ? q - 1 : q;
}

// The logical pixels a canvas's bitmap covers.
[[nodiscard]] QRect logicalBounds(const raster::Canvas& canvas)
{
    const QRect d = canvas.deviceBounds();
    const int f = std::max(1, canvas.scaleFactor());
    const std::int64_t left = floorDiv(d.left(), f);
    const std::int64_t top = floorDiv(d.top(), f);
    const std::int64_t right = floorDiv(std::int64_t(d.left()) + d.width() - 1, f) + 1;
    const std::int64_t bottom = floorDiv(std::int64_t(d.top()) + d.height() - 1, f) + 1;
    return QRect(int(left), int(top), int(right - left), int(bottom - top));
}

[[nodiscard]] Box unite(const Box& a, const Box& b)
{
    if (a.isEmpty())
        return b;
    if (b.isEmpty())
        return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

[[nodiscard]] bool validEffect(int e)
{
    return e == TL_ARC || e == TL_CIRCLE || e == TL_HALF_CIRCLE || e == TL_STRAIGHT;
}

[[nodiscard]] bool validStart(int a) { return a == 0 || a == 90 || a == 180 || a == 270; }

// A face name in at most 35 bytes (Latin-1 or UTF-8), never cut inside a
// character.
[[nodiscard]] std::array<char, 36> encodeFaceName(const QString& face)
{
    std::string bytes = encodeTextBytes(face);
    if (bytes.size() > 35) {
        std::size_t n = 35;
        const bool utf8 = std::any_of(face.begin(), face.end(), [](QChar c) { return c.unicode() > 0xFF; });
        if (utf8)
            while (n > 0 && (static_cast<unsigned char>(bytes[n]) & 0xC0) == 0x80)
                --n;
        bytes.resize(n);
    }
    std::array<char, 36> out{};
    std::memcpy(out.data(), bytes.data(), bytes.size());
    return out;
}

} // namespace

// --- the font record -------------------------------------------------------

void TextFontRecord::write(ArchiveWriter& out) const
{
    out.i32(bold);
    out.i32(italic);
    out.i32(underline);
    out.i32(pointSize);
    out.i32(pixelHeight);
    out.u8(charSet);
    out.u8(pitchAndFamily);
    out.u16(padding);
    out.i32(escapement);
    out.bytes(std::span(reinterpret_cast<const std::uint8_t*>(faceName.data()), faceName.size()));
}

bool TextFontRecord::read(ArchiveReader& in)
{
    if (in.remaining() < kSize)
        return false;
    TextFontRecord r;
    r.bold = *in.i32();
    r.italic = *in.i32();
    r.underline = *in.i32();
    r.pointSize = *in.i32();
    r.pixelHeight = *in.i32();
    r.charSet = *in.u8();
    r.pitchAndFamily = *in.u8();
    r.padding = *in.u16();
    r.escapement = *in.i32();
    const auto name = *in.bytes(r.faceName.size());
    std::memcpy(r.faceName.data(), name.data(), name.size());
    r.faceName.back() = '\0';
    *this = r;
    return true;
}

void setScreenResolution(int dotsPerInchY)
{
    if (dotsPerInchY > 0 && dotsPerInchY <= 10000)
        g_screenDpi = dotsPerInchY;
}

int screenResolution() { return g_screenDpi; }

// --- the object ------------------------------------------------------------

CTextObj::CTextObj() = default;

void CTextObj::rebuildFont() { m_font = makeFont(m_fontRecord); }

bool CTextObj::setupNew(int viewZoom, const FontState& font, const TextParams& options, ColorRef penColor)
{
    m_nZoom = viewZoom;
    m_fontRecord.bold = font.bold ? 1 : 0;
    m_fontRecord.italic = font.italic ? 1 : 0;
    m_fontRecord.underline = font.underline ? 1 : 0;
    m_fontRecord.pointSize = std::clamp(font.pointSize, 0, int(kMaxPointSize));
    m_fontRecord.pixelHeight = pixelHeightFor(m_fontRecord.pointSize);
    m_fontRecord.charSet = font.charSet;
    m_fontRecord.pitchAndFamily = font.pitchAndFamily;
    m_fontRecord.escapement = 0;
    m_fontRecord.faceName = encodeFaceName(font.faceName);
    // A box too small to type into is made usable.
    if (m_window.height() < 12) {
        m_window.top -= 5;
        m_window.bottom += 5;
    }
    if (m_window.width() < 20) {
        m_window.left -= 5;
        m_window.right += 5;
    }
    rebuildFont();
    if (!m_font)
        return false;
    m_options = options;
    m_pts = cornersOf(m_window);
    m_color = penColor;
    return true;
}

bool CTextObj::EndEdit(const QString& text, const Box& editRect)
{
    if (text.isEmpty()) {
        m_bDiscarded = 1;
        return false;
    }
    m_text = text;
    const std::int32_t angle = m_nAngle;
    if (m_options.effect == TL_STRAIGHT && angle != 0) {
        // Unturn (the accumulated angle returns to 0), take the new box and
        // turn it to the angle again, so the corners fit the new size.
        RotatePoints(-angle);
        m_pts = cornersOf(editRect);
        RotatePoints(angle);
        FitWindowToPoints();
    } else {
        m_pts = cornersOf(editRect);
        m_window = editRect;
    }
    return true;
}

void CTextObj::setFontState(const FontState& font)
{
    m_fontRecord.bold = font.bold ? 1 : 0;
    m_fontRecord.italic = font.italic ? 1 : 0;
    m_fontRecord.underline = font.underline ? 1 : 0;
    m_fontRecord.pointSize = std::clamp(font.pointSize, 0, int(kMaxPointSize));
    m_fontRecord.pixelHeight = pixelHeightFor(m_fontRecord.pointSize);
    m_fontRecord.charSet = font.charSet;
    m_fontRecord.pitchAndFamily = font.pitchAndFamily;
    m_fontRecord.faceName = encodeFaceName(font.faceName);
    rebuildFont();
}

FontState CTextObj::fontState() const
{
    FontState s;
    s.bold = m_fontRecord.bold != 0;
    s.italic = (m_fontRecord.italic & 0xFF) != 0;
    s.underline = (m_fontRecord.underline & 0xFF) != 0;
    s.pointSize = m_fontRecord.pointSize;
    s.pitchAndFamily = m_fontRecord.pitchAndFamily;
    s.charSet = m_fontRecord.charSet;
    s.faceName = faceNameOf(m_fontRecord);
    return s;
}

void CTextObj::setFontRecord(const TextFontRecord& record)
{
    m_fontRecord = record;
    m_fontRecord.faceName.back() = '\0';
    rebuildFont();
}

void CTextObj::ApplyAngle()
{
    m_fontRecord.escapement = m_nAngle * 10;
    m_fontRecord.pixelHeight = pixelHeightFor(m_fontRecord.pointSize);
    rebuildFont();
}

// --- the archive -----------------------------------------------------------

void CTextObj::Serialize(ArchiveWriter& out) const
{
    CGeneralObj::Serialize(out);
    m_fontRecord.write(out);
    out.u16(std::uint16_t(m_options.depth));
    out.u16(m_optionsPadding0);
    out.i32(m_options.shadow);
    out.i32(m_options.threeD);
    out.i32(m_options.clockwise);
    out.u32(m_options.shadowColor);
    out.u16(std::uint16_t(m_options.direction));
    out.u16(std::uint16_t(m_options.effect));
    out.u16(std::uint16_t(m_options.startAngle));
    out.u16(m_optionsPadding1);
    out.u16(m_field);
    out.string(encodeTextBytes(m_text));
}

bool CTextObj::Serialize(ArchiveReader& in)
{
    // The base record is read first; put it back if the rest is refused.
    const ColorRef color = m_color;
    const ObjPoints pts = m_pts;
    const std::int32_t selected = m_bSelected, angle = m_nAngle, zoom = m_nZoom, discarded = m_bDiscarded;
    const ObjectParams params = m_params;
    const auto restore = [&] {
        m_color = color;
        m_pts = pts;
        m_bSelected = selected;
        m_nAngle = angle;
        m_nZoom = zoom;
        m_bDiscarded = discarded;
        m_params = params;
        return false;
    };
    if (!CGeneralObj::Serialize(in))
        return restore();

    TextFontRecord record;
    if (!record.read(in))
        return restore();
    TextParams options;
    const auto depth = in.u16();
    const auto pad0 = in.u16();
    const auto shadow = in.i32();
    const auto threeD = in.i32();
    const auto clockwise = in.i32();
    const auto shadowColor = in.u32();
    const auto direction = in.u16();
    const auto effect = in.u16();
    const auto start = in.u16();
    const auto pad1 = in.u16();
    const auto field = in.u16();
    auto bytes = in.string();
    if (!bytes || in.failed())
        return restore();
    options.depth = std::int16_t(*depth);
    options.shadow = *shadow;
    options.threeD = *threeD;
    options.clockwise = *clockwise;
    options.shadowColor = ColorRef(*shadowColor);
    options.direction = std::int16_t(*direction);
    options.effect = std::int16_t(*effect);
    options.startAngle = std::int16_t(*start);
    if (options.depth < 1 || options.depth > 200 || options.direction < 0 || options.direction > 7 ||
        !validEffect(options.effect) || !validStart(options.startAngle) || record.pointSize < 0 ||
        record.pointSize > kMaxPointSize || record.pixelHeight < 0 || record.pixelHeight > kMaxPixelHeight)
        return restore();

    m_fontRecord = record;
    m_options = options;
    m_optionsPadding0 = *pad0;
    m_optionsPadding1 = *pad1;
    m_field = *field;
    m_text = decodeTextBytes(*bytes);
    rebuildFont();
    return true;
}

// --- drawing ---------------------------------------------------------------

ColorRef CTextObj::keyColor() const
{
    constexpr ColorRef white = 0xFFFFFF, black = 0;
    const ColorRef text = m_color & 0xFFFFFF, shadow = m_options.shadowColor & 0xFFFFFF;
    if (text != white && shadow != white)
        return white;
    if (text != black && shadow != black)
        return black;
    return 0x010101; // one is white, the other black: a near-black neither is
}

bool CTextObj::drawsAnything() const { return m_font && m_fontRecord.pointSize > 0 && !m_text.isEmpty(); }

std::vector<TextPlacement> CTextObj::LayoutText(const ObjPoints& corners) const
{
    if (!m_font)
        return {};
    const QFontMetrics metrics(*m_font);
    const int charHeight = m_fontRecord.pixelHeight;
    if (m_options.effect == TL_STRAIGHT)
        return LayoutStraightText(metrics, charHeight, m_fontRecord.escapement / 10.0, m_text, corners);
    return LayoutCurvedText(metrics, charHeight, m_fontRecord.pointSize, m_text, corners, m_options.effect,
                            m_options.startAngle, m_options.clockwise != 0);
}

Box CTextObj::RenderText(raster::Canvas& canvas, const ObjPoints& corners) const
{
    if (!drawsAnything())
        return {};
    const bool copies = m_options.shadow != 0 || m_options.threeD != 0;
    const int depth = std::clamp(int(m_options.depth), 1, 200);
    const QRect bounds = logicalBounds(canvas);
    // Copies shift the text by up to depth pixels either way: keep what any
    // of them can bring into the canvas.
    const QRect clip = copies ? bounds.adjusted(-depth - 1, -depth - 1, depth + 1, depth + 1) : bounds;

    // The layout of a shifted box is the layout shifted, so the strings are
    // rasterised once and every copy reuses them.
    std::vector<TextStamp> stamps;
    for (const TextPlacement& p : LayoutText(corners))
        if (auto stamp = rasterise(*m_font, p, clip))
            stamps.push_back(std::move(*stamp));

    Box written;
    const auto draw = [&](QPoint offset, ColorRef colour) {
        for (const TextStamp& s : stamps) {
            const QPoint at = s.pos + offset;
            canvas.fillMask(s.mask, at.x(), at.y(), colour);
            const QRect hit = QRect(at, s.mask.size()) & bounds;
            if (!hit.isEmpty())
                written = unite(written, Box::fromQRect(hit));
        }
    };

    if (!copies) {
        draw({}, m_color);
        return written;
    }
    const QPoint step = kDirectionSteps[std::size_t(std::clamp(int(m_options.direction), 0, 7))];
    QPoint offset = -step * (depth / 2);
    const bool shadow = m_options.shadow != 0;
    for (int i = 0; i <= depth; ++i) {
        offset += step;
        if (shadow && i > 0 && i < depth)
            continue;
        draw(offset, i == depth ? m_color : m_options.shadowColor);
    }
    return written;
}

Box CTextObj::renderThroughScratch(raster::Canvas& target, const ObjPoints& corners) const
{
    const Box box = boundingBox(corners);
    // Only the client-sized part at the object's place is copied, and only
    // where it meets the target; the scratch covers just that.
    const QRect client(box.left, box.top, m_window.width(), m_window.height());
    const QRect area = client & logicalBounds(target);
    if (area.isEmpty())
        return {};
    imaging::Bitmap scratch = imaging::Bitmap::create(area.width(), area.height(), 24);
    if (scratch.isNull())
        return {};
    const ColorRef key = keyColor();
    {
        raster::Canvas canvas(scratch);
        canvas.setPen(std::nullopt);
        canvas.setBrush(key);
        canvas.rectangle(0, 0, area.width(), area.height());
        ObjPoints shifted = corners;
        for (QPoint& p : shifted)
            p -= area.topLeft();
        RenderText(canvas, shifted);
    }

    // Every colour the text left in the scratch goes over as it is, one
    // mask per colour (normally the text and the shadow colour).
    const QImage& pixels = scratch.image();
    std::vector<std::pair<ColorRef, QImage>> layers;
    Box copied;
    for (int y = 0; y < pixels.height(); ++y) {
        const uchar* row = pixels.constScanLine(y);
        for (int x = 0; x < pixels.width(); ++x) {
            const uchar* p = row + 3 * std::size_t(x);
            const ColorRef c = makeColorRef(p[0], p[1], p[2]);
            if (c == key)
                continue;
            auto layer = std::find_if(layers.begin(), layers.end(), [c](const auto& l) { return l.first == c; });
            if (layer == layers.end()) {
                QImage mask(pixels.size(), QImage::Format_Grayscale8);
                if (mask.isNull())
                    return {};
                mask.fill(0);
                layers.emplace_back(c, std::move(mask));
                layer = layers.end() - 1;
            }
            layer->second.scanLine(y)[x] = 255;
            copied = unite(copied, Box{x, y, x + 1, y + 1});
        }
    }
    for (const auto& [colour, mask] : layers)
        target.fillMask(mask, area.left(), area.top(), colour);
    return copied.translated(area.left(), area.top());
}

void CTextObj::DrawObject(raster::Canvas& canvas, DrawTarget target, int dx, int dy, int drawMode) const
{
    if (!drawsAnything())
        return;
    if (target == DrawTarget::Screen) {
        // The canvas covers the window and is scaled by the zoom: the corners
        // come in window pixels at that zoom and are drawn unscaled.
        raster::CanvasState keep(canvas);
        canvas.setViewportExtent(m_nZoom);
        const int z = std::max(1, m_nZoom / 100);
        ObjPoints corners;
        for (std::size_t i = 0; i < corners.size(); ++i) {
            const QPoint p = m_pts[i] - m_window.topLeft();
            corners[i] = QPoint(int(floorDiv(p.x(), z)), int(floorDiv(p.y(), z)));
        }
        RenderText(canvas, corners);
        return;
    }
    ObjPoints corners = m_pts;
    for (QPoint& p : corners)
        p += QPoint(dx, dy);
    if (drawMode == raster::R2_COPYPEN)
        RenderText(canvas, corners);
    else
        renderThroughScratch(canvas, corners);
}

Box CTextObj::MergeIntoImage(raster::Canvas& image, const ImageMapping& map, int drawMode)
{
    if (!drawsAnything())
        return {};
    ObjPoints corners;
    for (std::size_t i = 0; i < corners.size(); ++i)
        corners[i] = map.toImage(m_pts[i]);
    if (drawMode == raster::R2_COPYPEN)
        return RenderText(image, corners);
    return renderThroughScratch(image, corners);
}

} // namespace ardane::objects
