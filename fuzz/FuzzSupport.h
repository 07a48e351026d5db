#pragma once
// Shared by the fuzz targets: process set-up (a Qt application object, a
// short leash on Ghostscript) and the checks every successful load must pass.
// A failed check prints what went wrong and aborts, which libFuzzer reports
// as a crash with the input that caused it.

#include "imaging/ImagingControl.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace ardane::fuzz {

using imaging::Bitmap;
using imaging::ImagingControl;

[[noreturn]] inline void fail(const char* what)
{
    std::fprintf(stderr, "ardane fuzz check failed: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

// Ghostscript renders our EPS files and is given two minutes by the codec; a
// PostScript loop would hold the fuzzer for that long per input. Every
// target therefore puts a `gs` of its own first on PATH (the codec finds
// Ghostscript through PATH): it runs the real one under `timeout` with a few
// seconds (ARDANE_FUZZ_GS_SECONDS, default 5) and a memory ceiling.
inline void leashGhostscript()
{
    static std::unique_ptr<QTemporaryDir> dir;
    if (dir)
        return;
    const QString gs = QStandardPaths::findExecutable(QStringLiteral("gs"));
    if (gs.isEmpty()) {
        std::fprintf(stderr, "ardane fuzz: Ghostscript (gs) not found; EPS inputs will not render\n");
        return;
    }
    const QByteArray seconds = qEnvironmentVariableIsSet("ARDANE_FUZZ_GS_SECONDS")
        ? qgetenv("ARDANE_FUZZ_GS_SECONDS") : QByteArray("5");
    dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/ardane-fuzz-gs-XXXXXX"));
    if (!dir->isValid())
        fail("cannot create the directory for the Ghostscript wrapper");
    QFile script(dir->filePath(QStringLiteral("gs")));
    const QByteArray text = "#!/bin/sh\nulimit -v 2097152\nexec timeout -s KILL " + seconds + " '" + gs.toUtf8()
        + "' \"$@\"\n";
    if (!script.open(QIODevice::WriteOnly) || script.write(text) != text.size())
        fail("cannot write the Ghostscript wrapper");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("PATH", dir->path().toUtf8() + ':' + qgetenv("PATH"));
}

inline void initialise()
{
    static int argc = 1;
    static char name[] = "ardane-fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    leashGhostscript();
}

// A small bitmap the control holds before each input, so that a failed load
// can be seen to have left it alone.
inline const Bitmap& sentinel()
{
    static const Bitmap bitmap = [] {
        Bitmap b = Bitmap::create(3, 2, 24);
        for (int y = 0; y < 2; ++y) {
            uchar* row = b.image().scanLine(y);
            for (int i = 0; i < 9; ++i)
                row[i] = uchar(17 * (y * 9 + i) + 5);
        }
        b.setResolution(123, 45);
        return b;
    }();
    return bitmap;
}

// The storage rules of Bitmap: the QImage format of the depth, a colour
// table of at most 2^bits entries and every index inside it.
inline void checkBitmap(const Bitmap& b)
{
    if (b.isNull())
        fail("a successful load left no image");
    const int bits = b.bitsPerPixel();
    if (!Bitmap::isValidDepth(bits))
        fail("loaded bitmap has an invalid depth");
    const QImage& img = b.image();
    if (img.format() != Bitmap::storageFormat(bits))
        fail("loaded bitmap is not in the storage format of its depth");
    if (!Bitmap::isValidSize(img.width(), img.height()))
        fail("loaded bitmap has a size outside the accepted range");
    if (!b.isIndexed())
        return;
    const int colours = img.colorCount();
    if (colours > (1 << bits))
        fail("colour table longer than the depth allows");
    for (int y = 0; y < img.height(); ++y) {
        const uchar* row = img.constScanLine(y);
        for (int x = 0; x < img.width(); ++x)
            if (row[x] >= colours)
                fail("pixel index outside the colour table");
    }
}

// Same pixels and colour table (resolution aside; pixels per metre round).
// `opaqueAlpha`: 32-bit pixels whose alpha is zero everywhere come back
// opaque from a DIB (writers leave that byte unused), so alpha is compared
// only when some pixel has it.
inline bool samePixels(const Bitmap& a, const Bitmap& b)
{
    if (a.bitsPerPixel() != b.bitsPerPixel() || a.width() != b.width() || a.height() != b.height())
        return false;
    if (a.isIndexed() && a.image().colorTable() != b.image().colorTable())
        return false;
    const int bytes = a.bitsPerPixel() <= 8 ? a.width() : a.width() * (a.bitsPerPixel() == 16 ? 2 : a.bitsPerPixel() / 8);
    bool anyAlpha = false;
    if (a.bitsPerPixel() == 32) {
        for (int y = 0; y < a.height() && !anyAlpha; ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(a.image().constScanLine(y));
            for (int x = 0; x < a.width(); ++x)
                if (qAlpha(row[x]) != 0) {
                    anyAlpha = true;
                    break;
                }
        }
    }
    for (int y = 0; y < a.height(); ++y) {
        const uchar* ra = a.image().constScanLine(y);
        const uchar* rb = b.image().constScanLine(y);
        if (a.bitsPerPixel() == 32 && !anyAlpha) {
            const auto* pa = reinterpret_cast<const QRgb*>(ra);
            const auto* pb = reinterpret_cast<const QRgb*>(rb);
            for (int x = 0; x < a.width(); ++x)
                if ((pa[x] | 0xFF000000u) != pb[x])
                    return false;
        } else if (std::memcmp(ra, rb, std::size_t(bytes)) != 0) {
            return false;
        }
    }
    return true;
}

// What the program does next with a loaded image: the clipboard hands it on
// as a packed DIB, which must read back as the same pixels.
inline void checkDibRoundTrip(const ImagingControl& control)
{
    const std::vector<std::uint8_t> dib = control.CopyToDib();
    if (dib.empty())
        fail("CopyToDib gave nothing for a loaded image");
    ImagingControl back;
    if (back.ReplaceFromDib(dib) != imaging::result::Ok)
        fail("our own packed DIB of a loaded image does not read back");
    if (!samePixels(control.ImageHandle(), back.ImageHandle()))
        fail("packed DIB round trip changed the pixels");
}

// After each call into the control: success leaves a valid image, failure
// leaves the image that was there.
inline void checkOutcome(const ImagingControl& control, imaging::Result r)
{
    if (r == imaging::result::Ok) {
        checkBitmap(control.ImageHandle());
        // Large images (a drawing may legitimately ask for tens of
        // megapixels) run the same round-trip code as small ones, only
        // slower than libFuzzer's per-input time limit allows.
        const Bitmap& b = control.ImageHandle();
        if (std::int64_t(b.width()) * b.height() <= 1 << 20)
            checkDibRoundTrip(control);
    } else if (!(control.ImageHandle() == sentinel())) {
        fail("a failed load changed the image");
    }
}

} // namespace ardane::fuzz
