#include "capture/ScannerChooser.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace ardane::capture {

ScannerChooser::ScannerChooser(const std::vector<ScannerDevice>& devices, QWidget* parent)
    : QDialog(parent), m_list(new QListWidget(this))
{
    setWindowTitle(QStringLiteral("Select Source"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Sources:"), this));
    for (const ScannerDevice& d : devices) {
        m_list->addItem(QStringLiteral("%1 %2 (%3)")
                            .arg(QString::fromStdString(d.vendor), QString::fromStdString(d.model),
                                 QString::fromStdString(d.name)));
    }
    if (m_list->count() > 0)
        m_list->setCurrentRow(0);
    layout->addWidget(m_list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Select"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
}

int ScannerChooser::currentRow() const
{
    return m_list->currentRow();
}

std::optional<std::size_t> ScannerChooser::choose(const std::vector<ScannerDevice>& devices, QWidget* parent)
{
    ScannerChooser dialog(devices, parent);
    if (dialog.exec() != QDialog::Accepted || dialog.currentRow() < 0)
        return std::nullopt;
    return std::size_t(dialog.currentRow());
}

} // namespace ardane::capture
