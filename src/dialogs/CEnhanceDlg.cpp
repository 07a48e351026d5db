#include "dialogs/CEnhanceDlg.h"

#include "imaging/EnhanceTable.h"
#include "core/StringTable.h"
#include "view/CArdaneView.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <climits>

namespace ardane {

namespace {

// An optional sign and the digits that follow it, as far as they go;
// 0 when the text does not start with a number. Saturates instead of
// overflowing.
int leadingInteger(const QString& text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) {
        negative = t[i] == u'-';
        ++i;
    }
    long long value = 0;
    for (; i < t.size() && t[i] >= u'0' && t[i] <= u'9'; ++i) {
        value = value * 10 + (t[i].unicode() - u'0');
        if (value > INT_MAX)
            return negative ? INT_MIN : INT_MAX;
    }
    return int(negative ? -value : value);
}

QLabel* limitLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("-00000")));
    return label;
}

} // namespace

int typedValue(const QString& text, int length)
{
    const QString head = text.left(length);
    long long value = 0;
    bool negative = false;
    for (qsizetype i = 0; i < head.size(); ++i) {
        const QChar c = head[i];
        if (i == 0 && c == u'-') {
            negative = true;
            continue;
        }
        const int digit = (c >= u'0' && c <= u'9') ? c.unicode() - u'0' : 0;
        value = value * 10 + digit;
        if (value > INT_MAX)
            return negative ? INT_MIN : INT_MAX;
    }
    return int(negative ? -value : value);
}

CEnhanceDlg::CEnhanceDlg(imaging::ImagingControl& snapshot, QWidget* parent)
    : QDialog(parent), m_snapshot(snapshot)
{
    setWindowTitle(stringTableText(IDS_NO_ASSOCIATED_IMAGE));
    setModal(false);

    m_operation = new QComboBox(this);
    for (const EnhanceRecord& record : kEnhanceOps)
        m_operation->addItem(QString::fromUtf8(record.text.data(), qsizetype(record.text.size())));

    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setMinimumWidth(200);
    m_minLabel = limitLabel(this);
    m_maxLabel = limitLabel(this);
    m_value = new QLineEdit(this);
    m_value->setAlignment(Qt::AlignRight);
    m_value->setFixedWidth(m_value->fontMetrics().horizontalAdvance(QStringLiteral("-000000000")));

    m_channelLabel = new QLabel(QStringLiteral("Channel"), this);
    m_channel = new QComboBox(this);
    m_channel->addItems({QStringLiteral("Master"), QStringLiteral("Red"), QStringLiteral("Green"),
                         QStringLiteral("Blue")});
    auto* directionLabel = new QLabel(QStringLiteral("Direction"), this);
    m_direction = new QComboBox(this);
    m_direction->addItems({QStringLiteral("North"), QStringLiteral("North East"), QStringLiteral("North West"),
                           QStringLiteral("South"), QStringLiteral("South East"), QStringLiteral("South West"),
                           QStringLiteral("East"), QStringLiteral("West")});
    m_sizeLabel = new QLabel(QStringLiteral("Size"), this);
    m_size = new QLineEdit(QString::number(kInitialSize), this);
    m_size->setAlignment(Qt::AlignRight);
    m_size->setFixedWidth(m_value->width());
    m_horizontal = new QCheckBox(QStringLiteral("Horizontal"), this);
    m_channelLabel->setBuddy(m_channel);
    directionLabel->setBuddy(m_direction);
    m_sizeLabel->setBuddy(m_size);

    m_apply = new QPushButton(QStringLiteral("Apply"), this);
    m_save = new QPushButton(QStringLiteral("Save"), this);
    m_restore = new QPushButton(QStringLiteral("Restore"), this);
    m_close = new QPushButton(QStringLiteral("Close"), this);
    for (QPushButton* b : {m_apply, m_save, m_restore, m_close})
        b->setAutoDefault(false);
    m_apply->setEnabled(false);

    // The Channel list, the Size box and the Horizontal check box share one
    // place: an operation shows exactly one of them.
    auto* inputs = new QGridLayout;
    inputs->addWidget(new QLabel(QStringLiteral("Operation"), this), 0, 0);
    inputs->addWidget(m_operation, 0, 1, 1, 4);
    inputs->addWidget(m_minLabel, 1, 0);
    inputs->addWidget(m_slider, 1, 1, 1, 2);
    inputs->addWidget(m_maxLabel, 1, 3);
    inputs->addWidget(m_value, 1, 4);
    inputs->addWidget(m_channelLabel, 2, 0);
    inputs->addWidget(m_channel, 2, 1);
    inputs->addWidget(m_sizeLabel, 2, 0);
    inputs->addWidget(m_size, 2, 1, Qt::AlignLeft);
    inputs->addWidget(m_horizontal, 2, 1);
    inputs->addWidget(directionLabel, 3, 0);
    inputs->addWidget(m_direction, 3, 1);
    inputs->setColumnStretch(2, 1);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {m_apply, m_save, m_restore, m_close})
        buttons->addWidget(b);
    buttons->addStretch(1);

    auto* top = new QHBoxLayout(this);
    top->addLayout(inputs, 1);
    top->addSpacing(8);
    top->addLayout(buttons);
    top->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_operation, &QComboBox::currentIndexChanged, this, &CEnhanceDlg::operationChanged);
    connect(m_slider, &QSlider::valueChanged, this, [this] {
        // While the thumb is dragged the box waits for the release.
        if (!m_slider->isSliderDown())
            writeValueBox();
    });
    connect(m_slider, &QSlider::sliderReleased, this, &CEnhanceDlg::writeValueBox);
    connect(m_value, &QLineEdit::textChanged, this, &CEnhanceDlg::valueTyped);
    connect(m_size, &QLineEdit::textChanged, this, &CEnhanceDlg::sizeChanged);
    connect(m_apply, &QPushButton::clicked, this, &CEnhanceDlg::apply);
    connect(m_save, &QPushButton::clicked, this, &CEnhanceDlg::save);
    connect(m_restore, &QPushButton::clicked, this, &CEnhanceDlg::restore);
    connect(m_close, &QPushButton::clicked, this, &CEnhanceDlg::reject);

    operationChanged(0);
}

