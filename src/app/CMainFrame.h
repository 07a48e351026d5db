#pragma once
// The main window: the image windows in an MDI area, the menus, the main
// toolbar and quick command bar, the three floating palettes, the status bar
// with its five panes, and the commands that change the painting settings.

#include "core/CommandMap.h"
#include "app/PaintCommands.h"
#include "palettes/PaletteLayout.h"
#include "app/PrinterQueries.h"
#include "app/StatusPanes.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>

class QMdiArea;
class QMenu;
class QToolBar;

namespace ardane {

class CArdaneView;
class CChildFrame;
class CMainToolBar;
class CommandRegistry;
class CPaletteSet;
class UiServices;
struct FontState;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // Builds the main toolbar and the quick command bar from command actions;
    // false makes the frame's creation fail.
    using BarsBuilder = std::function<bool(CMainFrame&, const std::function<QAction*(int)>&)>;
    // Adds the frame's paint-setting commands and anything else a later part
    // hangs on the frame.
    using CommandHook = std::function<void(CMainFrame&, CommandMap&)>;

    // The painting settings and the palette layout are the application's;
    // the frame changes them through its commands and at close.
    CMainFrame(CommandRegistry& registry, UiServices& ui, PrinterResolution& printerResolution, PaintSettings& paint,
               PaletteLayout& paletteLayout);
    ~CMainFrame() override;

    // The frame's creation: menus, bars, palettes, status bar. False when a part fails.
    [[nodiscard]] bool create(const BarsBuilder& bars = {});

    [[nodiscard]] QMdiArea* mdiArea() const { return m_mdi; }
    [[nodiscard]] CChildFrame* activeChild() const;
    [[nodiscard]] CArdaneView* activeView() const;
    [[nodiscard]] CommandMap& commands() { return m_commands; }
    [[nodiscard]] CommandRegistry& registry() { return m_registry; }
    [[nodiscard]] UiServices& ui() { return m_ui; }
    [[nodiscard]] PrinterResolution& printerResolution() { return m_printerResolution; }
    [[nodiscard]] StatusPanes& statusPanes() { return *m_panes; }
    [[nodiscard]] QMenu* fileMenu() const { return m_fileMenu; }
    [[nodiscard]] QToolBar* mainToolBar() const { return m_mainBar; }
    [[nodiscard]] QToolBar* quickCommandBar() const { return m_quickBar; }
    // The main toolbar with the font boxes, colour wells and angle field; null
    // when a bars builder put a toolbar of its own in its place.
    [[nodiscard]] CMainToolBar* toolBar() const { return m_toolBar; }
    // The tool, brush-style and spray-style palettes; the view reads the
    // current tool and styles from them.
    [[nodiscard]] CPaletteSet& palettes() const { return *m_palettes; }
    // What the paint-settings commands act on. The drawing objects plug
    // their parameters in here (currentTextParams, currentObjectParams).
    [[nodiscard]] PaintContext& paintContext() { return m_paint; }
    [[nodiscard]] QMenu* popupMenu(int index) const;

    // Shows penColor and backgroundColor in their colour wells (after a
    // command or the pick-colour tool changed them).
    void updateColorWells();
    // Replaces the pen colour (pen) or the background colour by the nearest
    // colour the active view's display can show, and repaints its well.
    // Nothing without an active view.
    void snapColor(bool pen);

    void addChild(CChildFrame* child);
    void refreshStatusPanes();
    void resetStatusPanes();
    // After a document was opened: a view that could not load its image is closed.
    void checkOpenedDocument();

    // Popup menus of menu 149: 1 "DrawMode", 4 "Capture &Screen"; others are set by their owners.
    void setPopupMenu(int index, QMenu* menu);
    void showPopupMenu(int index, const QPoint& globalPos);

    // Decides whether the frame may close (asks about unsaved documents).
    void setCloseGuard(std::function<bool()> guard) { m_closeGuard = std::move(guard); }

signals:
    // The font shown on the main toolbar was changed by the user while an
    // image view is active: the view gives it to its current text object.
    void textFontChosen(const ardane::FontState& font);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Each defined in the source file of its command group.
    void buildMenus();                 // MainFrameMenus.cpp
    bool buildDefaultBars();           // MainFrameToolBars.cpp
    void registerFontCommands();       //   "
    void applyToolBarFont();           //   "
    bool createPalettes();             // MainFramePalettes.cpp
    void registerPaletteCommands();    //   "
    void placePalettes();              //   "
    void raisePalettes();              //   "
    void recordPaletteLayout();        //   "
    void registerPaintCommands();      // MainFramePaintCommands.cpp
    void registerWindowCommands();
    void registerBarCommands();

    CommandRegistry& m_registry;
    UiServices& m_ui;
    PrinterResolution& m_printerResolution;
    PaletteLayout& m_paletteLayout;
    PaintContext m_paint;
    CommandMap m_commands;
    QMdiArea* m_mdi = nullptr;
    StatusPanes* m_panes = nullptr;
    QMenu* m_fileMenu = nullptr;
    QToolBar* m_mainBar = nullptr;
    QToolBar* m_quickBar = nullptr;
    CMainToolBar* m_toolBar = nullptr;
    CPaletteSet* m_palettes = nullptr;
    bool m_shownOnce = false;
    std::array<QMenu*, 5> m_popups{};
    std::function<bool()> m_closeGuard;
};

// Command groups of the main frame, each in its own source file.
void registerImageCommands(CMainFrame& frame);

} // namespace ardane
