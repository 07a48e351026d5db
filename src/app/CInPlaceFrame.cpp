#include "app/CInPlaceFrame.h"

#include "core/CommandIds.h"
#include "palettes/PaletteIcons.h"

#include <QMainWindow>
#include <QSizeGrip>
#include <QToolBar>

namespace ardane {

CInPlaceFrame::CInPlaceFrame(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("CInPlaceFrame"));
}

CInPlaceFrame::~CInPlaceFrame()
{
    delete m_toolBar.data();
}

bool CInPlaceFrame::create()
{
    m_resizeBar = new QSizeGrip(this);
    m_resizeBar->setObjectName(QStringLiteral("resizeBar%1").arg(kResizeBarId));
    m_resizeBar->show();
    setAcceptDrops(true);
    return true;
}

bool CInPlaceFrame::createControlBars(QMainWindow& container, const ActionProvider& actions)
{
    delete m_toolBar.data();
    auto* bar = new QToolBar(QStringLiteral("Edit"), &container);
    bar->setObjectName(QStringLiteral("toolBar%1").arg(kToolBarId));
    bar->setAllowedAreas(Qt::AllToolBarAreas);
    bar->setMovable(true);
    bar->setIconSize(kButtonImageSize);
    static constexpr int kButtons[] = {ID_EDIT_COPY, ID_EDIT_PASTE};
    addCommandButtons(*bar, kButtons, actions);
    if (bar->actions().size() != qsizetype(std::size(kButtons))) {
        delete bar;
        return false;
    }
    container.addToolBar(Qt::TopToolBarArea, bar);
    m_toolBar = bar;
    return true;
}

} // namespace ardane