void CEnhanceDlg::operationChanged(int index)
{
    const std::optional<EnhanceRecord> record = enhanceRecord(index);
    if (!record)
        return;
    const unsigned inputs = record->inputs;
    const bool size = (inputs & kUsesSize) != 0;
    const bool horizontal = !size && (inputs & kUsesHorizontal) != 0;
    const bool channel = !size && !horizontal;
    m_sizeLabel->setVisible(size);
    m_size->setVisible(size);
    m_horizontal->setVisible(horizontal);
    m_channelLabel->setVisible(channel);
    m_channel->setVisible(channel);
    configureSlider(index);
}

void CEnhanceDlg::configureSlider(int index)
{
    const std::optional<EnhanceRecord> record = enhanceRecord(index);
    if (!record)
        return;
    {
        // The range alone may move the thumb; the box is written once below.
        const QSignalBlocker blocker(m_slider);
        m_slider->setRange(record->minimum, record->maximum);
        m_slider->setValue(record->start());
    }
    m_minLabel->setText(QString::asprintf("%d", record->minimum));
    m_maxLabel->setText(QString::asprintf("%d", record->maximum));
    writeValueBox();
    m_slider->setEnabled(record->hasSlider());
    m_channel->setEnabled((record->inputs & kUsesChannel) != 0);
    m_direction->setEnabled((record->inputs & kUsesDirection) != 0);
}

void CEnhanceDlg::writeValueBox()
{
    if (m_inValueBox)
        return;
    m_inValueBox = true;
    m_value->setText(QString::asprintf("%d", m_slider->value()));
    m_inValueBox = false;
}

void CEnhanceDlg::valueTyped(const QString& text)
{
    if (m_inValueBox)
        return;
    m_inValueBox = true;
    const int value = typedValue(text);
    // Out of range the value stays in the box as typed and the thumb stays.
    if (value >= m_slider->minimum() && value <= m_slider->maximum())
        m_slider->setValue(value);
    m_inValueBox = false;
}

void CEnhanceDlg::sizeChanged(const QString& text)
{
    const int value = leadingInteger(text);
    if (value < m_sizeMinimum)
        m_size->setText(QString::asprintf("%d", m_sizeMinimum));
    else if (value > m_sizeMaximum)
        m_size->setText(QString::asprintf("%d", m_sizeMaximum));
}

int CEnhanceDlg::sizeValue() const
{
    return leadingInteger(m_size->text());
}

void CEnhanceDlg::setSizeMaximum(int maximum)
{
    m_sizeMaximum = maximum < m_sizeMinimum ? m_sizeMinimum : maximum;
}

EnhanceRequest CEnhanceDlg::request() const
{
    EnhanceRequest r;
    r.operation = m_operation->currentIndex();
    r.value = m_slider->value();
    r.size = sizeValue();
    r.channel = m_channel->currentIndex();
    r.direction = m_direction->currentIndex();
    r.horizontal = m_horizontal->isChecked();
    return r;
}

void CEnhanceDlg::showAdjuster()
{
    show();
    raise();
    activateWindow();
}

void CEnhanceDlg::bindView(CArdaneView* view)
{
    m_view = view;
    m_apply->setEnabled(view != nullptr);
}

CArdaneView* CEnhanceDlg::boundView() const
{
    return m_view.data();
}

void CEnhanceDlg::reset()
{
    m_view = nullptr;
    setWindowTitle(stringTableText(IDS_NO_ASSOCIATED_IMAGE));
    m_apply->setEnabled(false);
}

void CEnhanceDlg::apply()
{
    if (m_view)
        m_view->applyEnhancement(request());
}

void CEnhanceDlg::save()
{
    if (!m_view)
        return;
    m_saved = true;
    m_snapshot.SetImageHandle(m_view->image().ImageHandle());
}

void CEnhanceDlg::restore()
{
    // Another dialog may have emptied the shared snapshot since: an empty
    // snapshot would blank the image, so it is not restored.
    if (!m_view || !m_saved || !m_snapshot.HasImage())
        return;
    m_view->image().SetImageHandle(m_snapshot.ImageHandle());
    m_view->imageAdjusted();
}

void CEnhanceDlg::hideAdjuster()
{
    hide();
    m_apply->setEnabled(false);
}

void CEnhanceDlg::reject()
{
    hideAdjuster();
}

void CEnhanceDlg::closeEvent(QCloseEvent* event)
{
    hideAdjuster();
    event->accept();
}

} // namespace ardane
