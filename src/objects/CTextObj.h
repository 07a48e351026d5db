#pragma once
// The text object: a string in a font, laid straight in lines wrapped inside
// the object's box (and turned with it), or character by character along a
// circle, an arc or a half circle, optionally with a 3D extrusion or a drop
// shadow.

#include "core/TextFont.h"
#include "objects/CGeneralObj.h"
#include "objects/TextLayout.h"

#include <QFont>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace ardane::objects {

// Layouts (TextParams::effect).
enum TextLayout : std::int16_t { TL_ARC = 1, TL_CIRCLE = 2, TL_HALF_CIRCLE = 4, TL_STRAIGHT = 8 };

// The font as archived, 64 bytes byte for byte.
struct TextFontRecord {
    std::int32_t bold = 0;          // non-zero: weight 700, else 400
    std::int32_t italic = 0;        // low byte used
    std::int32_t underline = 0;     // low byte used
    std::int32_t pointSize = 0;
    std::int32_t pixelHeight = 0;   // points x vertical screen resolution / 72, rounded
    std::uint8_t charSet = 0;
    std::uint8_t pitchAndFamily = 0;
    std::uint16_t padding = 0;      // written as held
    std::int32_t escapement = 0;    // tenths of a degree
    std::array<char, 36> faceName{}; // zero-terminated

    static constexpr std::size_t kSize = 64;
    void write(ArchiveWriter& out) const;
    [[nodiscard]] bool read(ArchiveReader& in);
    friend bool operator==(const TextFontRecord&, const TextFontRecord&) = default;
};

// Vertical resolution of the screen in pixels per inch, from which a point
// size becomes a pixel height. 96 until the program sets it.
void setScreenResolution(int dotsPerInchY);
[[nodiscard]] int screenResolution();

class CTextObj final : public CGeneralObj {
public:
    CTextObj();

    [[nodiscard]] std::string_view className() const override { return "CTextObj"; }
    [[nodiscard]] ObjectKind kind() const override { return ObjectKind::Text; }

    // The setup of a text box just created with CreateInView: the view's
    // zoom, the toolbar's font, a small box grown to be usable, the text
    // options and the pen colour. False when the font cannot be built (the
    // object then draws nothing).
    bool setupNew(int viewZoom, const FontState& font, const TextParams& options, ColorRef penColor);

    // Editing ends with `text` typed into a box at `editRect` (view
    // coordinates, already at the object's zoom). Non-empty: the text is
    // kept, the window and corners take the box (a turned straight text is
    // turned again so that its corners follow the new size); true. Empty:
    // the object is discarded (m_bDiscarded = 1); false.
    bool EndEdit(const QString& text, const Box& editRect);

    [[nodiscard]] const QString& text() const { return m_text; }
    void setText(const QString& text) { m_text = text; }

    // The toolbar's font state: applied to the record (the escapement kept)
    // and the font rebuilt; and read back for the toolbar.
    void setFontState(const FontState& font);
    [[nodiscard]] FontState fontState() const;
    [[nodiscard]] const TextFontRecord& fontRecord() const { return m_fontRecord; }
    void setFontRecord(const TextFontRecord& record);

    void ApplyAngle() override;
    [[nodiscard]] bool CanRotate() const override { return m_options.effect == TL_STRAIGHT; }

    void Serialize(ArchiveWriter& out) const override;
    [[nodiscard]] bool Serialize(ArchiveReader& in) override;

    void DrawObject(raster::Canvas& canvas, DrawTarget target, int dx, int dy, int drawMode) const override;
    Box MergeIntoImage(raster::Canvas& image, const ImageMapping& map, int drawMode) override;

    // Where the strings go for the corners `corners` (in the pixels of the
    // target): lines for straight text, characters for the curves. Empty
    // without a font.
    [[nodiscard]] std::vector<TextPlacement> LayoutText(const ObjPoints& corners) const;
    [[nodiscard]] bool hasFont() const { return m_font.has_value(); }
    // The colour that marks untouched pixels of the scratch image a merge
    // under a mix mode renders into: white, black when the text or shadow
    // colour is white, 0x010101 when one of them is white and the other
    // black.
    [[nodiscard]] ColorRef keyColor() const;

    TextParams m_options;
    std::uint16_t m_field = 30; // archived after the options, not otherwise used
    // The padding words of the archived options, kept as read.
    std::uint16_t m_optionsPadding0 = 0;
    std::uint16_t m_optionsPadding1 = 0;

private:
    void rebuildFont();
    // Draws the text (with its shadow or 3D copies) for `corners` in the
    // canvas's logical pixels; returns the box of pixels written.
    Box RenderText(raster::Canvas& canvas, const ObjPoints& corners) const;
    // Renders into a scratch image first and copies what the text wrote,
    // clipped to the client-sized box at the top-left of the corners.
    Box renderThroughScratch(raster::Canvas& target, const ObjPoints& corners) const;
    [[nodiscard]] bool drawsAnything() const;

    TextFontRecord m_fontRecord;
    QString m_text;
    std::optional<QFont> m_font;
};

} // namespace ardane::objects
