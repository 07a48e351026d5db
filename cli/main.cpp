// ardane-batch: reads, describes and converts image files from the command
// line with the same imaging control the program uses.

#include "BatchCommands.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>
#include <limits>
#include <malloc.h>
#include <memory>

namespace {

QtMessageHandler g_previousHandler = nullptr;

// The GUI object complains on stderr when the session has no runtime
// folder, which a batch run does not use; its other messages pass on.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR")))
        return;
    if (g_previousHandler)
        g_previousHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

int main(int argc, char* argv[])
{
    // A batch run decodes one large image and encodes it again. Keeping freed
    // blocks in the heap lets the encoder reuse the pages the decoder already
    // touched instead of mapping (and zeroing) fresh ones for every buffer.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    // Text objects in layered files need fonts, which come with a GUI
    // application object; a batch run shows no window, so it takes the
    // offscreen platform whatever the session has. Everything else runs on
    // the plain core object, which starts faster.
    std::unique_ptr<QCoreApplication> app;
    if (ardane::batch::needsFonts(args)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        g_previousHandler = qInstallMessageHandler(quietHandler);
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int status = ardane::batch::run(app->arguments().mid(1), out, err);
    out.flush();
    err.flush();
    return status;
}
