// The application's scanner command: Acquire From Scanner.

#include "app/CArdaneApp.h"
#include "app/DocumentManager.h"
#include "capture/CScannerCtrl.h"
#include "core/CommandIds.h"

namespace ardane {

void CArdaneApp::registerScannerCommands()
{
    m_commands.on(ID_ACQUIRE_SCANNER, [this] {
        // The control lives with the frame from its first use to the end of the run.
        capture::CScannerCtrl& scanner = capture::CScannerCtrl::of(*m_frame);
        if (scanner.SelectScanner(m_frame.get()) != capture::CScannerCtrl::kOk) {
            m_ui->showStringMessage(IDS_NO_SCANNER, MessageIcon::Information);
            return;
        }
        if (scanner.Acquire(m_frame.get()) != capture::CScannerCtrl::kOk) {
            m_ui->showStringMessage(IDS_SCAN_FAILED, MessageIcon::Information);
            return;
        }
        m_documents->newDocumentWithImage(scanner.control().ImageHandle());
    });
}

} // namespace ardane
