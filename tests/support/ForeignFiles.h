#pragma once
// Helpers of the tests that compare our pixels with those other programs
// decode: finding Python with Pillow and ImageMagick, and our pixels as RGB bytes.

#include "imaging/Bitmap.h"

#include <QByteArray>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

#include <algorithm>
#include <cstdlib>

namespace ardane::test {

// A Python with Pillow, or empty.
inline QString pythonWithPillow()
{
    for (const QString& candidate : {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
        QProcess p;
        p.start(candidate, {QStringLiteral("-c"), QStringLiteral("import PIL.Image")});
        if (p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
            return candidate;
    }
    return {};
}

// ImageMagick's convert from Debian's package (not a wrapper earlier on PATH).
inline QString imageMagick()
{
    for (const char* name : {"convert-im6.q16", "convert"}) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name), {QStringLiteral("/usr/bin")});
        if (!found.isEmpty())
            return found;
    }
    return {};
}

// Our pixels as packed RGB bytes, row by row from the top.
inline QByteArray rgbBytes(const imaging::Bitmap& b)
{
    QByteArray out;
    out.reserve(qsizetype(b.width()) * b.height() * 3);
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) {
            const QRgb c = b.pixelRgb(x, y);
            out.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
        }
    return out;
}

// Largest difference between two RGB byte strings over their common length,
// at `bits` bits per channel (5-bit channels are widened differently by readers).
inline int maxDifference(const QByteArray& a, const QByteArray& b, int bits = 8)
{
    int worst = 0;
    for (qsizetype i = 0; i < std::min(a.size(), b.size()); ++i)
        worst = std::max(worst, std::abs((int(uchar(a[i])) >> (8 - bits)) - (int(uchar(b[i])) >> (8 - bits))));
    return worst;
}

} // namespace ardane::test
