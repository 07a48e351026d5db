#include "dialogs/CColorPlanesDlg.h"

#include "view/CArdaneView.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <qdrawutil.h>

namespace ardane {

namespace {

// The labels of every model, one after the other: the model's name, then
// its planes in the order the imaging control splits them.
constexpr std::array<std::string_view, 21> kPlaneLabels{
    "RGB", "BLUE", "GREEN", "RED",            // 0: RGB
    "CMYK", "Cyan", "Mag", "Yellow", "Black", // 4: CMYK
    "CMY", "Cyan", "Mag", "Yellow",           // 9: CMY
    "HSV", "Hue", "Sat", "Value",             // 13: HSV
    "HLS", "Hue", "Lt", "Sat",                // 17: HLS
};

struct ModelLabels {
    std::size_t first;
    std::size_t count;
};

// Indexed by separation type: 0 RGB, 1 CMYK, 2 HSV, 3 HLS, 4 CMY.
constexpr std::array<ModelLabels, 5> kModelLabels{{{0, 4}, {4, 5}, {13, 4}, {17, 4}, {9, 4}}};

constexpr int kCmyk = 1;

QColor toQColor(ColorRef c)
{
    return QColor(colorRefRed(c), colorRefGreen(c), colorRefBlue(c));
}

} // namespace

std::span<const std::string_view> planeLabelTexts(int separationType)
{
    const ModelLabels m =
        (separationType >= 0 && separationType < int(kModelLabels.size())) ? kModelLabels[std::size_t(separationType)]
                                                                           : kModelLabels[0];
    return std::span<const std::string_view>(kPlaneLabels).subspan(m.first, m.count);
}

// --- CPlaneButton ------------------------------------------------------------

CPlaneButton::CPlaneButton(CArdaneView& view, int planeIndex, const QString& name, QWidget* parent)
    : QAbstractButton(parent), m_view(&view), m_plane(planeIndex)
{
    setText(name);
    setAccessibleName(name);
    setFixedSize(kPreviewSize, kPreviewSize);
    setFocusPolicy(Qt::TabFocus);
}

imaging::Bitmap CPlaneButton::bitmap() const
{
    if (!m_view)
        return {};
    if (m_plane == kWholeImage)
        return m_view->backupControl().ImageHandle();
    return m_view->planeControl().PlaneImage(m_plane);
}

void CPlaneButton::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    refresh();
}

void CPlaneButton::refresh()
{
    if (m_selected && m_view) {
        const imaging::Bitmap shown = bitmap();
        if (!shown.isNull())
            m_view->showBitmap(shown);
    }
    update();
}

const QImage& CPlaneButton::scaled(const QImage& source, const QSize& size)
{
    if (source.cacheKey() != m_cacheKey || m_cache.size() != size) {
        m_cache = source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        m_cacheKey = source.cacheKey();
    }
    return m_cache;
}

void CPlaneButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect frame = rect();
    painter.fillRect(frame, palette().button());
    const QRect inner = frame.adjusted(2, 2, -2, -2);
    if (m_view && inner.isValid()) {
        // The selected button shows what the view shows; the others their own bitmap.
        const imaging::Bitmap shown = m_selected ? m_view->image().ImageHandle() : bitmap();
        if (!shown.isNull())
            painter.drawImage(inner.topLeft(), scaled(shown.image(), inner.size()));
    }
    qDrawWinPanel(&painter, frame, palette(), m_selected);
}

// --- CColorLabel -------------------------------------------------------------

CColorLabel::CColorLabel(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void CColorLabel::setText(const QString& text)
{
    m_text = text;
    setAccessibleName(text);
    update();
}

void CColorLabel::setColors(ColorRef fill, ColorRef text)
{
    m_fill = fill;
    m_textColour = text;
    update();
}

QSize CColorLabel::sizeHint() const
{
    return {CPlaneButton::kPreviewSize, fontMetrics().height() + 6};
}

void CColorLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), toQColor(m_fill));
    painter.setPen(toQColor(m_textColour));
    painter.drawText(rect(), Qt::AlignCenter, m_text);
}

// --- CColorPlanesDlg ---------------------------------------------------------

