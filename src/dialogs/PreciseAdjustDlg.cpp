#include "dialogs/PreciseAdjustDlg.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace ardane {

namespace {

bool inLevels(int level)
{
    return level >= 0 && level <= 255;
}

} // namespace

// --- the bar ----------------------------------------------------------------------

CIntensityBar::CIntensityBar(QWidget* parent)
    : QWidget(parent)
{
    setFixedSize(kWidth, kHeight);
    setCursor(Qt::CrossCursor);
    resetMap();
}

QRect CIntensityBar::plotRect() const
{
    const int left = (width() - 256) / 2;
    return QRect(QPoint(left, 2), QPoint(left + 256, height() - 4));
}

int CIntensityBar::fullHeight() const
{
    const QRect plot = plotRect();
    return plot.bottom() - plot.top();
}

bool CIntensityBar::isMarked(int level) const
{
    return inLevels(level) && m_marks[std::size_t(level)];
}

bool CIntensityBar::hasMarks() const
{
    return std::any_of(m_marks.begin(), m_marks.end(), [](bool m) { return m; });
}

void CIntensityBar::mark(int level)
{
    if (!inLevels(level))
        return;
    m_marks[std::size_t(level)] = true;
    update();
}

void CIntensityBar::clearMarks()
{
    m_marks.fill(false);
    update();
}

void CIntensityBar::setMapEntry(int level, int source)
{
    if (!inLevels(level) || !inLevels(source))
        return;
    m_map[std::size_t(level)] = source;
    update();
}

void CIntensityBar::resetMap()
{
    for (int i = 0; i < 256; ++i)
        m_map[std::size_t(i)] = i;
    update();
}

void CIntensityBar::setHeights(const adjust::Heights& heights)
{
    m_heights = heights;
    update();
}

void CIntensityBar::setHeight(int level, int height)
{
    if (!inLevels(level))
        return;
    m_heights[std::size_t(level)] = std::max(height, 0);
    update();
}

void CIntensityBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    adjust::paintPanel(painter, rect());
    const QRect plot = plotRect();
    // A marked level without pixels is drawn over the full height, so that
    // the mark shows.
    adjust::Heights shown = m_heights;
    for (int i = 0; i < 256; ++i) {
        if (m_marks[std::size_t(i)] && shown[std::size_t(i)] == 0)
            shown[std::size_t(i)] = fullHeight();
    }
    adjust::paintHistogram(painter, plot.left(), plot.bottom(), shown, [this](int i) {
        const std::size_t level = std::size_t(i);
        if (m_marks[level])
            return m_heights[level] == 0 ? QColor(0, 128, 128) : QColor(255, 0, 0);
        return m_map[level] == i ? QColor(0, 0, 0) : QColor(0, 0, 128);
    });
}

void CIntensityBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    emit pressed();
    clearMarks();
    m_dragging = true;
    m_pressLevel = event->position().toPoint().x() - plotRect().left();
}

void CIntensityBar::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    if (!m_dragging || !plotRect().contains(p))
        return;
    const int current = p.x() - plotRect().left();
    m_marks.fill(false);
    // From the press (exclusive) to here (inclusive), whichever way the drag went.
    const int from = current >= m_pressLevel ? m_pressLevel + 1 : current;
    const int to = current >= m_pressLevel ? current : m_pressLevel - 1;
    for (int level = std::max(from, 0); level <= std::min(to, 255); ++level)
        m_marks[std::size_t(level)] = true;
    update();
}

void CIntensityBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_dragging)
        return;
    m_dragging = false;
    emit dragEnded();
}

// --- the dialog ---------------------------------------------------------------------

