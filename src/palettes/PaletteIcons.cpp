#include "palettes/PaletteIcons.h"

#include "core/CommandIds.h"

#include <QFile>

#include <algorithm>
#include <array>

// The resources live in this static library; register them once, from outside
// any namespace as the resource compiler's initialiser requires.
static void registerPaletteResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(palettes);
        return true;
    }();
    (void)done;
}

namespace ardane {

namespace {

struct PaletteImageSet {
    const char* folder;
    const char* prefix;
    int count;
};

PaletteImageSet imageSet(PaletteImages palette)
{
    switch (palette) {
    case PaletteImages::Tools: return {"tools", "tool", 22};
    case PaletteImages::SprayStyles: return {"spray", "spray", 12};
    case PaletteImages::BrushStyles: return {"brush", "brush", 20};
    }
    return {"", "", 0};
}

QIcon iconFromBase(const QString& base)
{
    registerPaletteResources();
    const QString small = base + QStringLiteral(".png");
    if (!QFile::exists(small))
        return {};
    QIcon icon;
    icon.addFile(small, kButtonImageSize);
    icon.addFile(base + QStringLiteral("@2x.png"), kButtonImageSize * 2);
    return icon;
}

struct CommandImage {
    int id;
    const char* name;
};

constexpr std::array<CommandImage, 32> kCommandImages{{
    {ID_FONT_BOLD, "bold"},
    {ID_FONT_ITALIC, "italic"},
    {ID_FONT_UNDERLINE, "underline"},
    {ID_FILE_NEW, "new"},
    {ID_FILE_OPEN, "open"},
    {ID_FILE_SAVE, "save"},
    {ID_FILE_PRINT, "print"},
    {ID_EDIT_COPY, "copy"},
    {ID_EDIT_PASTE, "paste"},
    {ID_PEN_COLOR, "pen_color"},
    {ID_BACKGROUND_COLOR, "background_color"},
    {ID_ROTATE_SPECIFIED, "rotate_angle"},
    {ID_VIEW_NORMAL, "zoom_normal"},
    {ID_VIEW_ZOOM_IN, "zoom_in"},
    {ID_VIEW_ZOOM_OUT, "zoom_out"},
    {ID_EDIT_DELETE, "delete"},
    {ID_MERGE, "merge"},
    {ID_ACQUIRE_SCANNER, "scanner"},
    {ID_CAPTURE_SCREEN, "capture"},
    {ID_CAPTURE_POPUP, "capture_option"},
    {ID_ROTATE_90, "rotate_90"},
    {ID_ROTATE_180, "rotate_180"},
    {ID_ROTATE_270, "rotate_270"},
    {ID_ENHANCE, "enhance"},
    {ID_DRAW_MODE_POPUP, "draw_mode"},
    {ID_FILL_ENTIRELY, "fill_entirely"},
    {ID_FILL_INSIDE, "fill_inside"},
    {ID_FILL_OUTSIDE, "fill_outside"},
    {ID_VISUAL_PATCH, "patch"},
    {ID_DETAILED_ADJUSTMENT, "adjust_detailed"},
    {ID_CURVE_ADJUSTMENT, "adjust_curve"},
    {ID_FLAT_ADJUSTMENT, "adjust_flat"},
}};

} // namespace

QString paletteIconPath(PaletteImages palette, int index)
{
    const PaletteImageSet set = imageSet(palette);
    return QStringLiteral(":/icons/%1/%2_%3.png")
        .arg(QLatin1String(set.folder), QLatin1String(set.prefix))
        .arg(index, 2, 10, QLatin1Char('0'));
}

QIcon paletteIcon(PaletteImages palette, int index)
{
    if (index < 0 || index >= imageSet(palette).count)
        return {};
    QString path = paletteIconPath(palette, index);
    path.chop(4); // ".png"
    return iconFromBase(path);
}

QIcon commandIcon(int id)
{
    if (id >= ID_TOOL_FIRST && id <= ID_TOOL_LAST)
        return paletteIcon(PaletteImages::Tools, id - ID_TOOL_FIRST);
    if (id >= ID_SPRAY_STYLE_FIRST && id <= ID_SPRAY_STYLE_LAST)
        return paletteIcon(PaletteImages::SprayStyles, id - ID_SPRAY_STYLE_FIRST);
    if (id >= ID_BRUSH_STYLE_FIRST && id <= ID_BRUSH_STYLE_LAST)
        return paletteIcon(PaletteImages::BrushStyles, id - ID_BRUSH_STYLE_FIRST);
    auto it = std::ranges::find(kCommandImages, id, &CommandImage::id);
    if (it == kCommandImages.end())
        return {};
    return iconFromBase(QStringLiteral(":/icons/commands/") + QLatin1String(it->name));
}

QIcon fontGlyphIcon(FontGlyph glyph)
{
    return iconFromBase(glyph == FontGlyph::TrueType ? QStringLiteral(":/icons/fonts/font_truetype")
                                                     : QStringLiteral(":/icons/fonts/font_device"));
}

} // namespace ardane
