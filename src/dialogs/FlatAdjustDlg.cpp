#include "dialogs/FlatAdjustDlg.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace ardane {

// --- the display ----------------------------------------------------------------

CFlatDisplay::CFlatDisplay(QWidget* parent)
    : QWidget(parent)
{
    setFixedSize(kMinWidth, kMinHeight);
    setCursor(Qt::CrossCursor);
}

QRect CFlatDisplay::plotRect() const
{
    const int left = (width() - 256) / 2;
    return QRect(QPoint(left, height() - 105), QPoint(left + 255, height() - 4));
}

QRect CFlatDisplay::markerStrip(int level) const
{
    const QRect plot = plotRect();
    return QRect(plot.left() + level - 2, plot.top(), 4, plot.height());
}

void CFlatDisplay::setLevel(int level)
{
    if (level < 0 || level > 255)
        return;
    update(markerStrip(m_level));
    m_level = level;
    update(markerStrip(m_level));
}

void CFlatDisplay::setHeights(const adjust::Heights& heights)
{
    m_heights = heights;
    update();
}

void CFlatDisplay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    adjust::paintPanel(painter, rect());
    const QRect plot = plotRect();
    adjust::paintHistogram(painter, plot.left(), plot.bottom(), m_heights, [](int) { return QColor(Qt::black); });
    painter.setPen(QColor(255, 0, 0));
    const int x = plot.left() + m_level;
    painter.drawLine(x, plot.bottom(), x, plot.top());
}

void CFlatDisplay::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint p = event->position().toPoint();
    const QRect plot = plotRect();
    const int level = p.x() - plot.left();
    if (!plot.contains(p) || level < 0 || level > 255)
        return;
    emit levelClicked(level);
}

// --- the dialog -----------------------------------------------------------------

CFlatAdjustDlg::CFlatAdjustDlg(imaging::ImagingControl& snapshot, QWidget* parent)
    : CAdjustDialogBase(snapshot, QStringLiteral("Flat Adjustment"), parent)
    , m_display(new CFlatDisplay(this))
    , m_slider(new QSlider(Qt::Horizontal, this))
    , m_box(new QLineEdit(this))
{
    m_updating = true;
    m_slider->setRange(kMinValue, kMaxValue);
    m_slider->setPageStep(16);
    m_slider->setValue(128);
    m_box->setMaxLength(4);
    m_box->setAlignment(Qt::AlignRight);
    m_box->setFixedWidth(m_box->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
    showInBox(m_display->level() + 1);
    m_updating = false;

    // The level is taken when the slider comes to rest, not while it is
    // dragged: when a drag ends, and on every step the keyboard, a page
    // click or the wheel makes (the slider is not held down then).
    connect(m_slider, &QSlider::sliderReleased, this, [this] { sliderSettled(m_slider->value()); });
    connect(m_slider, &QSlider::valueChanged, this, [this](int value) {
        if (!m_slider->isSliderDown())
            sliderSettled(value);
    });
    connect(m_box, &QLineEdit::textEdited, this, &CFlatAdjustDlg::boxEdited);
    connect(m_display, &CFlatDisplay::levelClicked, this, &CFlatAdjustDlg::levelClicked);

    auto* channelRow = new QFormLayout;
    channelRow->addRow(QStringLiteral("Channel:"), &channelList());

    // The slider spans the plot's width, "1" and "256" under its ends.
    auto* sliderRow = new QHBoxLayout;
    sliderRow->addWidget(m_slider, 1);
    sliderRow->addWidget(m_box);
    auto* scale = new QHBoxLayout;
    scale->setContentsMargins(m_display->plotRect().left(), 0, m_box->width() + sliderRow->spacing(), 0);
    scale->addWidget(new QLabel(QStringLiteral("1"), this));
    scale->addStretch(1);
    scale->addWidget(new QLabel(QStringLiteral("256"), this));

    auto* plotColumn = new QVBoxLayout;
    plotColumn->setSpacing(2);
    plotColumn->addLayout(channelRow);
    plotColumn->addSpacing(4);
    plotColumn->addWidget(m_display);
    plotColumn->addSpacing(4);
    plotColumn->addLayout(sliderRow);
    plotColumn->addLayout(scale);

    arrange(plotColumn, {});
}

void CFlatAdjustDlg::showAdjuster()
{
    showOnTop();
}

void CFlatAdjustDlg::bindView(CArdaneView* bound)
{
    if (bound == view())
        return;
    setView(bound);
    if (bound) {
        m_display->setHeights(loadHeights(CFlatDisplay::kPlotHeight));
        takeSnapshot();
        return;
    }
    setCaption(QString());
    m_display->setHeights(adjust::flatHeights());
}

void CFlatAdjustDlg::channelChanged()
{
    if (view())
        m_display->setHeights(loadHeights(CFlatDisplay::kPlotHeight));
}

void CFlatAdjustDlg::sliderSettled(int position)
{
    if (m_updating || !view())
        return;
    m_updating = true;
    showInBox(position);
    m_display->setLevel(position - 1);
    applyFlat();
    m_updating = false;
}

void CFlatAdjustDlg::boxEdited(const QString& text)
{
    // An empty box or a lone minus sign is a number still being typed.
    const QString trimmed = text.trimmed();
    if (m_updating || !view() || trimmed.isEmpty() || trimmed == QStringLiteral("-"))
        return;
    bool ok = false;
    int value = trimmed.toInt(&ok);
    if (!ok)
        value = 0;
    const int clamped = std::clamp(value, kMinValue, kMaxValue);
    if (clamped != value || !ok)
        showInBox(clamped);
    setSliderQuietly(clamped);
    m_display->setLevel(clamped - 1);
    applyFlat();
}

void CFlatAdjustDlg::levelClicked(int level)
{
    if (!view())
        return;
    m_display->setLevel(level);
    applyFlat();
}

void CFlatAdjustDlg::applyFlat()
{
    if (!view())
        return;
    std::array<int, 256> table{};
    table.fill(m_display->level());
    applyTable(table);
    if (m_updating)
        return;
    setSliderQuietly(m_display->level() + 1);
    showInBox(m_display->level() + 1);
}

void CFlatAdjustDlg::showInBox(int value)
{
    const QString text = QString::number(value);
    if (m_box->text() != text)
        m_box->setText(text);
}

void CFlatAdjustDlg::setSliderQuietly(int value)
{
    const bool was = m_updating;
    m_updating = true;
    m_slider->setValue(value);
    m_updating = was;
}

} // namespace ardane
