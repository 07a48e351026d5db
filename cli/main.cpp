// ardane-batch: reads, describes and converts image files from the command
// line with the same imaging control the program uses.

#include "BatchCommands.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int status = ardane::batch::run(app.arguments().mid(1), out, err);
    out.flush();
    err.flush();
    return status;
}
