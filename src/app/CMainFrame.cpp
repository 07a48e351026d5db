#include "app/CMainFrame.h"

#include "app/CChildFrame.h"
#include "core/CommandIds.h"
#include "app/CommandRegistry.h"
#include "palettes/CommandBars.h"
#include "palettes/PaletteIcons.h"
#include "view/CArdaneView.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>

namespace ardane {

CMainFrame::CMainFrame(CommandRegistry& registry, UiServices& ui, PrinterResolution& printerResolution,
                       PaintSettings& paint, PaletteLayout& paletteLayout)
    : m_registry(registry), m_ui(ui), m_printerResolution(printerResolution), m_paletteLayout(paletteLayout), m_paint(paint)
{
    setObjectName(QStringLiteral("CMainFrame"));
    setWindowTitle(QStringLiteral("Ardane"));
    setWindowIcon(QIcon(QStringLiteral(":/images/logo.png")));
}

CMainFrame::~CMainFrame()
{
    // Child windows call back into the frame as they go (status panes, the
    // document list). Let them go while the frame is still whole, not from
    // QWidget's destructor, when only its QWidget part is left.
    // Closed windows still waiting for their deferred deletion count too:
    // the MDI area no longer lists them, so look for them among its children.
    if (m_mdi) {
        const QList<QMdiSubWindow*> children = m_mdi->findChildren<QMdiSubWindow*>();
        for (const QPointer<QMdiSubWindow>& child : QList<QPointer<QMdiSubWindow>>(children.begin(), children.end()))
            delete child.data();
    }
}

bool CMainFrame::create(const BarsBuilder& bars)
{
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("mdiArea"));
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    connect(m_mdi, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* w) {
        if (w)
            refreshStatusPanes();
    });

    // Menu items and buttons show the program's image of their command.
    m_registry.setIconSource(&commandIcon);
    buildMenus();
    if (!(bars ? bars(*this, [this](int id) { return m_registry.action(id); }) : buildDefaultBars()))
        return false;
    if (!createPalettes())
        return false;

    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar59393"));
    m_panes = new StatusPanes(bar);

    registerWindowCommands();
    registerBarCommands();
    registerPaletteCommands();
    registerPaintCommands();
    registerImageCommands(*this);
    // The status panes are always enabled.
    for (const int id : std::initializer_list<int>{ID_INDICATOR_MEMORY, ID_INDICATOR_PRINT_SIZE, ID_INDICATOR_VIEW_SCALE, ID_INDICATOR_NUM_COLOR,
                   ID_INDICATOR_SIZE_PIXELS, 62450})
        m_commands.on(id, [] {});

    // The palettes float where they were left.
    placePalettes();
    return true;
}

void CMainFrame::registerBarCommands()
{
    // A bar counts as shown while it is not hidden, also before the frame is.
    for (const auto& [id, bar] : {std::pair{int(ID_VIEW_TOOLBAR), &CMainFrame::m_mainBar},
                                  std::pair{int(ID_VIEW_QUICK_BAR), &CMainFrame::m_quickBar}}) {
        m_commands.on(id, [this, bar] {
            if (QToolBar* b = this->*bar)
                b->setVisible(b->isHidden());
        }, [this, bar](CommandState& s) { s.checked = (this->*bar) && !(this->*bar)->isHidden(); });
    }
    const auto popup = [this](int index) {
        return [this, index] { showPopupMenu(index, QCursor::pos()); };
    };
    m_commands.on(ID_DRAW_MODE_POPUP, popup(1));
    m_commands.on(ID_CAPTURE_POPUP, popup(4));
}

