#include "BatchCommands.h"

#include "BatchApply.h"
#include "BatchOutput.h"
#include "BatchPlanes.h"
#include "BatchProfile.h"
#include "doc/LayeredFile.h"
#include "doc/SaveFormats.h"
#include "imaging/FileFormat.h"
#include "imaging/ImagingControl.h"
#include "imaging/codecs/Codec.h"
#include "imaging/ops/Depth.h"
#include "raster/Canvas.h"

#include <QFileInfo>

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

namespace ardane::batch {

using imaging::FileFormat;
using imaging::ImagingControl;
using imaging::Result;

namespace {

constexpr std::array<std::pair<const char*, int>, 5> kPaletteNames{{
    {"rgb", 0}, {"fixed", 1}, {"optimized", 2}, {"bgr", 4}, {"identity", 8},
}};
constexpr std::array<std::pair<const char*, int>, 8> kDitherNames{{
    {"none", 0}, {"floyd", 1}, {"stucki", 2}, {"burkes", 3},
    {"sierra", 4}, {"stevenson", 5}, {"jarvis", 6}, {"ordered", 7},
}};

template <std::size_t N>
std::optional<int> lookup(const std::array<std::pair<const char*, int>, N>& table, const QString& name)
{
    for (const auto& [key, value] : table)
        if (name.compare(QLatin1String(key), Qt::CaseInsensitive) == 0)
            return value;
    return std::nullopt;
}


QString formatName(int code)
{
    const imaging::FormatInfo* info = imaging::formatInfo(code);
    return info ? QString::fromLatin1(info->name.data(), qsizetype(info->name.size())) : QStringLiteral("unknown");
}

std::optional<int> parseInt(const QString& text, int min, int max)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < min || v > max)
        return std::nullopt;
    return v;
}

// A format given by short name, extension or numeric code.
const imaging::FormatInfo* parseFormat(const QString& text)
{
    bool numeric = false;
    const int code = text.toInt(&numeric);
    if (numeric)
        return imaging::formatInfo(code);
    const QByteArray latin = text.toLatin1();
    return imaging::formatByName(std::string_view(latin.constData(), std::size_t(latin.size())));
}

// The layered format is the document layer's, not the imaging control's:
// named by its code, its short name or its extension.
bool isLayeredName(const QString& text)
{
    return text == QLatin1String("255") || text.compare(QLatin1String("alf"), Qt::CaseInsensitive) == 0;
}

// A layered file read as the program opens it; false with nothing changed
// when the program would say "Error reading file".
bool readLayered(const QString& path, ImagingControl& control, objects::ObjectList& objects,
                 std::vector<std::uint8_t>& bytes)
{
    if (imaging::readWholeFile(path, bytes) != imaging::result::Ok)
        return false;
    doc::LayeredFile file;
    return file.readBytes(bytes, control, objects);
}

// Every object merged into the image in file order, as the view does at
// zoom 100, not scrolled: view coordinates less the margin are image pixels.
void mergeObjects(ImagingControl& control, objects::ObjectList& objects, const MergeSettings& settings)
{
    const objects::ImageMapping map{QPoint(settings.margin, settings.margin), 1, QPoint()};
    for (const objects::ObjectPtr& object : objects) {
        raster::Canvas canvas(control.bitmapForDrawing());
        object->MergeIntoImage(canvas, map, settings.drawMode);
    }
    objects.clear();
}

