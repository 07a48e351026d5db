// ardane-batch: reads, describes and converts image files from the command
// line with the same imaging control the program uses.

#include "BatchCommands.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>
#include <limits>
#include <malloc.h>

int main(int argc, char* argv[])
{
    // A batch run decodes one large image and encodes it again. Keeping freed
    // blocks in the heap lets the encoder reuse the pages the decoder already
    // touched instead of mapping (and zeroing) fresh ones for every buffer.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int status = ardane::batch::run(app.arguments().mid(1), out, err);
    out.flush();
    err.flush();
    return status;
}