CColorPlanesDlg::CColorPlanesDlg(CArdaneView& view, QWidget* parent)
    : QDialog(parent), m_view(&view), m_type(view.separationType()),
      m_count(view.separationType() == kCmyk ? kMaxButtons : kMaxButtons - 1)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(false);

    m_group = new QGroupBox(QStringLiteral("Color Separation"), this);
    auto* grid = new QGridLayout(m_group);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);
    const std::span<const std::string_view> texts = planeLabelTexts(m_type);
    for (int k = 0; k < kMaxButtons; ++k) {
        const int plane = k == 0 ? CPlaneButton::kWholeImage : k - 1;
        const QString name = k == 0 ? QStringLiteral("Planes") : QStringLiteral("Plane %1").arg(k - 1);
        auto* b = new CPlaneButton(view, plane, name, m_group);
        auto* l = new CColorLabel(m_group);
        if (std::size_t(k) < texts.size())
            l->setText(QString::fromUtf8(texts[std::size_t(k)].data(), qsizetype(texts[std::size_t(k)].size())));
        grid->addWidget(b, 0, k);
        grid->addWidget(l, 1, k);
        connect(b, &QAbstractButton::clicked, this, [this, k] { selectButton(k); });
        m_buttons[std::size_t(k)] = b;
        m_labels[std::size_t(k)] = l;
        // Without a fourth plane the last column goes and the dialog narrows.
        b->setVisible(k < m_count);
        l->setVisible(k < m_count);
    }

    m_merge = new QPushButton(QStringLiteral("Merge"), this);
    m_merge->setDefault(true);
    m_close = new QPushButton(QStringLiteral("Close"), this);
    m_close->setAutoDefault(false);
    connect(m_merge, &QPushButton::clicked, this, &CColorPlanesDlg::merge);
    connect(m_close, &QPushButton::clicked, this, &CColorPlanesDlg::close);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_merge);
    buttons->addWidget(m_close);
    buttons->addStretch(1);

    auto* top = new QHBoxLayout(this);
    top->addWidget(m_group);
    top->addLayout(buttons);
    top->setSizeConstraint(QLayout::SetFixedSize);

    setWindowTitle(view.document().title());
    selectButton(1);
}

CColorPlanesDlg::~CColorPlanesDlg()
{
    finish();
}

int CColorPlanesDlg::selectedButton() const
{
    for (int k = 0; k < m_count; ++k)
        if (m_buttons[std::size_t(k)]->isSelected())
            return k;
    return m_count;
}

void CColorPlanesDlg::selectButton(int k)
{
    if (k < 0 || k >= m_count || m_buttons[std::size_t(k)]->isSelected())
        return;
    for (int i = 0; i < m_count; ++i)
        if (i != k)
            m_buttons[std::size_t(i)]->setSelected(false);
    m_buttons[std::size_t(k)]->setSelected(true);
    for (int i = 0; i < kMaxButtons; ++i) {
        if (i == k)
            m_labels[std::size_t(i)]->setColors(CColorLabel::kSelectedFill, CColorLabel::kWhite);
        else
            m_labels[std::size_t(i)]->setColors(CColorLabel::kWhite, CColorLabel::kBlack);
    }
    m_merge->setFocus();
}

void CColorPlanesDlg::repaintSelectedPreview()
{
    const int k = selectedButton();
    if (k < m_count)
        m_buttons[std::size_t(k)]->refresh();
}

void CColorPlanesDlg::merge()
{
    if (!m_view)
        return;
    imaging::ImagingControl& planes = m_view->planeControl();
    // Without a full plane set nothing is merged and nothing changes.
    if (planes.MergePlanes(m_type) != imaging::result::Ok)
        return;
    m_view->backupControl().SetImageHandle(planes.ImageHandle());
    // The planes are split again from the merged image so that both agree.
    if (planes.SplitPlanes(m_type) != imaging::result::Ok)
        qWarning("Color planes: the merged image could not be split again");
    m_buttons[0]->refresh();
}

void CColorPlanesDlg::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    if (!m_view)
        return;
    const imaging::Bitmap whole = m_view->backupControl().ImageHandle();
    if (!whole.isNull())
        m_view->showBitmap(whole);
    m_view->planeControl().SetImageHandle(imaging::Bitmap{});
    m_view->backupControl().SetImageHandle(imaging::Bitmap{});
    m_view->planesDialogClosed();
}

void CColorPlanesDlg::closeEvent(QCloseEvent* event)
{
    finish();
    event->accept();
}

} // namespace ardane
