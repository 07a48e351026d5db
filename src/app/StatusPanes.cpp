#include "app/StatusPanes.h"

#include "core/CommandIds.h"
#include "core/StringTable.h"

#include <QLabel>
#include <QStatusBar>

namespace ardane {

namespace {
constexpr std::array<int, 5> kPaneIds{ID_INDICATOR_NUM_COLOR, ID_INDICATOR_SIZE_PIXELS, ID_INDICATOR_PRINT_SIZE,
                                      ID_INDICATOR_MEMORY, ID_INDICATOR_VIEW_SCALE};
constexpr std::array<int, 5> kPaneWidths{80, 100, 120, 115, 185};
} // namespace

std::array<QString, 5> statusTexts(const StatusFigures& f)
{
    const double inchW = double(f.width) / std::max(1, f.xResolution);
    const double inchH = double(f.height) / std::max(1, f.yResolution);
    return {
        QString::asprintf("%d bits/pixel", f.bitsPerPixel),
        QString::asprintf("%dx%d(pixel)", f.width, f.height),
        QString::asprintf("Print: %.2f\"x%.2f\"", inchW, inchH),
        f.memorySize == 0 ? QStringLiteral("Size: n/a")
                          : QString::asprintf("MemSize: %dK", int(f.memorySize / 1000)),
        QStringLiteral("View: %1% - %2").arg(f.zoom).arg(f.compression),
    };
}

std::array<QString, 5> statusCaptions()
{
    std::array<QString, 5> captions;
    for (std::size_t i = 0; i < kPaneIds.size(); ++i)
        captions[i] = stringTableText(kPaneIds[i]);
    return captions;
}

StatusPanes::StatusPanes(QStatusBar* bar) : QObject(bar)
{
    for (std::size_t i = 0; i < m_panes.size(); ++i) {
        auto* pane = new QLabel(bar);
        pane->setMinimumWidth(kPaneWidths[i]);
        pane->setFrameShape(QFrame::NoFrame);
        pane->setObjectName(QStringLiteral("pane%1").arg(kPaneIds[i]));
        bar->addPermanentWidget(pane);
        m_panes[i] = pane;
    }
    reset();
}

void StatusPanes::show(const StatusFigures& figures)
{
    setTexts(statusTexts(figures));
}

void StatusPanes::reset()
{
    setTexts(statusCaptions());
}

void StatusPanes::setTexts(const std::array<QString, 5>& texts)
{
    for (std::size_t i = 0; i < m_panes.size(); ++i)
        m_panes[i]->setText(texts[i]);
}

QString StatusPanes::text(int pane) const
{
    if (pane < 1 || pane > 5)
        return {};
    return m_panes[std::size_t(pane - 1)]->text();
}

} // namespace ardane