void printLayeredInfo(const QString& path, const ImagingControl& control, std::size_t objectCount,
                      const std::vector<std::uint8_t>& bytes, QTextStream& out)
{
    // Compression and memory size are those of the embedded bitmap.
    imaging::codecs::ProbeInfo info;
    const std::size_t size = std::size_t(bytes[4]) | (std::size_t(bytes[5]) << 8) | (std::size_t(bytes[6]) << 16)
                           | (std::size_t(bytes[7]) << 24);
    const std::span<const std::uint8_t> block(bytes.data() + 10, size);
    const imaging::codecs::Codec* codec = imaging::codecs::codecFor(imaging::codecs::detectFormat(block));
    if (!codec || codec->probe(block, 0, info) != imaging::result::Ok) {
        info.compression = "None";
        info.memorySize = control.ImageHandle().memorySize();
    }
    out << path << ": ALF (" << doc::kLayeredFormat << "), " << control.ImageHandle().width() << 'x'
        << control.ImageHandle().height() << ", " << control.BitsPerPixel() << " bits/pixel, compression "
        << QString::fromStdString(info.compression) << ", " << info.memorySize << " bytes, " << objectCount
        << " drawing objects\n";
}

} // namespace

QString message(Result code)
{
    const std::string_view text = imaging::resultMessage(code);
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

bool needsFonts(const QStringList& args)
{
    return std::any_of(args.begin(), args.end(), [](const QString& a) { return doc::isLayeredFile(a); });
}

QString usage()
{
    return QStringLiteral(
        "Usage:\n"
        "  ardane-batch info FILE...\n"
        "      One line per file: path, format name and code, width, height,\n"
        "      bits per pixel, compression and memory size in bytes; for a layered\n"
        "      file (ALF) the format is ALF (255), the rest describes the embedded\n"
        "      image, and \", N drawing objects\" follows. A file that cannot be\n"
        "      read prints its error and the run exits with status 1.\n"
        "\n"
        "  ardane-batch convert IN OUT [--format NAME|CODE] [--bits N]\n"
        "                       [--palette fixed|optimized|rgb|bgr|identity]\n"
        "                       [--dither none|floyd|stucki|burkes|sierra|stevenson|jarvis|ordered]\n"
        "                       [--quality Q]\n"
        "      Reads IN and writes OUT. The format comes from OUT's extension unless\n"
        "      --format names it (BMP 6, OS2 74, GIF 2, TIFF 17, JPEG 10, PCX 1,\n"
        "      PNG 75, TGA 4, EPS 16, WMF 15, ALF 255). --bits converts the colour depth\n"
        "      (1, 4, 8, 16, 24, 32) with the given palette (default fixed) and\n"
        "      dithering (default none) before writing; the format must hold that\n"
        "      depth. Without --bits the picture keeps its depth, or takes the\n"
        "      nearest one the format holds (16 bits become 24 for PNG, true colour\n"
        "      becomes 8 bits with a palette made for it for GIF). --quality is\n"
        "      the JPEG quality, 5 to 100 (1 to 4 select best, good, normal, small).\n"
        "      A layered IN (ALF) has its drawing objects merged into the image in\n"
        "      file order, as the program merges them at zoom 100: the profile's\n"
        "      margin (GENERAL VIEW_MARGIN, MARGIN_OFFSET; shown, 20 by default) is\n"
        "      taken off the object coordinates, and the profile's draw mode\n"
        "      (Preference Draw_ROP2_Mode, 13 by default) applies. A layered OUT\n"
        "      holds the image as a Windows bitmap and no drawing objects.\n"
        "      Exit status 0 on success; otherwise the error is printed on stderr\n"
        "      and nothing is written.\n"
        "\n"
        "%1"
        "  ardane-batch split IN MODEL PREFIX\n"
        "      Separates IN into the planes of a colour model and writes each as an\n"
        "      8-bit grey PNG, PREFIX0.png, PREFIX1.png, ... MODEL is rgb (planes\n"
        "      blue, green, red), cmyk (cyan, magenta, yellow, black), cmy (cyan,\n"
        "      magenta, yellow), hsv (hue, saturation, value) or hls (hue,\n"
        "      lightness, saturation), in any case. Hue runs 0 to 255 for 0 to 360\n"
        "      degrees.\n"
        "\n"
        "  ardane-batch merge MODEL OUT PLANE0 PLANE1 PLANE2 [PLANE3]\n"
        "                     [--format NAME|CODE] [--bits N] [--palette P] [--dither D]\n"
        "                     [--quality Q]\n"
        "      Puts the planes of MODEL (four for cmyk, three for the others, in\n"
        "      the order split writes them) together into a 24-bit picture and\n"
        "      writes OUT; the options are those of convert. Planes are read as\n"
        "      grey; planes of different sizes lie at the top-left, missing parts\n"
        "      reading 0. rgb, cmy and cmyk give a split picture back exactly, hsv\n"
        "      and hls within a few levels.\n"
        "      Exit status of split and merge: 0 on success, 2 for bad usage (an\n"
        "      unknown model, the wrong number of planes), 1 when a file cannot be\n"
        "      read or written; errors are printed on stderr.\n"
        "\n"
        "  ardane-batch --help\n"
        "      This text.\n")
        .arg(applyUsage());
}

int runInfo(const QStringList& files, QTextStream& out, QTextStream& err)
{
    if (files.isEmpty()) {
        err << "info: no file given\n" << usage();
        return 2;
    }
    int status = 0;
    ImagingControl control;
    for (const QString& path : files) {
        if (doc::isLayeredFile(path)) {
            ImagingControl layered;
            objects::ObjectList objects;
            std::vector<std::uint8_t> bytes;
            if (!readLayered(path, layered, objects, bytes)) {
                err << path << ": " << message(imaging::result::ReadError) << '\n';
                status = 1;
                continue;
            }
            printLayeredInfo(path, layered, objects.size(), bytes, out);
            continue;
        }
        if (const Result r = control.ProbeFile(path, 0); r != imaging::result::Ok) {
            err << path << ": " << message(r) << '\n';
            status = 1;
            continue;
        }
        out << path << ": " << formatName(control.ProbedFormat()) << " (" << control.ProbedFormat() << "), "
            << control.ProbedWidth() << 'x' << control.ProbedHeight() << ", " << control.ProbedBitsPerPixel()
            << " bits/pixel, compression " << QString::fromStdString(control.ProbedCompression()) << ", "
            << control.ProbedMemorySize() << " bytes\n";
    }
    return status;
}

bool parseCommandLine(const QString& command, const QStringList& args, OutputOptions& options, QStringList& words,
                      const ExtraOption& extra, QTextStream& err)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!a.startsWith(QLatin1String("--"))) {
            words << a;
            continue;
        }
        if (i + 1 >= args.size()) {
            err << command << ": " << a << " needs a value\n";
            return false;
        }
        const QString value = args[++i];
        if (a == QLatin1String("--format")) {
            options.formatText = value;
        } else if (a == QLatin1String("--bits")) {
            const auto v = parseInt(value, 1, 32);
            if (!v || !imaging::Bitmap::isValidDepth(*v)) {
                err << command << ": --bits must be 1, 4, 8, 16, 24 or 32\n";
                return false;
            }
            options.bits = *v;
        } else if (a == QLatin1String("--palette")) {
            const auto v = lookup(kPaletteNames, value);
            if (!v) {
                err << command << ": unknown palette '" << value << "'\n";
                return false;
            }
            options.palette = *v;
        } else if (a == QLatin1String("--dither")) {
            const auto v = lookup(kDitherNames, value);
            if (!v) {
                err << command << ": unknown dither '" << value << "'\n";
                return false;
            }
            options.dither = *v;
        } else if (a == QLatin1String("--quality")) {
            const auto v = parseInt(value, 1, 100);
            if (!v) {
                err << command << ": --quality must be 1 to 100\n";
                return false;
            }
            options.quality = *v;
        } else {
            const OptionStatus status = extra ? extra(a, value) : OptionStatus::Unknown;
            if (status == OptionStatus::Invalid)
                return false;
            if (status == OptionStatus::Unknown) {
                err << command << ": unknown option " << a << '\n';
                return false;
            }
        }
    }
    return true;
}

