#include "dialogs/AdjustDialogBase.h"

#include "imaging/ImagingControl.h"
#include "view/CArdaneView.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QPainter>
#include <QPushButton>

namespace ardane {

CAdjustDialogBase::CAdjustDialogBase(imaging::ImagingControl& snapshot, const QString& name, QWidget* parent)
    : QDialog(parent, Qt::Tool)
    , m_snapshot(snapshot)
    , m_channel(new QComboBox(this))
    , m_save(new QPushButton(QStringLiteral("Save"), this))
    , m_restore(new QPushButton(QStringLiteral("Restore"), this))
    , m_close(new QPushButton(QStringLiteral("Close"), this))
{
    setModal(false);
    setObjectName(name);
    setWindowTitle(name);
    for (const char* channel : adjust::kChannelNames)
        m_channel->addItem(QString::fromLatin1(channel));
    m_channel->setCurrentIndex(0);
    // No button is the default: Enter in the Flat level box must not close.
    for (QPushButton* button : {m_save, m_restore, m_close})
        button->setAutoDefault(false);

    connect(m_channel, &QComboBox::currentIndexChanged, this, [this] { channelChanged(); });
    connect(m_save, &QPushButton::clicked, this, &CAdjustDialogBase::save);
    connect(m_restore, &QPushButton::clicked, this, &CAdjustDialogBase::restore);
    connect(m_close, &QPushButton::clicked, this, &QWidget::hide);
}

CArdaneView* CAdjustDialogBase::view() const
{
    return m_view;
}

void CAdjustDialogBase::setView(CArdaneView* view)
{
    m_view = view;
}

int CAdjustDialogBase::channelCode() const
{
    return adjust::channelCode(m_channel->currentIndex());
}

void CAdjustDialogBase::takeSnapshot()
{
    if (!m_view)
        return;
    m_snapshot.SetImageHandle(m_view->image().ImageHandle());
    m_saved = true;
}

void CAdjustDialogBase::save()
{
    takeSnapshot();
}

void CAdjustDialogBase::restore()
{
    if (!m_saved || !m_view)
        return;
    m_view->image().SetImageHandle(m_snapshot.ImageHandle());
    m_view->imageAdjusted();
}

void CAdjustDialogBase::applyTable(const std::array<int, 256>& table)
{
    if (!m_view)
        return;
    imaging::ImagingControl& image = m_view->image();
    for (int i = 0; i < 256; ++i)
        image.SetIntensityMapEntry(i, table[std::size_t(i)]);
    if (image.ApplyIntensityMap(channelCode()) == imaging::result::Ok)
        m_view->imageAdjusted();
}

adjust::Heights CAdjustDialogBase::loadHeights(int fullHeight) const
{
    if (!m_view)
        return adjust::flatHeights();
    return adjust::histogramHeights(m_view->image(), channelCode(), fullHeight);
}

void CAdjustDialogBase::arrange(QLayout* plot, std::initializer_list<QPushButton*> ownButtons)
{
    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : ownButtons)
        buttons->addWidget(button);
    for (QPushButton* button : {m_save, m_restore, m_close})
        buttons->addWidget(button);
    buttons->addStretch(1);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(plot);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CAdjustDialogBase::showOnTop()
{
    show();
    raise();
}

namespace adjust {

void paintPanel(QPainter& painter, const QRect& client)
{
    painter.fillRect(client, Qt::white);
    const QRect edge = client.adjusted(1, 1, -1, -1);
    // Outer ring: shadow above and left, highlight below and right; the
    // inner ring darker and lighter, as a sunken edge is drawn.
    auto ring = [&painter](const QRect& r, const QColor& dark, const QColor& light) {
        painter.setPen(dark);
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.topLeft(), r.bottomLeft());
        painter.setPen(light);
        painter.drawLine(r.bottomLeft(), r.bottomRight());
        painter.drawLine(r.topRight(), r.bottomRight());
    };
    ring(edge, QColor(128, 128, 128), QColor(255, 255, 255));
    ring(edge.adjusted(1, 1, -1, -1), QColor(64, 64, 64), QColor(192, 192, 192));
}

void paintHistogram(QPainter& painter, int left, int bottom, const Heights& heights,
                    const std::function<QColor(int level)>& colourOf)
{
    for (int i = 0; i < 256; ++i) {
        const int height = heights[std::size_t(i)];
        if (height <= 0)
            continue;
        painter.fillRect(left + i, bottom - height + 1, 1, height, colourOf(i));
    }
}

} // namespace adjust
} // namespace ardane