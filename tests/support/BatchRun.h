#pragma once
// Runs the ardane-batch binary of the build (ARDANE_BATCH, set for every
// test) and keeps its exit status and both outputs.

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace ardane::test {

struct BatchRun {
    int status = -1; // -1: it crashed or did not finish
    QString out;
    QString err;
};

inline BatchRun runBatch(const QStringList& args, const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(ARDANE_BATCH), args);
    BatchRun r;
    if (!p.waitForFinished(120000))
        return r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace ardane::test