std::optional<OutputTarget> outputTarget(const QString& command, const QString& outPath, const OutputOptions& options,
                                         QTextStream& err)
{
    const std::optional<QString>& formatText = options.formatText;
    OutputTarget target;
    target.layered = formatText ? isLayeredName(*formatText) : isLayeredName(QFileInfo(outPath).suffix());
    target.format = target.layered ? nullptr
                  : formatText     ? parseFormat(*formatText)
                                   : parseFormat(QFileInfo(outPath).suffix());
    if (!target.format && !target.layered) {
        err << command << ": cannot tell the output format"
            << (formatText ? QStringLiteral(" '%1'").arg(*formatText) : QStringLiteral(" from '%1'").arg(outPath))
            << '\n';
        return std::nullopt;
    }
    return target;
}

bool readInput(const QString& in, ImagingControl& control, QTextStream& err)
{
    if (doc::isLayeredFile(in)) {
        objects::ObjectList objects;
        std::vector<std::uint8_t> bytes;
        if (!readLayered(in, control, objects, bytes)) {
            err << in << ": " << message(imaging::result::ReadError) << '\n';
            return false;
        }
        bytes = {};
        if (!objects.empty())
            mergeObjects(control, objects, readMergeSettings(profilePath()));
    } else if (const Result r = control.LoadFile(in, 0, 0); r != imaging::result::Ok) {
        err << in << ": " << message(r) << '\n';
        return false;
    }
    return true;
}

