#include "dialogs/CImageSizeDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <algorithm>

namespace ardane {

namespace {
constexpr int kFieldLength = 7;

QLineEdit* numberField(int value, QWidget* parent)
{
    auto* field = new QLineEdit(QString::number(value), parent);
    field->setMaxLength(kFieldLength);
    field->setAlignment(Qt::AlignRight);
    field->setMinimumWidth(80);
    return field;
}
} // namespace

int validateResolutionField(QLineEdit& field)
{
    const int v = field.text().trimmed().toInt();
    const int clamped = std::clamp(v, CImageSizeDlg::kMinResolution, CImageSizeDlg::kMaxResolution);
    if (clamped != v)
        field.setText(QString::number(clamped));
    return clamped;
}

CImageSizeDlg::CImageSizeDlg(const ImageSizeValues& values, QWidget* parent)
    : QDialog(parent), m_values(values), m_baseWidth(values.width), m_baseHeight(values.height)
{
    m_updating = true;
    setWindowTitle(values.caption.isEmpty() ? QStringLiteral("New Image Size") : values.caption);

    m_width = numberField(values.width, this);
    m_height = numberField(values.height, this);
    m_xRes = numberField(values.xResolution, this);
    m_yRes = numberField(values.yResolution, this);
    m_keepAspect = new QCheckBox(QStringLiteral("Keep Aspect Ratio"), this);
    m_keepAspect->setChecked(true);
    m_resize = new QComboBox(this);
    m_resize->addItems({QStringLiteral("Normal"), QStringLiteral("Resampling")});
    m_resize->setCurrentIndex(std::clamp(values.resizeMode, 0, 1));
    m_inches = new QLabel(this);
    m_millimetres = new QLabel(this);
    for (QLabel* l : {m_inches, m_millimetres}) {
        l->setFrameShape(QFrame::StyledPanel);
        l->setFrameShadow(QFrame::Sunken);
        l->setAlignment(Qt::AlignCenter);
        l->setMinimumWidth(120);
    }

    auto* pixels = new QGroupBox(QStringLiteral("Image Size"), this);
    auto* pixelForm = new QFormLayout(pixels);
    pixelForm->addRow(QStringLiteral("Width in Pixel"), m_width);
    pixelForm->addRow(QStringLiteral("Height in Pixel"), m_height);
    pixelForm->addRow(m_keepAspect);
    pixelForm->addRow(QStringLiteral("Resize"), m_resize);

    auto* printer = new QGroupBox(QStringLiteral("Printer Resolution"), this);
    auto* printerForm = new QFormLayout(printer);
    printerForm->addRow(QStringLiteral("Width/Inch"), m_xRes);
    printerForm->addRow(QStringLiteral("Height/Inch"), m_yRes);

    auto* inch = new QGroupBox(QStringLiteral("Size in Inch"), this);
    (new QVBoxLayout(inch))->addWidget(m_inches);
    auto* mm = new QGroupBox(QStringLiteral("Size in mm"), this);
    (new QVBoxLayout(mm))->addWidget(m_millimetres);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CImageSizeDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CImageSizeDlg::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(pixels, 0, 0);
    grid->addWidget(printer, 0, 1);
    grid->addWidget(inch, 1, 0);
    grid->addWidget(mm, 1, 1);
    grid->addWidget(buttons, 2, 0, 1, 2);

    connect(m_width, &QLineEdit::editingFinished, this, &CImageSizeDlg::widthFinished);
    connect(m_height, &QLineEdit::editingFinished, this, &CImageSizeDlg::heightFinished);
    connect(m_xRes, &QLineEdit::textEdited, this, [this] { resolutionChanged(m_xRes, m_values.xResolution); });
    connect(m_yRes, &QLineEdit::textEdited, this, [this] { resolutionChanged(m_yRes, m_values.yResolution); });
    connect(m_keepAspect, &QCheckBox::toggled, this, [this](bool on) { m_keepAspectOn = on; });
    connect(m_resize, &QComboBox::currentIndexChanged, this, [this](int index) { m_values.resizeMode = index; });

    updateSizeTexts();
    m_updating = false;
}

int CImageSizeDlg::validateSize(QLineEdit* field)
{
    const int v = field->text().trimmed().toInt();
    if (v < kMinSize)
        field->setText(QString::number(kMinSize));
    else if (v > kMaxSize)
        field->setText(QString::number(kMaxSize));
    return field->text().trimmed().toInt();
}

void CImageSizeDlg::widthFinished()
{
    if (m_updating)
        return;
    m_updating = true;
    m_values.width = validateSize(m_width);
    if (m_keepAspectOn && m_baseWidth > 0) {
        m_values.height = int(m_width->text().toDouble() * m_baseHeight / m_baseWidth);
        m_height->setText(QString::number(m_values.height));
    }
    updateSizeTexts();
    m_updating = false;
}

void CImageSizeDlg::heightFinished()
{
    if (m_updating)
        return;
    m_updating = true;
    m_values.height = validateSize(m_height);
    if (m_keepAspectOn && m_baseHeight > 0) {
        m_values.width = int(m_height->text().toDouble() * m_baseWidth / m_baseHeight);
        m_width->setText(QString::number(m_values.width));
    }
    updateSizeTexts();
    m_updating = false;
}

void CImageSizeDlg::resolutionChanged(QLineEdit* field, int& target)
{
    if (m_updating)
        return;
    m_updating = true;
    target = validateResolutionField(*field);
    m_updating = false;
    updateSizeTexts();
}

void CImageSizeDlg::updateSizeTexts()
{
    m_inches->setText(inchText());
    m_millimetres->setText(millimetreText());
}

QString CImageSizeDlg::inchText() const
{
    const double w = double(m_values.width) / m_values.xResolution;
    const double h = double(m_values.height) / m_values.yResolution;
    return QString::asprintf("%.2f x %.2f", w, h);
}

QString CImageSizeDlg::millimetreText() const
{
    const double w = double(m_values.width) / m_values.xResolution;
    const double h = double(m_values.height) / m_values.yResolution;
    return QString::asprintf("%d x %d", int(w * 25.4), int(h * 25.4));
}

void CImageSizeDlg::accept()
{
    m_updating = true;
    m_values.width = validateSize(m_width);
    m_values.height = validateSize(m_height);
    m_updating = false;
    QDialog::accept();
}

} // namespace ardane
