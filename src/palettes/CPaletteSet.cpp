#include "palettes/CPaletteSet.h"

#include "core/CommandIds.h"
#include "palettes/PaletteDefs.h"

#include <numeric>
#include <vector>

namespace ardane {

namespace {

PaletteExtent extentOf(const QWidget& w)
{
    const QSize s = w.frameGeometry().size();
    return {s.width(), s.height()};
}

bool inRange(int id, int first, int last)
{
    return id >= first && id <= last;
}

} // namespace

CPaletteSet::CPaletteSet(QWidget* frame, std::function<void(int)> dispatch)
    : QObject(frame)
    , m_dispatch(std::move(dispatch))
    , m_tools(create(frame, kToolPalette))
    , m_spray(create(frame, kSprayPalette))
    , m_brush(create(frame, kBrushPalette))
{
}

CPaletteBar* CPaletteSet::create(QWidget* frame, const PaletteDef& def)
{
    auto* bar = new CPaletteBar(frame);
    const QString caption = stringTableText(def.captionId);
    bar->setObjectName(caption);
    bar->SetColumns(def.columns);
    bar->setTitle(caption);
    bar->setIdBase(def.idBase);
    std::vector<int> list(std::size_t(def.buttonCount) + 1);
    std::iota(list.begin(), list.end() - 1, 0);
    list.back() = -1;
    bar->setButtonList(list);
    const PaletteImages images = def.images;
    bar->setImageSource([images](int image) { return paletteIcon(images, image); });
    if (def.hasPrompts)
        bar->setToolTipSource([](int id) { return promptToolTip(id); });
    bar->BuildButtons();
    connect(bar, &CPaletteBar::commandTriggered, this, [this](int id) {
        if (m_dispatch)
            m_dispatch(id);
        else
            handleCommand(id);
    });
    return bar;
}

bool CPaletteSet::handleCommand(int id)
{
    if (inRange(id, ID_TOOL_FIRST, ID_TOOL_LAST)) {
        const int tool = m_tools->SelectByCommand(id);
        if (tool == kBrushToolIndex && m_brush->isHidden())
            m_brush->show();
        if (tool == kSprayToolIndex && m_spray->isHidden())
            m_spray->show();
        return true;
    }
    if (inRange(id, ID_SPRAY_STYLE_FIRST, ID_SPRAY_STYLE_LAST)) {
        m_spray->SelectByCommand(id);
        return true;
    }
    if (inRange(id, ID_BRUSH_STYLE_FIRST, ID_BRUSH_STYLE_LAST)) {
        m_brush->SelectByCommand(id);
        return true;
    }
    if (CPaletteBar* bar = paletteForToggle(id)) {
        bar->setVisible(bar->isHidden());
        return true;
    }
    return false;
}

std::optional<bool> CPaletteSet::commandChecked(int id) const
{
    if (const CPaletteBar* bar = paletteForToggle(id))
        return !bar->isHidden();
    return std::nullopt;
}

CPaletteBar* CPaletteSet::paletteForToggle(int id) const
{
    switch (id) {
    case ID_VIEW_TOOL_PALETTE: return m_tools;
    case ID_VIEW_BRUSH_PALETTE: return m_brush;
    case ID_VIEW_SPRAY_PALETTE: return m_spray;
    default: return nullptr;
    }
}

void CPaletteSet::applyLayout(const PaletteLayout& layout, QSize screen)
{
    const PaletteExtent area{screen.width(), screen.height()};
    PalettePositions at = placePalettes(layout, area, extentOf(*m_tools), extentOf(*m_brush));
    at = keepPalettesApart({at.tool, extentOf(*m_tools), layout.showTool != 0},
                           {at.brush, extentOf(*m_brush), layout.showBrush != 0},
                           {at.spray, extentOf(*m_spray), layout.showSpray != 0}, area);
    m_tools->move(at.tool.x, at.tool.y);
    m_brush->move(at.brush.x, at.brush.y);
    m_spray->move(at.spray.x, at.spray.y);
    m_tools->setVisible(layout.showTool != 0);
    m_brush->setVisible(layout.showBrush != 0);
    m_spray->setVisible(layout.showSpray != 0);
}

void CPaletteSet::recordLayout(PaletteLayout& layout) const
{
    // A top-level widget's position is that of its window frame already, so
    // the values go to the profile as they are.
    layout.toolX = m_tools->x();
    layout.toolY = m_tools->y();
    layout.brushX = m_brush->x();
    layout.brushY = m_brush->y();
    layout.sprayX = m_spray->x();
    layout.sprayY = m_spray->y();
    layout.showTool = m_tools->isHidden() ? 0 : 1;
    layout.showBrush = m_brush->isHidden() ? 0 : 1;
    layout.showSpray = m_spray->isHidden() ? 0 : 1;
}

} // namespace ardane
