#include "app/ServerRegistration.h"

#include <QProcess>
#include <QStandardPaths>

namespace ardane {

namespace {
const QString kTool = QStringLiteral("regsvr32");
}

QString registrationCommandLine(const QString& executablePath)
{
    const qsizetype slash = std::max(executablePath.lastIndexOf(QLatin1Char('/')),
                                     executablePath.lastIndexOf(QLatin1Char('\\')));
    const QString dir = slash >= 0 ? executablePath.left(slash + 1) : QString();
    const QString control = dir + QStringLiteral("ImagingCtl.ocx");
    const QString quoted = control.contains(QLatin1Char(' ')) ? QLatin1Char('"') + control + QLatin1Char('"') : control;
    return kTool + QStringLiteral(" /s ") + quoted;
}

void startServerRegistration(const QString& executablePath)
{
    const QString tool = QStandardPaths::findExecutable(kTool);
    if (tool.isEmpty())
        return; // no such tool on this system: nothing to register with
    QStringList args = QProcess::splitCommand(registrationCommandLine(executablePath));
    args.removeFirst();
    QProcess::startDetached(tool, args);
}

} // namespace ardane