CPreciseAdjustDlg::CPreciseAdjustDlg(imaging::ImagingControl& snapshot, QWidget* parent)
    : CAdjustDialogBase(snapshot, QStringLiteral("Precise Adjustment"), parent)
    , m_source(new CIntensityBar(this))
    , m_destination(new CIntensityBar(this))
    , m_sourceRadio(new QRadioButton(QStringLiteral("Source Intensity"), this))
    , m_destinationRadio(new QRadioButton(QStringLiteral("Destination Intensity"), this))
    , m_map(new QPushButton(QStringLiteral("Map Source To Destination"), this))
    , m_apply(new QPushButton(QStringLiteral("Apply"), this))
{
    m_sourceRadio->setChecked(true);
    m_map->setEnabled(false);
    m_map->setAutoDefault(false);
    m_apply->setAutoDefault(false);

    connect(m_sourceRadio, &QRadioButton::clicked, this, [this] { activate(true); });
    connect(m_destinationRadio, &QRadioButton::clicked, this, [this] { activate(false); });
    connect(m_source, &CIntensityBar::pressed, this, [this] { activate(true); });
    connect(m_destination, &CIntensityBar::pressed, this, [this] { activate(false); });
    connect(m_source, &CIntensityBar::dragEnded, this, &CPreciseAdjustDlg::updateMapButton);
    connect(m_destination, &CIntensityBar::dragEnded, this, &CPreciseAdjustDlg::updateMapButton);
    connect(m_map, &QPushButton::clicked, this, &CPreciseAdjustDlg::mapSourceToDestination);
    connect(m_apply, &QPushButton::clicked, this, &CPreciseAdjustDlg::apply);

    auto* channelRow = new QFormLayout;
    channelRow->addRow(QStringLiteral("Channel:"), &channelList());

    auto* bars = new QVBoxLayout;
    bars->setSpacing(2);
    bars->addLayout(channelRow);
    bars->addSpacing(6);
    bars->addWidget(m_sourceRadio);
    bars->addWidget(m_source);
    bars->addSpacing(6);
    bars->addWidget(m_destinationRadio);
    bars->addWidget(m_destination);

    arrange(bars, {m_map, m_apply});
}

void CPreciseAdjustDlg::showAdjuster()
{
    showOnTop();
}

void CPreciseAdjustDlg::hideEvent(QHideEvent* event)
{
    CAdjustDialogBase::hideEvent(event);
    if (!event->spontaneous())
        setView(nullptr);
}

CIntensityBar& CPreciseAdjustDlg::activeBar() const
{
    return m_sourceRadio->isChecked() ? *m_source : *m_destination;
}

void CPreciseAdjustDlg::activate(bool source)
{
    m_sourceRadio->setChecked(source);
    m_destinationRadio->setChecked(!source);
    updateMapButton();
}

void CPreciseAdjustDlg::updateMapButton()
{
    m_map->setEnabled(activeBar().hasMarks());
}

void CPreciseAdjustDlg::bindView(CArdaneView* bound)
{
    if (bound == view())
        return;
    setView(bound);
    if (bound) {
        reloadBars();
        takeSnapshot();
        return;
    }
    setCaption(QString());
    for (CIntensityBar* bar : {m_source, m_destination}) {
        bar->clearMarks();
        bar->resetMap();
        bar->setHeights(adjust::flatHeights());
    }
    updateMapButton();
}

void CPreciseAdjustDlg::reloadBars()
{
    for (CIntensityBar* bar : {m_source, m_destination}) {
        bar->setHeights(loadHeights(bar->fullHeight()));
        bar->resetMap();
    }
}

void CPreciseAdjustDlg::channelChanged()
{
    if (!view())
        return;
    m_source->clearMarks();
    m_destination->clearMarks();
    reloadBars();
    updateMapButton();
}

void CPreciseAdjustDlg::markColor(ColorRef colour)
{
    if (!view())
        return;
    CIntensityBar& bar = activeBar();
    const int code = channelCode();
    if (code == 1 || code == 0)
        bar.mark(colorRefRed(colour));
    if (code == 2 || code == 0)
        bar.mark(colorRefGreen(colour));
    if (code == 3 || code == 0)
        bar.mark(colorRefBlue(colour));
    updateMapButton();
}

void CPreciseAdjustDlg::mapSourceToDestination()
{
    if (!view())
        return;
    auto nextMarked = [this](int after) {
        for (int level = after + 1; level < 256; ++level) {
            if (m_destination->isMarked(level))
                return level;
        }
        return -1;
    };
    int j = std::max(nextMarked(-1), 0);
    for (int k = 0; k < 256; ++k) {
        if (!m_source->isMarked(k))
            continue;
        m_destination->setMapEntry(j, k);
        m_destination->setHeight(j, m_source->heights()[std::size_t(k)]);
        const int next = nextMarked(j);
        j = next >= 0 ? next : j + 1;
        if (j > 255)
            j = 0;
    }
    m_source->clearMarks();
    m_destination->clearMarks();
    m_source->setHeights(m_destination->heights());
    updateMapButton();
}

void CPreciseAdjustDlg::apply()
{
    applyTable(m_destination->map());
}

} // namespace ardane
