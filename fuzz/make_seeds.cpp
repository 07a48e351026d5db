// Writes the seed corpora: small files of every format and depth our own
// writers produce, packed DIBs of every depth, a multi-page TIFF and GIF,
// and a few hand-made files our writers never make (a metafile that draws
// instead of carrying a bitmap, EPS with a DOS binary header).
//
// Usage: fuzz_make_seeds OUTDIR   (creates OUTDIR/<target>/ for each target)

#include "imaging/ImagingControl.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <string>

using namespace ardane;
using namespace ardane::imaging;

namespace {

QString g_out;

void put(const QString& target, const QString& name, const std::vector<std::uint8_t>& bytes)
{
    QDir().mkpath(g_out + '/' + target);
    QFile file(g_out + '/' + target + '/' + name);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) != qint64(bytes.size())) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        std::exit(1);
    }
}

void put(const QString& target, const QString& name, const QByteArray& bytes)
{
    put(target, name, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

// A picture with gradients and a few flat colours, so that palettes have
// several entries and run-length coders have runs.
ImagingControl picture(int w, int h)
{
    ImagingControl c;
    if (c.CreateImage(w, h, 24) != result::Ok)
        std::exit(1);
    Bitmap b = c.ImageHandle();
    for (int y = 0; y < h; ++y) {
        uchar* row = b.image().scanLine(y);
        for (int x = 0; x < w; ++x) {
            const bool flat = x < w / 3;
            row[3 * x] = uchar(flat ? 200 : x * 255 / std::max(1, w - 1));
            row[3 * x + 1] = uchar(flat ? 30 : y * 255 / std::max(1, h - 1));
            row[3 * x + 2] = uchar(flat ? 90 : (x + y) * 7);
        }
    }
    b.setResolution(150, 75);
    c.SetImageHandle(b);
    return c;
}

const char* targetOf(FileFormat f)
{
    switch (f) {
    case FileFormat::Bmp:
    case FileFormat::Os2Bmp: return "bmp";
    case FileFormat::Wmf: return "wmf";
    case FileFormat::Gif: return "gif";
    case FileFormat::Tiff: return "tiff";
    case FileFormat::Jpeg: return "jpeg";
    case FileFormat::Pcx: return "pcx";
    case FileFormat::Png: return "png";
    case FileFormat::Tga: return "tga";
    case FileFormat::Eps: return "eps";
    default: return nullptr;
    }
}

void le16(QByteArray& a, int v)
{
    a.append(char(v & 0xFF));
    a.append(char((v >> 8) & 0xFF));
}
void le32(QByteArray& a, std::uint32_t v)
{
    le16(a, int(v & 0xFFFF));
    le16(a, int(v >> 16));
}

// A placeable metafile that draws a filled rectangle and an ellipse.
QByteArray drawingMetafile()
{
    QByteArray records;
    auto record = [&](int function, std::initializer_list<int> params) {
        le32(records, std::uint32_t(3 + params.size()));
        le16(records, function);
        for (int p : params)
            le16(records, p);
    };
    record(0x020B, {0, 0});          // SetWindowOrg
    record(0x020C, {40, 60});        // SetWindowExt (y, x)
    record(0x02FC, {0, 0x00FF, 0x0000, 0}); // CreateBrushIndirect: solid, red
    record(0x012D, {0});             // SelectObject
    record(0x041B, {30, 50, 5, 5});  // Rectangle (bottom, right, top, left)
    record(0x0418, {38, 58, 20, 20}); // Ellipse
    record(0x0000, {});              // EOF

    QByteArray file;
    le32(file, 0x9AC6CDD7);
    le16(file, 0);
    le16(file, 0);
    le16(file, 0);
    le16(file, 60);
    le16(file, 40);
    le16(file, 96);
    le32(file, 0);
    std::uint16_t sum = 0;
    for (int i = 0; i < 20; i += 2)
        sum ^= std::uint16_t(uchar(file[i]) | uchar(file[i + 1]) << 8);
    le16(file, sum);
    const int words = (18 + records.size()) / 2;
    le16(file, 1);  // memory metafile
    le16(file, 9);  // header words
    le16(file, 0x0300);
    le32(file, std::uint32_t(words));
    le16(file, 1);  // objects
    le32(file, 7);  // largest record
    le16(file, 0);
    return file + records;
}

QByteArray simpleEps()
{
    return QByteArrayLiteral("%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 12 8\n%%EndComments\n"
                             "0.2 0.6 0.9 setrgbcolor 0 0 12 8 rectfill\n1 0 0 setrgbcolor 2 2 4 4 rectfill\nshowpage\n%%EOF\n");
}

// The same PostScript behind a DOS binary EPS header (no preview sections).
QByteArray binaryEps()
{
    const QByteArray ps = simpleEps();
    QByteArray file;
    le32(file, 0xC6D3D0C5);
    le32(file, 30);
    le32(file, std::uint32_t(ps.size()));
    for (int i = 0; i < 4; ++i)
        le32(file, 0);
    le16(file, 0xFFFF);
    return file + ps;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    g_out = QString::fromLocal8Bit(argv[1]);
    int written = 0;
    for (const auto& [w, h] : {std::pair{1, 1}, std::pair{7, 5}, std::pair{19, 11}}) {
        const ImagingControl base = picture(w, h);
        for (const int bits : {1, 4, 8, 16, 24, 32}) {
            ImagingControl c = base;
            if (bits != 24 && c.ConvertColorDepth(bits, 0, 0, 0) != result::Ok)
                return 1;
            const QString stem = QStringLiteral("%1x%2-%3bit").arg(w).arg(h).arg(bits);
            put(QStringLiteral("dib"), stem + QStringLiteral(".dib"), c.CopyToDib());
            ++written;
            for (const FormatInfo& info : allFormats()) {
                const char* target = targetOf(info.format);
                if (!target || !canWriteDepth(info, bits))
                    continue;
                std::vector<std::uint8_t> bytes;
                if (c.SaveToBlock(bytes, int(info.format), bits, 75) != result::Ok) {
                    std::fprintf(stderr, "cannot write %s at %d bits\n", info.name.data(), bits);
                    return 1;
                }
                put(QString::fromLatin1(target), stem + '.' + QString::fromLatin1(info.extension).toLower(), bytes);
                ++written;
            }
        }
    }
    // Two-page TIFF and GIF files.
    QTemporaryDir tmp;
    for (const auto& [format, name] : {std::pair{FileFormat::Tiff, "tiff"}, std::pair{FileFormat::Gif, "gif"}}) {
        const QString path = tmp.filePath(QStringLiteral("pages"));
        QFile::remove(path);
        ImagingControl a = picture(7, 5), b = picture(5, 9);
        if (a.ConvertColorDepth(8, 0, 0, 0) != result::Ok || b.ConvertColorDepth(4, 0, 0, 0) != result::Ok
            || a.SaveFile(path, int(format), 8, 0, false) != result::Ok || b.SaveFile(path, int(format), 4, 0, true) != result::Ok) {
            std::fprintf(stderr, "cannot write a two-page %s\n", name);
            return 1;
        }
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return 1;
        put(QString::fromLatin1(name), QStringLiteral("two-pages.") + name, file.readAll());
        ++written;
    }
    put(QStringLiteral("wmf"), QStringLiteral("drawing.wmf"), drawingMetafile());
    put(QStringLiteral("eps"), QStringLiteral("plain.eps"), simpleEps());
    put(QStringLiteral("eps"), QStringLiteral("dos-binary.eps"), binaryEps());
    written += 3;
    std::printf("%d seed files written to %s\n", written, argv[1]);
    return 0;
}
