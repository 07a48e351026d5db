#include "app/QtUiServices.h"

#include "dialogs/CImageOffsetDlg.h"
#include "dialogs/CImageSizeDlg.h"
#include "dialogs/CPrintResolutionDlg.h"
#include "dialogs/TextAttributeDlg.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>

namespace ardane {

QString qtNameFilter(const FileFilterEntry& entry)
{
    const QString upper = entry.pattern.toUpper();
    const QString lower = entry.pattern.toLower();
    const QString patterns = upper == lower ? upper : upper + QLatin1Char(' ') + lower;
    return entry.description + QStringLiteral(" (") + patterns + QLatin1Char(')');
}

namespace {
QStringList nameFilters(const std::vector<FileFilterEntry>& entries)
{
    QStringList filters;
    for (const auto& e : entries)
        filters << qtNameFilter(e);
    return filters;
}

QMessageBox::Icon boxIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Stop: return QMessageBox::Critical;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}
} // namespace

void QtUiServices::message(const QString& text, MessageIcon icon)
{
    QMessageBox box(boxIcon(icon), QStringLiteral("Ardane"), text, QMessageBox::Ok, m_owner);
    box.exec();
}

SaveChangesAnswer QtUiServices::askSaveChanges(const QString& title)
{
    const auto answer = QMessageBox::question(m_owner, QStringLiteral("Ardane"),
                                              QStringLiteral("Save changes to %1?").arg(title),
                                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                              QMessageBox::Yes);
    if (answer == QMessageBox::Yes)
        return SaveChangesAnswer::Yes;
    if (answer == QMessageBox::No)
        return SaveChangesAnswer::No;
    return SaveChangesAnswer::Cancel;
}

std::optional<QString> QtUiServices::openFileName(const OpenFileRequest& request)
{
    QFileDialog dialog(m_owner, QStringLiteral("Open"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    const QStringList filters = nameFilters(request.filters);
    dialog.setNameFilters(filters);
    if (request.initialEntry >= 0 && request.initialEntry < filters.size())
        dialog.selectNameFilter(filters[request.initialEntry]);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.initialName.isEmpty())
        dialog.selectFile(request.initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<SaveFileChoice> QtUiServices::saveFileName(const SaveFileRequest& request)
{
    QFileDialog dialog(m_owner, QStringLiteral("Save As"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    const QStringList filters = nameFilters(request.filters);
    dialog.setNameFilters(filters);
    if (request.initialEntry >= 0 && request.initialEntry < filters.size())
        dialog.selectNameFilter(filters[request.initialEntry]);
    if (!request.initialPath.isEmpty()) {
        const QFileInfo info(request.initialPath);
        dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return SaveFileChoice{dialog.selectedFiles().constFirst(), int(filters.indexOf(dialog.selectedNameFilter()))};
}

std::optional<ColorRef> QtUiServices::chooseColor(ColorRef initial)
{
    const QColor chosen = QColorDialog::getColor(QColor::fromRgb(imaging::colorRefToRgb(initial)), m_owner);
    if (!chosen.isValid())
        return std::nullopt;
    return makeColorRef(chosen.red(), chosen.green(), chosen.blue());
}

std::optional<int> QtUiServices::chooseTextDepth(int initial)
{
    return CTextAttributeDlg::ask(initial, m_owner);
}

bool QtUiServices::printSetup(QPrinter& printer)
{
    QPrintDialog dialog(&printer, m_owner);
    dialog.setWindowTitle(QStringLiteral("Print Setup"));
    // Only the printer and its page are chosen here; what to print and how
    // many copies are asked when printing.
    dialog.setOptions(QAbstractPrintDialog::PrintShowPageSize);
    // The dialog confirms a choice, it does not print.
    if (auto* buttons = dialog.findChild<QDialogButtonBox*>())
        if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok))
            ok->setText(QStringLiteral("OK"));
    return dialog.exec() == QDialog::Accepted;
}

bool QtUiServices::editImageSize(ImageSizeValues& values)
{
    CImageSizeDlg dialog(values, m_owner);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    values = dialog.values();
    return true;
}

bool QtUiServices::editPrintResolution(PrintResolutionValues& values)
{
    CPrintResolutionDlg dialog(values, m_owner);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    values = dialog.values();
    return true;
}

bool QtUiServices::editImageOffset(ImageOffsetValues& values)
{
    CImageOffsetDlg dialog(values, m_owner);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    values = dialog.values();
    return true;
}

bool QtUiServices::runPrintDialog(QPrinter& printer)
{
    QPrintDialog dialog(&printer, m_owner);
    // One page, nothing to select: only the printer, its page and the copies.
    dialog.setOptions(QAbstractPrintDialog::PrintShowPageSize);
    return dialog.exec() == QDialog::Accepted;
}

void QtUiServices::showPrintPreview(QPrinter& printer, const PagePainter& paint)
{
    QPrintPreviewDialog dialog(&printer, m_owner);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&paint](QPrinter* page) { (void)paint(*page); });
    dialog.exec();
}

} // namespace ardane