int writeOutput(const QString& in, const QString& outPath, const OutputTarget& target, const OutputOptions& options,
                ImagingControl& control, QTextStream& err)
{
    const int bits = options.bits;
    if (bits != 0) {
        if (const Result r = control.ConvertColorDepth(bits, options.palette, options.dither, 0); r != imaging::result::Ok) {
            err << in << ": " << message(r) << '\n';
            return 1;
        }
    }
    if (target.layered) {
        // The embedded bitmap holds every depth.
        doc::LayeredFile file;
        const int depth = bits != 0 ? bits : control.BitsPerPixel();
        if (const Result r = file.write(outPath, control, {}, doc::kBmpFormat, depth, -1); r != imaging::result::Ok) {
            err << outPath << ": " << message(r) << '\n';
            return 1;
        }
        return 0;
    }
    // Without --bits the nearest depth the format holds is chosen for us; a
    // depth asked for must be one the format holds.
    if (const Result r = control.SaveFile(outPath, int(target.format->format), bits, options.quality, false);
        r != imaging::result::Ok) {
        err << outPath << ": " << message(r) << '\n';
        return 1;
    }
    return 0;
}

int runConvert(const QStringList& args, QTextStream& /*out*/, QTextStream& err)
{
    const QString command = QStringLiteral("convert");
    OutputOptions options;
    QStringList positional;
    if (!parseCommandLine(command, args, options, positional, {}, err))
        return 2;
    if (positional.size() != 2) {
        err << "convert: needs IN and OUT\n" << usage();
        return 2;
    }
    const QString& in = positional[0];
    const QString& outPath = positional[1];
    const std::optional<OutputTarget> target = outputTarget(command, outPath, options, err);
    if (!target)
        return 2;
    ImagingControl control;
    if (!readInput(in, control, err))
        return 1;
    return writeOutput(in, outPath, *target, options, control, err);
}

int run(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (args.isEmpty()) {
        err << usage();
        return 2;
    }
    const QString& command = args.front();
    if (command == QLatin1String("--help") || command == QLatin1String("-h") || command == QLatin1String("help")) {
        out << usage();
        return 0;
    }
    const QStringList rest = args.mid(1);
    if (command == QLatin1String("info"))
        return runInfo(rest, out, err);
    if (command == QLatin1String("convert"))
        return runConvert(rest, out, err);
    if (command == QLatin1String("split"))
        return runSplit(rest, out, err);
    if (command == QLatin1String("merge"))
        return runMerge(rest, out, err);
    if (command == QLatin1String("apply"))
        return runApply(rest, out, err);
    err << "unknown command '" << command << "'\n" << usage();
    return 2;
}

} // namespace ardane::batch