void CMainFrame::registerWindowCommands()
{
    m_commands.on(ID_WINDOW_CASCADE, [this] { m_mdi->cascadeSubWindows(); },
                  [this](CommandState& s) { s.enabled = !m_mdi->subWindowList().isEmpty(); });
    m_commands.on(ID_WINDOW_TILE_HORZ, [this] { m_mdi->tileSubWindows(); },
                  [this](CommandState& s) { s.enabled = !m_mdi->subWindowList().isEmpty(); });
    m_commands.on(ID_WINDOW_ARRANGE, [this] {
        // Lines up the minimised windows along the bottom of the area.
        int x = 0;
        for (QMdiSubWindow* w : m_mdi->subWindowList()) {
            if (!w->isMinimized())
                continue;
            w->move(x, m_mdi->viewport()->height() - w->height());
            x += w->width();
        }
    }, [this](CommandState& s) { s.enabled = !m_mdi->subWindowList().isEmpty(); });
    m_commands.on(ID_FILE_CLOSE, [this] {
        if (CChildFrame* child = activeChild())
            child->close();
    }, [this](CommandState& s) { s.enabled = activeChild() != nullptr; });
}

CChildFrame* CMainFrame::activeChild() const
{
    return m_mdi ? qobject_cast<CChildFrame*>(m_mdi->currentSubWindow()) : nullptr;
}

CArdaneView* CMainFrame::activeView() const
{
    const CChildFrame* child = activeChild();
    return child ? child->view() : nullptr;
}

void CMainFrame::addChild(CChildFrame* child)
{
    m_mdi->addSubWindow(child);
    connect(child, &CChildFrame::refreshRequested, this, [this, child] {
        if (activeChild() == child)
            refreshStatusPanes();
    });
    connect(child, &CChildFrame::closing, this, &CMainFrame::resetStatusPanes);
    connect(child, &QObject::destroyed, this, [this] {
        if (activeChild())
            refreshStatusPanes();
    });
}

void CMainFrame::refreshStatusPanes()
{
    CArdaneView* view = activeView();
    if (!view || !m_panes)
        return;
    // The shown adjustment dialogs follow the active view.
    view->bindDialogs();
    StatusFigures f;
    if (view->hasImage()) {
        const imaging::ImagingControl& image = view->image();
        f.bitsPerPixel = image.BitsPerPixel();
        f.width = int(image.ImageWidth());
        f.height = int(image.ImageHeight());
    }
    f.xResolution = m_printerResolution.x;
    f.yResolution = m_printerResolution.y;
    f.memorySize = view->memorySize();
    f.zoom = view->zoom();
    f.compression = view->compression();
    m_panes->show(f);
}

void CMainFrame::resetStatusPanes()
{
    if (m_panes)
        m_panes->reset();
}

void CMainFrame::checkOpenedDocument()
{
    CChildFrame* child = activeChild();
    if (child && child->view() && child->view()->hasNoImage())
        child->closeWithoutAsking();
}

void CMainFrame::snapColor(bool pen)
{
    const CArdaneView* view = activeView();
    if (!view || !view->displayControl())
        return;
    ColorRef& colour = pen ? m_paint.settings.penColor : m_paint.settings.backgroundColor;
    colour = view->displayControl()->nearestColor(colour);
    updateColorWells();
}

QMenu* CMainFrame::popupMenu(int index) const
{
    return index >= 0 && index < int(m_popups.size()) ? m_popups[std::size_t(index)] : nullptr;
}

void CMainFrame::setPopupMenu(int index, QMenu* menu)
{
    if (index >= 0 && index < int(m_popups.size()))
        m_popups[std::size_t(index)] = menu;
}

void CMainFrame::showPopupMenu(int index, const QPoint& globalPos)
{
    if (index < 0 || index >= int(m_popups.size()) || !m_popups[std::size_t(index)])
        return;
    QMenu* menu = m_popups[std::size_t(index)];
    m_registry.updateMenu(menu);
    menu->popup(popupPosition(globalPos, menu->sizeHint().width()));
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (m_closeGuard && !m_closeGuard()) {
        event->ignore();
        return;
    }
    recordPaletteLayout();
    QMainWindow::closeEvent(event);
}

void CMainFrame::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_shownOnce && m_palettes) {
        m_shownOnce = true;
        raisePalettes();
    }
}

} // namespace ardane
