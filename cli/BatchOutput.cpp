#include "BatchOutput.h"

#include "doc/LayeredFile.h"
#include "doc/SaveFormats.h"

#include <QFileInfo>

#include <array>
#include <utility>

namespace ardane::batch {

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
    for (const auto& entry : table)
        if (name.compare(QLatin1String(entry.first), Qt::CaseInsensitive) == 0)
            return entry.second;
    return std::nullopt;
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

} // namespace

QString message(Result code)
{
    const std::string_view text = imaging::resultMessage(code);
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

bool parseOutputOptions(const QStringList& args, const char* command, QStringList& positional,
                        OutputOptions& options, QTextStream& err)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!a.startsWith(QLatin1String("--"))) {
            positional << a;
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
            err << command << ": unknown option " << a << '\n';
            return false;
        }
    }
    return true;
}

std::optional<OutputTarget> outputTarget(const QString& path, const OutputOptions& options, const char* command,
                                         QTextStream& err)
{
    const QString name = options.formatText ? *options.formatText : QFileInfo(path).suffix();
    OutputTarget target;
    target.layered = isLayeredName(name);
    if (target.layered)
        return target;
    target.format = parseFormat(name);
    if (!target.format) {
        err << command << ": cannot tell the output format"
            << (options.formatText ? QStringLiteral(" '%1'").arg(name) : QStringLiteral(" from '%1'").arg(path))
            << '\n';
        return std::nullopt;
    }
    return target;
}

int writeOutput(imaging::ImagingControl& control, const QString& source, const QString& path,
                const OutputTarget& target, const OutputOptions& options, QTextStream& err)
{
    if (options.bits != 0) {
        if (const Result r = control.ConvertColorDepth(options.bits, options.palette, options.dither, 0);
            r != imaging::result::Ok) {
            err << source << ": " << message(r) << '\n';
            return 1;
        }
    }
    if (target.layered) {
        // The embedded bitmap holds every depth.
        doc::LayeredFile file;
        const int depth = options.bits != 0 ? options.bits : control.BitsPerPixel();
        if (const Result r = file.write(path, control, {}, doc::kBmpFormat, depth, -1); r != imaging::result::Ok) {
            err << path << ": " << message(r) << '\n';
            return 1;
        }
        return 0;
    }
    // Without --bits the nearest depth the format holds is chosen for us; a
    // depth asked for must be one the format holds.
    if (const Result r = control.SaveFile(path, int(target.format->format), options.bits, options.quality, false);
        r != imaging::result::Ok) {
        err << path << ": " << message(r) << '\n';
        return 1;
    }
    return 0;
}

} // namespace ardane::batch
