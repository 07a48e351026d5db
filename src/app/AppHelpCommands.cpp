// The application's help commands: About and Help Contents.

#include "app/AboutDialog.h"
#include "app/CArdaneApp.h"
#include "core/CommandIds.h"
#include "app/HelpWindow.h"

namespace ardane {

void CArdaneApp::registerHelpCommands()
{
    m_commands.on(ID_APP_ABOUT, [this] { showAbout(); });
    m_commands.on(ID_HELP_CONTENTS, [this] { showHelp(); });
}

void CArdaneApp::showAbout()
{
    AboutDialog about(m_frame.get());
    about.exec();
}

void CArdaneApp::showHelp()
{
    if (m_help.isNull())
        m_help = new HelpWindow(m_frame.get());
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

} // namespace ardane
