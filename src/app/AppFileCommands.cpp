// The application's file commands: New, Open, Print Setup, the recent
// files, Exit.

#include "app/CArdaneApp.h"
#include "core/CommandIds.h"
#include "app/CommandRegistry.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QPrinter>
#include <QPrinterInfo>

namespace ardane {

void CArdaneApp::registerFileCommands()
{
    m_commands.on(ID_FILE_NEW, [this] { fileNew(); });
    m_commands.on(ID_FILE_OPEN, [this] { fileOpen(); });
    m_commands.on(ID_FILE_PRINT_SETUP, [this] { printSetup(); });
    m_commands.on(ID_APP_EXIT, [this] { m_frame->close(); });
    for (int i = 0; i < RecentFileList::kSize; ++i) {
        m_commands.on(ID_FILE_MRU_FILE1 + i, [this, i] {
            if (i >= m_recent.files().size())
                return;
            // An entry that no longer opens leaves the list (and the profile).
            const QString path = m_recent.files()[i];
            if (!OpenDocumentFile(path)) {
                m_recent.remove(path);
                updateRecentFileMenu();
            }
        }, [this, i](CommandState& s) { s.enabled = i < m_recent.files().size(); });
    }
    connect(m_frame->fileMenu(), &QMenu::aboutToShow, this, &CArdaneApp::updateRecentFileMenu);
    updateRecentFileMenu();
}

QPrinter& CArdaneApp::printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

void CArdaneApp::printSetup()
{
    const QStringList names = m_printerNames ? m_printerNames() : QPrinterInfo::availablePrinterNames();
    if (names.isEmpty()) {
        m_ui->message(QStringLiteral("No printers are installed."), MessageIcon::Information);
        return;
    }
    // The dialog edits a copy so that Cancel leaves the printer untouched.
    QPrinter& current = printer();
    QPrinter chosen(QPrinter::HighResolution);
    chosen.setPrinterName(current.printerName());
    chosen.setPageLayout(current.pageLayout());
    if (!m_ui->printSetup(chosen))
        return;
    current.setPrinterName(chosen.printerName());
    current.setPageLayout(chosen.pageLayout());
}

void CArdaneApp::updateRecentFileMenu()
{
    const QStringList& files = m_recent.files();
    for (int i = 0; i < RecentFileList::kSize; ++i) {
        QAction* a = m_registry->action(ID_FILE_MRU_FILE1 + i);
        if (i < files.size()) {
            a->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(files[i])));
            a->setVisible(true);
        } else {
            a->setVisible(false);
        }
    }
}

} // namespace ardane
