#include "dialogs/CPrintResolutionDlg.h"

#include "dialogs/CImageSizeDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace ardane {

namespace {
constexpr int kFieldLength = 7;

QLineEdit* resolutionField(int value, QWidget* parent)
{
    auto* field = new QLineEdit(QString::number(value), parent);
    field->setMaxLength(kFieldLength);
    field->setAlignment(Qt::AlignRight);
    field->setMinimumWidth(70);
    return field;
}

QLabel* printerText(int value, QWidget* parent)
{
    auto* label = new QLabel(QString::number(value), parent);
    label->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setMinimumWidth(60);
    return label;
}
} // namespace

CPrintResolutionDlg::CPrintResolutionDlg(const PrintResolutionValues& values, QWidget* parent)
    : QDialog(parent), m_values(values)
{
    setWindowTitle(QStringLiteral("Print Resolution"));
    m_x = resolutionField(values.xResolution, this);
    m_y = resolutionField(values.yResolution, this);
    m_x->setObjectName(QStringLiteral("field1007"));
    m_y->setObjectName(QStringLiteral("field1008"));
    m_printerX = printerText(values.printerX, this);
    m_printerY = printerText(values.printerY, this);
    m_printerX->setObjectName(QStringLiteral("text1054"));
    m_printerY->setObjectName(QStringLiteral("text1055"));

    auto* group = new QGroupBox(QStringLiteral("Resolution"), this);
    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel(QStringLiteral("Width/Inch"), group), 0, 0);
    grid->addWidget(m_x, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Printer"), group), 0, 2);
    grid->addWidget(m_printerX, 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("Height/Inch"), group), 1, 0);
    grid->addWidget(m_y, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Printer"), group), 1, 2);
    grid->addWidget(m_printerY, 1, 3);

    auto* warning = new QLabel(QStringLiteral("Changing resolution can lose image quality"), this);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CPrintResolutionDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CPrintResolutionDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(warning);
    layout->addWidget(buttons);

    connect(m_x, &QLineEdit::editingFinished, this, &CPrintResolutionDlg::xFinished);
    connect(m_y, &QLineEdit::editingFinished, this, &CPrintResolutionDlg::yFinished);
}

void CPrintResolutionDlg::xFinished()
{
    m_values.xResolution = validateResolutionField(*m_x);
}

void CPrintResolutionDlg::yFinished()
{
    m_values.yResolution = validateResolutionField(*m_y);
}

void CPrintResolutionDlg::accept()
{
    // OK by the keyboard may come before the field has lost its focus.
    xFinished();
    yFinished();
    QDialog::accept();
}

} // namespace ardane
