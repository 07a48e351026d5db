// The main frame's menu bar and the popup menus of menu 149.

#include "app/CMainFrame.h"
#include "core/CommandIds.h"
#include "app/CommandRegistry.h"
#include "app/PaintCommands.h"
#include "palettes/CommandBars.h"

#include <QMenu>
#include <QMenuBar>

#include <array>

namespace ardane {

namespace {

constexpr std::array<CommandText, 5> kDensities{{
    {ID_SHUFFLE_DENSITY_1, "Low Density 1"}, {ID_SHUFFLE_DENSITY_2, "Density 2"}, {ID_SHUFFLE_DENSITY_3, "Density 3"}, {ID_SHUFFLE_DENSITY_4, "Density 4"}, {ID_SHUFFLE_DENSITY_5, "High Density 5"},
}};
constexpr std::array<CommandText, 3> kCaptureScales{{
    {ID_CAPTURE_ACTUAL, "Save Actual Size"}, {ID_CAPTURE_HALF, "Save \u00bd of Actual Size"},
    {ID_CAPTURE_QUARTER, "Save \u00bc of Actual Size"},
}};
constexpr std::array<CommandText, 6> kDepths{{
    {ID_DEPTH_1, "2 Colors (1 bit)"}, {ID_DEPTH_4, "16 Colors (4 bits)"}, {ID_DEPTH_8, "256 Colors (8 bits)"},
    {ID_DEPTH_16, "32K Colors (16 bits)"}, {ID_DEPTH_24, "16M Color (24 bits)"}, {ID_DEPTH_32, "X Colors(32 bits)"},
}};
constexpr std::array<CommandText, 5> kPalettes{{
    {ID_PALETTE_ORDER_RGB, "Order RGB"}, {ID_PALETTE_FIXED, "Fixed Palette"},
    {ID_PALETTE_OPTIMIZED, "Optimized Palette"}, {ID_PALETTE_ORDERED_BGR, "Ordered BGR"},
    {ID_PALETTE_IDENTITY, "Identity"},
}};
constexpr std::array<CommandText, 8> kDithers{{
    {ID_DITHER_NONE, "No Dithering(matching)"}, {ID_DITHER_FLOYD, "FloydStein"}, {ID_DITHER_STUCKI, "Stucki"},
    {ID_DITHER_BURKES, "Burkes"}, {ID_DITHER_SIERRA, "Sierra"}, {ID_DITHER_STEVENSON, "Stevenson"},
    {ID_DITHER_JARVIS, "Jarvis"}, {ID_DITHER_ORDERED, "Ordered(Fast)"},
}};
constexpr std::array<CommandText, 4> kStartAngles{{
    {ID_TEXT_START_0, "At 0 Degree"}, {ID_TEXT_START_90, "At 90 Degree"}, {ID_TEXT_START_180, "At 180 Degree"}, {ID_TEXT_START_270, "At 270 Degree"},
}};
constexpr std::array<CommandText, 8> kDirections{{
    {ID_TEXT_NORTH, "North"}, {ID_TEXT_NORTH_EAST, "North East"}, {ID_TEXT_NORTH_WEST, "North West"}, {ID_TEXT_SOUTH, "South"},
    {ID_TEXT_SOUTH_EAST, "South East"}, {ID_TEXT_SOUTH_WEST, "South West"}, {ID_TEXT_EAST, "East"}, {ID_TEXT_WEST, "West"},
}};

// The Edit menu's items; the image's context menu shows the same.
void addEditItems(CommandRegistry& r, QMenu* menu)
{
    r.addTo(menu, ID_EDIT_UNDO, QStringLiteral("&Undo\tCtrl+Z"));
    menu->addSeparator();
    r.addTo(menu, ID_EDIT_CUT, QStringLiteral("Cu&t\tCtrl+X"));
    r.addTo(menu, ID_EDIT_COPY, QStringLiteral("&Copy\tCtrl+C"));
    r.addTo(menu, ID_EDIT_PASTE, QStringLiteral("&Paste\tCtrl+V"));
    r.addTo(menu, ID_EDIT_DELETE, QStringLiteral("&Delete"));
    menu->addSeparator();
    r.addTo(menu, ID_EDIT_TRIM, QStringLiteral("&Trim"));
    r.addTo(menu, ID_EDIT_FLIP_HORIZONTAL, QStringLiteral("Flip &Horizontal"));
    r.addTo(menu, ID_EDIT_FLIP_VERTICAL, QStringLiteral("Flip &Vertical"));
}

template <std::size_t N>
void addItems(CommandRegistry& r, QMenu* menu, const std::array<CommandText, N>& items);
QMenu* submenu(CommandRegistry& r, QMenu* parent, const QString& title);

// The text effects and layouts (Options > Text, and a text object's menu).
void addTextItems(CommandRegistry& r, QMenu* text)
{
    r.addTo(text, ID_TEXT_3D, QStringLiteral("&3D"));
    r.addTo(text, ID_TEXT_SHADOW, QStringLiteral("&Shadow"));
    text->addSeparator();
    r.addTo(text, ID_TEXT_ARC, QStringLiteral("&Arc"));
    r.addTo(text, ID_TEXT_CIRCLE, QStringLiteral("&Circle"));
    r.addTo(text, ID_TEXT_HALF_CIRCLE, QStringLiteral("\u00bd C&ircle"));
    r.addTo(text, ID_TEXT_CLOCKWISE, QStringLiteral("Clockwise &Direction"));
    addItems(r, submenu(r, text, QStringLiteral("Start &Angle")), kStartAngles);
    addItems(r, submenu(r, text, QStringLiteral("Directio&n")), kDirections);
    text->addSeparator();
    r.addTo(text, ID_TEXT_DEPTH, QStringLiteral("Shadow/3D Depth"));
    r.addTo(text, ID_TEXT_SHADOW_COLOR, QStringLiteral("Shadow/3D Color"));
}

// A shape's fill and line width (Options > Object, and a shape's menu).
void addObjectItems(CommandRegistry& r, QMenu* object)
{
    r.addTo(object, ID_OBJECT_FILL_INTERIOR, QStringLiteral("Object Fill &Interior"));
    r.addTo(object, ID_OBJECT_FILL_COLOR, QStringLiteral("Object Interior &Color"));
    QMenu* widths = submenu(r, object, QStringLiteral("Line &Width"));
    for (int w = 1; w <= 10; ++w)
        r.addTo(widths, ID_LINE_WIDTH_1 + w - 1, QStringLiteral("Line Width %1").arg(w));
}

template <std::size_t N>
void addItems(CommandRegistry& r, QMenu* menu, const std::array<CommandText, N>& items)
{
    for (const CommandText& i : items)
        r.addTo(menu, i.id, QString::fromUtf8(i.text));
}

QMenu* submenu(CommandRegistry& r, QMenu* parent, const QString& title)
{
    QMenu* menu = parent->addMenu(title);
    r.watch(menu);
    return menu;
}

} // namespace

void CMainFrame::buildMenus()
{
    CommandRegistry& r = m_registry;
    QMenuBar* bar = menuBar();
    const auto top = [&](const char* title) {
        QMenu* menu = bar->addMenu(QString::fromUtf8(title));
        r.watch(menu);
        return menu;
    };

    QMenu* file = top("&File");
    m_fileMenu = file;
    r.addTo(file, ID_FILE_NEW, QStringLiteral("&New"));
    r.addTo(file, ID_FILE_OPEN, QStringLiteral("&Open...\tCtrl+O"));
    r.addTo(file, ID_FILE_CLOSE, QStringLiteral("&Close"));
    r.addTo(file, ID_FILE_SAVE, QStringLiteral("&Save\tCtrl+S"));
    r.addTo(file, ID_FILE_SAVE_AS, QStringLiteral("Save &As..."));
    file->addSeparator();
    r.addTo(file, ID_CAPTURE_SCREEN, QStringLiteral("Capture Screen"));
    r.addTo(file, ID_ACQUIRE_SCANNER, QStringLiteral("&Acquire From Scanner,..."));
    file->addSeparator();
    r.addTo(file, ID_FILE_PRINT, QStringLiteral("&Print...\tCtrl+P"));
    r.addTo(file, ID_FILE_PRINT_PREVIEW, QStringLiteral("Print Pre&view"));
    r.addTo(file, ID_FILE_PRINT_SETUP, QStringLiteral("P&rint Setup..."));
    file->addSeparator();
    for (int i = 0; i < 4; ++i) {
        QAction* a = r.addTo(file, ID_FILE_MRU_FILE1 + i, QStringLiteral("Recent File"));
        a->setVisible(false);
    }
    file->addSeparator();
    r.addTo(file, ID_APP_EXIT, QStringLiteral("E&xit"));

    QMenu* edit = top("&Edit");
    addEditItems(r, edit);

    QMenu* view = top("&View");
    r.addTo(view, ID_VIEW_TOOLBAR, QStringLiteral("&Toolbar"));
    r.addTo(view, ID_VIEW_TOOL_PALETTE, QStringLiteral("&Tool Palette"));
    r.addTo(view, ID_VIEW_BRUSH_PALETTE, QStringLiteral("&Brush Style Palette"));
    r.addTo(view, ID_VIEW_SPRAY_PALETTE, QStringLiteral("S&pray Style Palette"));
    r.addTo(view, ID_VIEW_QUICK_BAR, QStringLiteral("&Quick Command Bar"));
    view->addSeparator();
    r.addTo(view, ID_VIEW_100, QStringLiteral("View &100% (normal)\tCtrl+N"));
    r.addTo(view, ID_VIEW_200, QStringLiteral("View &200%"));
    r.addTo(view, ID_VIEW_300, QStringLiteral("View &300%"));
    view->addSeparator();
    r.addTo(view, ID_VIEW_MARGIN, QStringLiteral("&Margin Image in View"));
    QMenu* dither = submenu(r, view, QStringLiteral("Display D&ither"));
    r.addTo(dither, ID_DISPLAY_DIFFUSION, QStringLiteral("&Diffusion"));
    r.addTo(dither, ID_DISPLAY_ORDERED, QStringLiteral("&Ordered"));
    QMenu* palette = submenu(r, view, QStringLiteral("Display &Palette"));
    r.addTo(palette, ID_DISPLAY_PALETTE_AUTO, QStringLiteral("&Auto"));
    r.addTo(palette, ID_DISPLAY_PALETTE_FIXED, QStringLiteral("&Fixed"));
    r.addTo(view, ID_VIEW_BACKGROUND_COLOR, QStringLiteral("&Background Color of Display"));
    // Toolbar-only zoom buttons: their texts are the tooltips.
    r.action(ID_VIEW_NORMAL)->setText(QStringLiteral("View normal(100%)"));
    r.action(ID_VIEW_ZOOM_IN)->setText(QStringLiteral("Zoom in +100%"));
    r.action(ID_VIEW_ZOOM_OUT)->setText(QStringLiteral("Zoom out -100%"));
    r.action(ID_VIEW_NORMAL)->setIconText(QStringLiteral("100%"));
    r.action(ID_VIEW_ZOOM_IN)->setIconText(QStringLiteral("Zoom +"));
    r.action(ID_VIEW_ZOOM_OUT)->setIconText(QStringLiteral("Zoom \u2212"));

    QMenu* image = top("&Image");
    r.addTo(image, ID_IMAGE_SIZE, QStringLiteral("S&ize"));
    image->addSeparator();
    addItems(r, submenu(r, image, QStringLiteral("Color &Depth")), kDepths);
    addItems(r, submenu(r, image, QStringLiteral("&Palette Options")), kPalettes);
    addItems(r, submenu(r, image, QStringLiteral("D&ither Options")), kDithers);
    image->addSeparator();
    QMenu* separation = submenu(r, image, QStringLiteral("Color &Separation"));
    r.addTo(separation, ID_SEPARATE_RGB, QStringLiteral("RGB"));
    r.addTo(separation, ID_SEPARATE_CMYK, QStringLiteral("CMYK"));
    r.addTo(separation, ID_SEPARATE_CMY, QStringLiteral("CMY"));
    r.addTo(separation, ID_SEPARATE_HSV, QStringLiteral("HSV"));
    r.addTo(separation, ID_SEPARATE_HLS, QStringLiteral("HLS"));
    QMenu* rotate = submenu(r, image, QStringLiteral("&Rotate"));
    r.addTo(rotate, ID_ROTATE_90, QStringLiteral("9&0 degree"));
    r.addTo(rotate, ID_ROTATE_180, QStringLiteral("&180 degree"));
    r.addTo(rotate, ID_ROTATE_270, QStringLiteral("&270 degree"));
    r.addTo(rotate, ID_ROTATE_SPECIFIED, QStringLiteral("&Specified Angle"));
    r.addTo(image, ID_ENHANCE, QStringLiteral("Enh&ance/Effects"));
    QMenu* intensity = submenu(r, image, QStringLiteral("In&tensity"));
    r.addTo(intensity, ID_DETAILED_ADJUSTMENT, QStringLiteral("Detailed Adjustment"));
    r.addTo(intensity, ID_CURVE_ADJUSTMENT, QStringLiteral("Curve Adjustment"));
    r.addTo(intensity, ID_FLAT_ADJUSTMENT, QStringLiteral("Flat Adjustment"));
    QMenu* fill = submenu(r, image, QStringLiteral("&Fill"));
    r.addTo(fill, ID_FILL_ENTIRELY, QStringLiteral("Entirely"));
    r.addTo(fill, ID_FILL_INSIDE, QStringLiteral("Inside Selection"));
    r.addTo(fill, ID_FILL_OUTSIDE, QStringLiteral("Outside Selection"));
    image->addSeparator();
    r.addTo(image, ID_MERGE, QStringLiteral("&Merge"));

    QMenu* options = top("&Options");
    r.addTo(options, ID_PEN_COLOR, QStringLiteral("&Pen Color"));
    r.addTo(options, ID_BACKGROUND_COLOR, QStringLiteral("&Background Color"));
    QMenu* drawMode = submenu(r, options, QStringLiteral("Draw &Mode"));
    for (const DrawModeItem& mode : kDrawModes)
        r.addTo(drawMode, mode.id, QString::fromLatin1(mode.label.data(), qsizetype(mode.label.size())));
    addItems(r, submenu(r, options, QStringLiteral("Shuffle D&ensity")), kDensities);
    QMenu* area = submenu(r, options, QStringLiteral("&Area Shape"));
    r.addTo(area, ID_AREA_SQUARE, QStringLiteral("Square"));
    r.addTo(area, ID_AREA_CIRCLE, QStringLiteral("Circle"));
    options->addSeparator();
    r.addTo(options, ID_PRINT_OPTION, QStringLiteral("Print &Option"));
    r.addTo(options, ID_PRINT_RESOLUTION, QStringLiteral("Print &Resolution"));
    options->addSeparator();
    QMenu* capture = submenu(r, options, QStringLiteral("Capture &Screen"));
    addItems(r, capture, kCaptureScales);
    QMenu* text = submenu(r, options, QStringLiteral("&Text"));
    addTextItems(r, text);
    QMenu* object = submenu(r, options, QStringLiteral("O&bject"));
    addObjectItems(r, object);

    QMenu* window = top("&Window");
    r.addTo(window, ID_WINDOW_CASCADE, QStringLiteral("&Cascade"));
    r.addTo(window, ID_WINDOW_TILE_HORZ, QStringLiteral("&Tile"));
    r.addTo(window, ID_WINDOW_ARRANGE, QStringLiteral("&Arrange Icons"));

    QMenu* help = top("&Help");
    r.addTo(help, ID_HELP_CONTENTS, QStringLiteral("&Help Contents"));
    r.addTo(help, ID_APP_ABOUT, QStringLiteral("&About Ardane..."));

    // Menu 149: the draw-mode and capture-scale popups share the menu bar's actions.
    const ActionProvider actions = [&r](int id) { return r.action(id); };
    auto* imageMenu = new QMenu(this);
    r.watch(imageMenu);
    addEditItems(r, imageMenu);
    setPopupMenu(0, imageMenu);
    setPopupMenu(1, createDrawModeMenu(actions, this));
    setPopupMenu(4, createCaptureScaleMenu(actions, this));
    // Popups 2 and 3: a selected text object's and a selected shape's own
    // options, with the commands that end or turn it.
    auto* textMenu = new QMenu(this);
    r.watch(textMenu);
    addTextItems(r, textMenu);
    r.addTo(textMenu, ID_PEN_COLOR, QStringLiteral("&Pen Color"));
    textMenu->addSeparator();
    r.addTo(textMenu, ID_MERGE, QStringLiteral("&Merge"));
    r.addTo(textMenu, ID_EDIT_DELETE, QStringLiteral("&Delete"));
    setPopupMenu(2, textMenu);
    auto* objectMenu = new QMenu(this);
    r.watch(objectMenu);
    addObjectItems(r, objectMenu);
    r.addTo(objectMenu, ID_PEN_COLOR, QStringLiteral("&Pen Color"));
    objectMenu->addSeparator();
    r.addTo(objectMenu, ID_ROTATE_90, QStringLiteral("9&0 degree"));
    r.addTo(objectMenu, ID_ROTATE_180, QStringLiteral("&180 degree"));
    r.addTo(objectMenu, ID_ROTATE_270, QStringLiteral("&270 degree"));
    objectMenu->addSeparator();
    r.addTo(objectMenu, ID_MERGE, QStringLiteral("&Merge"));
    r.addTo(objectMenu, ID_EDIT_DELETE, QStringLiteral("&Delete"));
    setPopupMenu(3, objectMenu);
}

} // namespace ardane
