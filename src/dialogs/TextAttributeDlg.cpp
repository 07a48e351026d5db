#include "dialogs/TextAttributeDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace ardane {

CTextAttributeDlg::CTextAttributeDlg(int depth, QWidget* parent)
    : QDialog(parent)
    , m_slider(new QSlider(Qt::Horizontal, this))
    , m_field(new QLineEdit(this))
{
    setWindowTitle(QStringLiteral("Text Attribute"));

    m_slider->setRange(kMinDepth, kMaxDepth);
    m_slider->setPageStep(10);
    m_slider->setValue(std::clamp(depth, kMinDepth, kMaxDepth));
    m_slider->setMinimumWidth(200);

    m_field->setMaxLength(3);
    m_field->setValidator(new QIntValidator(0, 999, m_field));
    m_field->setAlignment(Qt::AlignRight);
    m_field->setFixedWidth(m_field->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12);
    m_field->setText(QString::number(m_slider->value()));

    connect(m_slider, &QSlider::valueChanged, this, [this](int value) {
        if (m_field->text().toInt() != value)
            m_field->setText(QString::number(value));
    });
    // A typed depth moves the slider only when it is within range.
    connect(m_field, &QLineEdit::textEdited, this, [this](const QString& text) {
        bool ok = false;
        const int value = text.toInt(&ok);
        if (ok && value >= kMinDepth && value <= kMaxDepth)
            m_slider->setValue(value);
    });

    auto* row = new QHBoxLayout;
    row->addWidget(m_slider, 1);
    row->addWidget(m_field);
    // The label's mnemonic (Alt+D) takes the focus to the slider.
    auto* label = new QLabel(QStringLiteral("Shadow/3D &Depth:"), this);
    label->setBuddy(m_slider);
    auto* form = new QFormLayout;
    form->addRow(label, row);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

int CTextAttributeDlg::depth() const
{
    return m_slider->value();
}

std::optional<int> CTextAttributeDlg::ask(int depth, QWidget* parent)
{
    CTextAttributeDlg dialog(depth, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.depth();
}

} // namespace ardane
