#pragma once
// The main window: the image windows in an MDI area, the menus, the main
// toolbar and quick command bar, and the status bar with its five panes.

#include "CommandMap.h"
#include "PrinterQueries.h"
#include "StatusPanes.h"

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
class CommandRegistry;
class UiServices;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // Builds the main toolbar and the quick command bar from command actions;
    // false makes the frame's creation fail.
    using BarsBuilder = std::function<bool(CMainFrame&, const std::function<QAction*(int)>&)>;
    // Adds the frame's paint-setting commands and anything else a later part
    // hangs on the frame.
    using CommandHook = std::function<void(CMainFrame&, CommandMap&)>;

    CMainFrame(CommandRegistry& registry, UiServices& ui, PrinterResolution& printerResolution);
    ~CMainFrame() override;

    // The frame's creation: menus, bars, status bar. False when a part fails.
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

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    bool buildDefaultBars();
    void registerWindowCommands();
    void registerBarCommands();

    CommandRegistry& m_registry;
    UiServices& m_ui;
    PrinterResolution& m_printerResolution;
    CommandMap m_commands;
    QMdiArea* m_mdi = nullptr;
    StatusPanes* m_panes = nullptr;
    QMenu* m_fileMenu = nullptr;
    QToolBar* m_mainBar = nullptr;
    QToolBar* m_quickBar = nullptr;
    std::array<QMenu*, 5> m_popups{};
    std::function<bool()> m_closeGuard;
};

// Command groups of the main frame, each in its own source file.
void registerImageCommands(CMainFrame& frame);

} // namespace ardane
