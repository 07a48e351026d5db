#include "dialogs/CurveAdjustDlg.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace ardane {

namespace {

std::array<int, 256> identityTable()
{
    std::array<int, 256> table{};
    for (int i = 0; i < 256; ++i)
        table[std::size_t(i)] = i;
    return table;
}

} // namespace

// --- the curve editor ---------------------------------------------------------

CCurveEditor::CCurveEditor(QWidget* parent)
    : QWidget(parent)
{
    setFixedSize(kWidth, kHeight);
    setCursor(Qt::CrossCursor);
    resetCurve();
}

QRect CCurveEditor::plotRect() const
{
    const int left = (width() - 256) / 2;
    const int top = height() - 261;
    const int bottom = height() - 4;
    return QRect(QPoint(left, top), QPoint(left + 255, bottom));
}

void CCurveEditor::resetCurve()
{
    const QRect plot = plotRect();
    m_points = {plot.bottomLeft(), plot.topRight()};
    m_samples = adjust::sampleCurve(m_points);
    m_table = identityTable();
    update();
}

bool CCurveEditor::addPoint(const QPoint& point)
{
    if (!plotRect().contains(point))
        return false;
    for (std::size_t i = 0; i + 1 < m_points.size(); ++i) {
        if (m_points[i].x() <= point.x() && point.x() <= m_points[i + 1].x()) {
            m_points.insert(m_points.begin() + std::ptrdiff_t(i + 1), point);
            curveChanged();
            return true;
        }
    }
    return false;
}

void CCurveEditor::curveChanged()
{
    m_samples = adjust::sampleCurve(m_points);
    const QRect plot = plotRect();
    m_table = adjust::remapFromSamples(m_samples, plot.left(), plot.bottom());
    update();
}

void CCurveEditor::setHeights(const adjust::Heights& heights)
{
    m_heights = heights;
    update();
}

void CCurveEditor::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    adjust::paintPanel(painter, rect());
    const QRect plot = plotRect();
    adjust::paintHistogram(painter, plot.left(), plot.bottom(), m_heights, [](int) { return QColor(Qt::black); });
    painter.setPen(QColor(255, 0, 0));
    painter.drawPolyline(m_samples.data(), int(m_samples.size()));
    for (const QPoint& p : m_points)
        painter.fillRect(p.x() - 2, p.y() - 2, 5, 5, Qt::black);
}

void CCurveEditor::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (addPoint(event->position().toPoint()))
        emit pointAdded();
}

// --- the dialog -----------------------------------------------------------------

CCurveAdjustDlg::CCurveAdjustDlg(imaging::ImagingControl& snapshot, QWidget* parent)
    : CAdjustDialogBase(snapshot, QStringLiteral("Curve Adjustment"), parent)
    , m_editor(new CCurveEditor(this))
    , m_reset(new QPushButton(QStringLiteral("Reset Curve"), this))
{
    m_reset->setAutoDefault(false);
    connect(m_editor, &CCurveEditor::pointAdded, this, &CCurveAdjustDlg::applyCurve);
    connect(m_reset, &QPushButton::clicked, this, [this] {
        if (view())
            reload();
    });

    auto* channelRow = new QFormLayout;
    channelRow->addRow(QStringLiteral("Channel:"), &channelList());

    // "1" and "256" stand under the plot's first and last columns.
    auto* scale = new QHBoxLayout;
    const int inset = m_editor->plotRect().left();
    scale->setContentsMargins(inset, 0, CCurveEditor::kWidth - 1 - m_editor->plotRect().right(), 0);
    scale->addWidget(new QLabel(QStringLiteral("1"), this));
    scale->addStretch(1);
    scale->addWidget(new QLabel(QStringLiteral("256"), this));

    auto* plotColumn = new QVBoxLayout;
    plotColumn->setSpacing(2);
    plotColumn->addLayout(channelRow);
    plotColumn->addSpacing(4);
    plotColumn->addWidget(m_editor);
    plotColumn->addLayout(scale);

    arrange(plotColumn, {m_reset});
}

void CCurveAdjustDlg::showAdjuster()
{
    showOnTop();
}

void CCurveAdjustDlg::bindView(CArdaneView* bound)
{
    if (bound == view())
        return;
    setView(bound);
    if (bound) {
        reload();
        return;
    }
    setCaption(QString());
    m_editor->setHeights(adjust::flatHeights());
    m_editor->resetCurve();
}

void CCurveAdjustDlg::reload()
{
    m_editor->setHeights(loadHeights(CCurveEditor::kPlotHeight));
    m_editor->resetCurve();
    takeSnapshot();
}

void CCurveAdjustDlg::channelChanged()
{
    if (!view())
        return;
    m_editor->setHeights(loadHeights(CCurveEditor::kPlotHeight));
    m_editor->resetCurve();
}

void CCurveAdjustDlg::applyCurve()
{
    applyTable(m_editor->remapTable());
}

} // namespace ardane
