#include "dialogs/CImageOffsetDlg.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QSlider>

#include <algorithm>
#include <cmath>

namespace ardane {

namespace {
constexpr int kPanelMargin = 8;

QFrame* sunkenBox(const QColor& colour, QSize size, QWidget* parent)
{
    auto* box = new QFrame(parent);
    box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    box->setLineWidth(2);
    box->setAutoFillBackground(true);
    QPalette p = box->palette();
    p.setColor(QPalette::Window, colour);
    box->setPalette(p);
    box->setFixedSize(size);
    return box;
}

// A slider's upper end: the page in dots less the image box, never below 0
// (also for a page size that is not a number).
int sliderTop(double pageDots, int extent)
{
    if (!std::isfinite(pageDots) || pageDots <= 0)
        return 0;
    const double top = std::trunc(pageDots) - extent;
    return top <= 0 ? 0 : int(std::min(top, double(1 << 30)));
}
} // namespace

CImageOffsetDlg::CImageOffsetDlg(const ImageOffsetValues& values, QWidget* parent)
    : QDialog(parent), m_values(values)
{
    setWindowTitle(QStringLiteral("Image Offset"));

    auto* panel = new QWidget(this);
    panel->setFixedSize(kPageBox + QSize(2 * kPanelMargin, 2 * kPanelMargin));
    m_page = sunkenBox(Qt::white, kPageBox, panel);
    m_page->setObjectName(QStringLiteral("static1047"));
    m_page->move(kPanelMargin, kPanelMargin);
    m_image = sunkenBox(Qt::black, kImageBox, panel);
    m_image->setObjectName(QStringLiteral("static1048"));
    m_image->raise();

    m_horizontal = new QSlider(Qt::Horizontal, this);
    m_horizontal->setObjectName(QStringLiteral("slider1044"));
    m_vertical = new QSlider(Qt::Vertical, this);
    m_vertical->setObjectName(QStringLiteral("slider1045"));
    // Top of the page at the top of the slider.
    m_vertical->setInvertedAppearance(true);
    m_vertical->setInvertedControls(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CImageOffsetDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CImageOffsetDlg::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(panel, 0, 0);
    grid->addWidget(m_vertical, 0, 1);
    grid->addWidget(m_horizontal, 1, 0);
    grid->addWidget(buttons, 2, 0, 1, 2);

    // The image box keeps its size; the sliders run over the page less it.
    // An offset beyond the page's end is held at that end by its slider.
    m_imageExtentX = m_image->contentsRect().width() + 4;
    m_imageExtentY = m_image->contentsRect().height() + 4;
    m_horizontal->setRange(0, sliderTop(m_values.pageWidth, m_imageExtentX));
    m_vertical->setRange(0, sliderTop(m_values.pageHeight, m_imageExtentY));
    m_horizontal->setValue(m_values.xOffset);
    m_vertical->setValue(m_values.yOffset);
    m_values.xOffset = m_horizontal->value();
    m_values.yOffset = m_vertical->value();
    placePreview();

    connect(m_horizontal, &QSlider::valueChanged, this, [this](int v) {
        m_values.xOffset = v;
        placePreview();
    });
    connect(m_vertical, &QSlider::valueChanged, this, [this](int v) {
        m_values.yOffset = v;
        placePreview();
    });
}

void CImageOffsetDlg::placePreview()
{
    // Where the offset lies on the page, in percent.
    const double px = m_values.pageWidth > 0 ? m_values.xOffset * 100.0 / m_values.pageWidth : 0.0;
    const double py = m_values.pageHeight > 0 ? m_values.yOffset * 100.0 / m_values.pageHeight : 0.0;
    // The area the image box's top-left may take: the page inside its edge,
    // less the image box at the right and bottom.
    const QRect page = m_page->geometry();
    const int left = page.left() + 2;
    const int top = page.top() + 2;
    const int width = std::max(0, (page.right() + 1 - m_imageExtentX) - left);
    const int height = std::max(0, (page.bottom() + 1 - m_imageExtentY) - top);
    m_image->move(left + int(width * px * 0.01), top + int(height * py * 0.01));
}

} // namespace ardane
