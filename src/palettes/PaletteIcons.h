#pragma once
// The button images of the palettes and the two command bars, drawn for this
// program (tools/make_icons.py) and built into the library as resources, each
// at 16 x 15 pixels and at twice that size for high-density screens.

#include <QIcon>
#include <QString>

namespace ardane {

inline constexpr QSize kButtonImageSize{16, 15};

enum class PaletteImages { Tools, SprayStyles, BrushStyles };

// Image i of a palette; a null icon past the last image.
[[nodiscard]] QIcon paletteIcon(PaletteImages palette, int index);

// The image of a command button (palette buttons included); a null icon for
// commands that have none.
[[nodiscard]] QIcon commandIcon(int id);

// The glyphs that mark scalable and device fonts in the font-name list.
enum class FontGlyph { TrueType, Device };
[[nodiscard]] QIcon fontGlyphIcon(FontGlyph glyph);

// Resource path of the 16 x 15 image ("...@2x.png" holds the large one).
[[nodiscard]] QString paletteIconPath(PaletteImages palette, int index);

} // namespace ardane
