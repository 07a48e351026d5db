#include "BatchApply.h"

#include "BatchOutput.h"
#include "imaging/ImagingControl.h"

#include <QRegularExpression>

#include <array>
#include <cmath>
#include <optional>
#include <span>
#include <utility>
#include <vector>

// Every operation is one row of a table: its name, the values it takes (each
// with its kind and range) and what it does with the imaging control. The
// parser, the error messages and the help text all read the same rows.

namespace ardane::batch {

using ardane::ColorRef;
using imaging::ImagingControl;
using imaging::Result;

namespace {

constexpr std::array<const char*, 4> kChannels{"master", "red", "green", "blue"};
constexpr std::array<const char*, 8> kDirections{"north", "north-east", "east", "south-east",
                                                 "south", "south-west", "west", "north-west"};
constexpr std::array<const char*, 2> kShearDirections{"horizontal", "vertical"};
constexpr std::array<const char*, 2> kResizeModes{"nearest", "resample"};

constexpr ColorRef kWhite = 0x00FFFFFF;

enum class Kind {
    Integer, // min..max
    Name,    // one of `names`, its index the value
    Degrees, // any number, kept to hundredths
    Size,    // WIDTHxHEIGHT, two values
    Colour,  // #RRGGBB
    Map,     // CHANNEL:SRC-DST[:SRC-DST...]
};

struct Arg {
    const char* label;    // in the help's syntax line
    const char* what;     // in messages after the operation's name; "" for the only value
    Kind kind;
    int min = 0;
    int max = 0;
    std::span<const char* const> names = {};
    int fallback = -1;    // the value when left out; -1: required
};

// The values of one operation as given: numbers in the order of its
// arguments (a size takes two), and the level pairs of a map.
struct Values {
    std::array<int, 4> n{};
    std::vector<std::pair<int, int>> points;
};

struct Settings {
    ColorRef fill = kWhite;
};

using Action = Result (*)(ImagingControl&, const Values&, const Settings&);

struct Operation {
    const char* name;
    const char* description;
    std::vector<Arg> args;
    Action run;
};

// The intensity table of a map: straight lines between the given level
// pairs, the end values held beyond the first and the last.
Result applyMap(ImagingControl& c, const Values& v, const Settings&)
{
    const auto& p = v.points;
    for (int i = 0; i < 256; ++i) {
        int out = 0;
        if (i <= p.front().first) {
            out = p.front().second;
        } else if (i >= p.back().first) {
            out = p.back().second;
        } else {
            std::size_t k = 0;
            while (p[k + 1].first < i)
                ++k;
            const int s0 = p[k].first, d0 = p[k].second, s1 = p[k + 1].first, d1 = p[k + 1].second;
            const int num = (d1 - d0) * (i - s0);
            const int den = s1 - s0;
            out = d0 + (num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den));
        }
        c.SetIntensityMapEntry(i, out);
    }
    return c.ApplyIntensityMap(v.n[0]);
}

constexpr int kMaxMedian = 100;
constexpr int kMaxBox = 1000;

const std::vector<Operation>& operations()
{
    static const std::vector<Operation> table = {
        {"add-noise", "adds even noise from a fixed seed to the channel",
         {{"AMOUNT", "amount", Kind::Integer, 0, 1000},
          {"CHANNEL", "channel", Kind::Name, 0, 0, kChannels, 0}},
         [](ImagingControl& c, const Values& v, const Settings&) { return c.AddNoise(v.n[0], v.n[1]); }},
        {"average", "box blur over a SIZE x SIZE window",
         {{"SIZE", "", Kind::Integer, 1, kMaxBox}},
         [](ImagingControl& c, const Values& v, const Settings&) { return c.Average(v.n[0]); }},
        {"contrast", "steeper (positive) or flatter (negative) tones about mid grey",
         {{"V", "", Kind::Integer, -1000, 1000}},
         [](ImagingControl& c, const Values& v, const Settings&) { return c.Contrast(v.n[0]); }},
        {"emboss", "grey relief lit from DIRECTION, DEPTH its strength",
         {{"DIRECTION", "direction", Kind::Name, 0, 0, kDirections},
          {"DEPTH", "depth", Kind::Integer, 0, 1000}},
         [](ImagingControl& c, const Values& v, const Settings&) { return c.Emboss(v.n[0], v.n[1]); }},
        {"gamma", "gamma correction with gamma V / 100",
         {{"V", "", Kind::Integer, 220, 250}},
         [](ImagingControl& c, const Values& v, const Settings&) { return c.GammaCorrect(v.n[0]); }},
        {"grayscale", "each colour becomes its luminance", {},
         [](ImagingControl& c, const Values&, const Settings&) { return c.Grayscale(); }},
        {"histogram-contrast", "towards the equalised histogram (positive) or mid grey (negative)",
         {{"V", "", Kind::Integer, -1000, 1000}},
         [](ImagingControl& c, const Values& v, const Settings&) { return c.HistogramContrast(v.n[0]); }},
        {"hue", "turns the hue by V degrees",
         {{"V", "", Kind::Integer, 0, 360}},
         [](ImagingControl& c, const Values& v, const Settings&) { return c.Hue(v.n[0]); }},
        {"intensity", "darker (negative) or lighter (positive)",
         {{"V", "", Kind::Integer, -1000, 1000}},
         [](ImagingControl& c, const Values& v, const Settings&) { return c.Intensity(v.n[0]); }},
        {"invert", "film negative", {},
         [](ImagingControl& c, const Values&, const Settings&) { return c.Invert(); }},
        {"median", "median of a SIZE x SIZE window (the time grows with SIZE)",
         {{"SIZE", "", Kind::Integer, 1, kMaxMedian}},
         [](ImagingControl& c, const Values& v, const Settings&) { return c.Median(v.n[0]); }},
        {"mosaic", "SIZE x SIZE blocks of their mean colour",
         {{"SIZE", "", Kind::Integer, 1, kMaxBox}},
         [](ImagingControl& c, const Values& v, const Settings&) { return c.Mosaic(v.n[0]); }},
        {"posterize", "LEVELS evenly spaced levels per channel",
         {{"LEVELS", "", Kind::Integer, 2, 64}},
         [](ImagingControl& c, const Values& v, const Settings&) { return c.Posterize(v.n[0]); }},
        {"saturation", "greyer (negative) or more colourful (positive)",
         {{"V", "", Kind::Integer, -1000, 1000}},
         [](ImagingControl& c, const Values& v, const Settings&) { return c.Saturation(v.n[0]); }},
        {"sharpen", "sharper (positive) or softer (negative)",
         {{"V", "", Kind::Integer, -1000, 1000}},
         [](ImagingControl& c, const Values& v, const Settings&) { return c.Sharpen(v.n[0]); }},
        {"shear", "slants by ANGLE degrees; the canvas grows, the corners take --fill",
         {{"ANGLE", "angle", Kind::Integer, 0, 45},
          {"DIRECTION", "direction", Kind::Name, 0, 0, kShearDirections, 0}},
         [](ImagingControl& c, const Values& v, const Settings& s) { return c.Shear(v.n[0], v.n[1] == 0, s.fill); }},
        {"rotate", "turns clockwise (negative: counter-clockwise); the canvas grows, the corners take --fill",
         {{"DEGREES", "", Kind::Degrees}},
         [](ImagingControl& c, const Values& v, const Settings& s) { return c.RotateImage(-v.n[0], true, s.fill); }},
        {"flip", "top to bottom", {},
         [](ImagingControl& c, const Values&, const Settings&) { return c.FlipVertical(); }},
        {"mirror", "left to right", {},
         [](ImagingControl& c, const Values&, const Settings&) { return c.FlipHorizontal(); }},
        {"resize", "scales to WIDTH x HEIGHT, by nearest pixels or resampling",
         {{"WIDTHxHEIGHT", "", Kind::Size},
          {"MODE", "mode", Kind::Name, 0, 0, kResizeModes, 1}},
         [](ImagingControl& c, const Values& v, const Settings&) { return c.ResizeImage(v.n[0], v.n[1], v.n[2]); }},
        {"fill", "the whole image in one colour",
         {{"#RRGGBB", "", Kind::Colour}},
         [](ImagingControl& c, const Values& v, const Settings&) { return c.FillImage(ColorRef(v.n[0])); }},
        {"map", "maps the channel's levels through straight lines between the SRC-DST pairs",
         {{"CHANNEL:SRC-DST[:SRC-DST...]", "", Kind::Map}},
         applyMap},
    };
    return table;
}

QString namesText(std::span<const char* const> names)
{
    QString text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            text += i + 1 == names.size() ? QStringLiteral(" or ") : QStringLiteral(", ");
        text += QLatin1String(names[i]);
    }
    return text;
}

// What a value must be, as the help and the error messages say it.
QString rangeText(const Arg& a)
{
    switch (a.kind) {
    case Kind::Integer: return QStringLiteral("%1 to %2").arg(a.min).arg(a.max);
    case Kind::Name: return namesText(a.names);
    case Kind::Degrees: return QStringLiteral("a number of degrees (to a hundredth, any size)");
    case Kind::Size:
        return QStringLiteral("WIDTHxHEIGHT, each 1 to %1, at most %2 pixels").arg(imaging::kMaxSide).arg(imaging::kMaxPixels);
    case Kind::Colour: return QStringLiteral("#RRGGBB");
    case Kind::Map:
        return QStringLiteral("CHANNEL:SRC-DST[:SRC-DST...] with CHANNEL %1 and levels 0 to 255, SRC rising")
            .arg(namesText(kChannels));
    }
    return {};
}

QString syntaxOf(const Operation& op)
{
    QString text = QLatin1String(op.name);
    for (std::size_t i = 0; i < op.args.size(); ++i) {
        const Arg& a = op.args[i];
        const QString sep = i == 0 ? QStringLiteral("=") : QStringLiteral(",");
        text += a.fallback >= 0 ? QStringLiteral("[%1%2]").arg(sep, QLatin1String(a.label))
                                : sep + QLatin1String(a.label);
    }
    return text;
}

std::optional<std::pair<int, int>> parsePair(const QString& text, QChar separator)
{
    const qsizetype at = text.indexOf(separator);
    if (at <= 0)
        return std::nullopt;
    bool ok1 = false, ok2 = false;
    const int a = text.left(at).toInt(&ok1);
    const int b = text.mid(at + 1).toInt(&ok2);
    if (!ok1 || !ok2)
        return std::nullopt;
    return std::make_pair(a, b);
}

// One value of an operation into `values` from slot `slot`; false when it is
// not one the argument takes.
bool parseArg(const Arg& a, const QString& text, Values& values, std::size_t& slot)
{
    switch (a.kind) {
    case Kind::Integer: {
        bool ok = false;
        const int v = text.toInt(&ok);
        if (!ok || v < a.min || v > a.max)
            return false;
        values.n[slot++] = v;
        return true;
    }
    case Kind::Name:
        for (std::size_t i = 0; i < a.names.size(); ++i)
            if (text.compare(QLatin1String(a.names[i]), Qt::CaseInsensitive) == 0) {
                values.n[slot++] = int(i);
                return true;
            }
        return false;
    case Kind::Degrees: {
        bool ok = false;
        const double v = text.toDouble(&ok);
        if (!ok || !std::isfinite(v))
            return false;
        // A whole turn more or less is the same picture.
        values.n[slot++] = int(std::llround(std::fmod(v, 360.0) * 100.0));
        return true;
    }
    case Kind::Size: {
        const auto wh = parsePair(text, QLatin1Char('x'));
        if (!wh || !imaging::Bitmap::isValidSize(wh->first, wh->second))
            return false;
        values.n[slot++] = wh->first;
        values.n[slot++] = wh->second;
        return true;
    }
    case Kind::Colour: {
        static const QRegularExpression hex(QStringLiteral("^#[0-9A-Fa-f]{6}$"));
        if (!hex.match(text).hasMatch())
            return false;
        const unsigned rgb = text.mid(1).toUInt(nullptr, 16);
        values.n[slot++] = int(makeColorRef(int(rgb >> 16) & 255, int(rgb >> 8) & 255, int(rgb) & 255));
        return true;
    }
    case Kind::Map: {
        const QStringList parts = text.split(QLatin1Char(':'));
        if (parts.size() < 2)
            return false;
        Values map;
        std::size_t channelSlot = 0;
        if (!parseArg({"CHANNEL", "", Kind::Name, 0, 0, kChannels}, parts.front(), map, channelSlot))
            return false;
        for (qsizetype i = 1; i < parts.size(); ++i) {
            const auto p = parsePair(parts[i], QLatin1Char('-'));
            if (!p || p->first < 0 || p->first > 255 || p->second < 0 || p->second > 255)
                return false;
            if (!map.points.empty() && p->first <= map.points.back().first)
                return false;
            map.points.push_back(*p);
        }
        values.n[slot++] = map.n[0];
        values.points = std::move(map.points);
        return true;
    }
    }
    return false;
}

struct Step {
    const Operation* op = nullptr;
    QString text;
    Values values;
};

// One OPERATION word; std::nullopt after printing what is wrong with it.
std::optional<Step> parseStep(const QString& word, QTextStream& err)
{
    const qsizetype eq = word.indexOf(QLatin1Char('='));
    const QString name = eq < 0 ? word : word.left(eq);
    const Operation* op = nullptr;
    for (const Operation& candidate : operations())
        if (name == QLatin1String(candidate.name))
            op = &candidate;
    if (!op) {
        err << "apply: unknown operation '" << name << "'\n";
        return std::nullopt;
    }
    const auto malformed = [&] {
        err << "apply: " << op->name << " must be given as " << syntaxOf(*op) << '\n';
        return std::nullopt;
    };
    Step step{op, word, {}};
    if (eq < 0) {
        if (!op->args.empty() && op->args.front().fallback < 0)
            return malformed();
        for (std::size_t i = 0, slot = 0; i < op->args.size(); ++i)
            step.values.n[slot++] = op->args[i].fallback;
        return step;
    }
    if (op->args.empty()) {
        err << "apply: " << op->name << " takes no value\n";
        return std::nullopt;
    }
    const QString rest = word.mid(eq + 1);
    // A colour or a map is one value, whatever it holds.
    const bool whole = op->args.size() == 1;
    const QStringList texts = whole ? QStringList{rest} : rest.split(QLatin1Char(','));
    if (texts.size() > qsizetype(op->args.size()))
        return malformed();
    std::size_t slot = 0;
    for (std::size_t i = 0; i < op->args.size(); ++i) {
        const Arg& a = op->args[i];
        if (qsizetype(i) >= texts.size()) {
            if (a.fallback < 0)
                return malformed();
            step.values.n[slot++] = a.fallback;
            continue;
        }
        if (!parseArg(a, texts[qsizetype(i)], step.values, slot)) {
            err << "apply: " << op->name << (*a.what ? " " : "") << a.what << " must be " << rangeText(a) << '\n';
            return std::nullopt;
        }
    }
    return step;
}

// Words laid out in lines of at most `width` characters after `indent` spaces.
QString wrapped(const QString& text, int indent, int width)
{
    QString out;
    QString line;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && indent + line.size() + 1 + word.size() > width) {
            out += QString(indent, QLatin1Char(' ')) + line + QLatin1Char('\n');
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    if (!line.isEmpty())
        out += QString(indent, QLatin1Char(' ')) + line + QLatin1Char('\n');
    return out;
}

} // namespace

QString applyUsage()
{
    QString text = QStringLiteral(
        "  ardane-batch apply IN OUT OPERATION... [--format NAME|CODE] [--bits N]\n"
        "                     [--palette ...] [--dither ...] [--quality Q] [--fill #RRGGBB]\n"
        "      Reads IN as convert does, applies the operations in the order given\n"
        "      and writes OUT with convert's options (--bits converts after the last\n"
        "      operation). --fill is the colour rotate and shear leave in the\n"
        "      uncovered corners, white by default. With no operation the picture is\n"
        "      converted unchanged. A value out of range or malformed is an error\n"
        "      (exit status 2) and nothing is read or written. Operations:\n");
    for (const Operation& op : operations()) {
        QString line = QLatin1String(op.description);
        for (const Arg& a : op.args) {
            const QString label = QLatin1String(a.label);
            const QString range = rangeText(a);
            if (range == label)
                continue;
            line += QStringLiteral("; ") + (range.startsWith(label) ? range : label + QLatin1Char(' ') + range);
            if (a.fallback >= 0)
                line += QStringLiteral(" (default %1)").arg(QLatin1String(a.names[std::size_t(a.fallback)]));
        }
        text += QStringLiteral("        ") + syntaxOf(op) + QLatin1Char('\n') + wrapped(line + QLatin1Char('.'), 12, 79);
    }
    text += QStringLiteral(
        "      A map's levels between two pairs lie on the straight line between\n"
        "      them, rounded to the nearest level; below the first SRC every level\n"
        "      takes the first DST, above the last SRC the last DST (so one pair\n"
        "      maps every level to its DST). map=master:0-255:255-0 inverts.\n"
        "\n");
    return text;
}

int runApply(const QStringList& args, QTextStream& /*out*/, QTextStream& err)
{
    const QString command = QStringLiteral("apply");
    OutputOptions options;
    Settings settings;
    QStringList words;
    const auto extra = [&](const QString& option, const QString& value) {
        if (option != QLatin1String("--fill"))
            return OptionStatus::Unknown;
        Values v;
        std::size_t slot = 0;
        if (!parseArg({"#RRGGBB", "", Kind::Colour}, value, v, slot)) {
            err << "apply: --fill must be #RRGGBB\n";
            return OptionStatus::Invalid;
        }
        settings.fill = ColorRef(v.n[0]);
        return OptionStatus::Taken;
    };
    if (!parseCommandLine(command, args, options, words, extra, err))
        return 2;
    if (words.size() < 2) {
        err << "apply: needs IN and OUT\n";
        return 2;
    }
    std::vector<Step> steps;
    for (qsizetype i = 2; i < words.size(); ++i) {
        std::optional<Step> step = parseStep(words[i], err);
        if (!step)
            return 2;
        steps.push_back(std::move(*step));
    }
    const QString& in = words[0];
    const QString& outPath = words[1];
    const std::optional<OutputTarget> target = outputTarget(command, outPath, options, err);
    if (!target)
        return 2;
    ImagingControl control;
    if (!readInput(in, control, err))
        return 1;
    for (const Step& step : steps) {
        if (const Result r = step.op->run(control, step.values, settings); r != imaging::result::Ok) {
            const std::string_view text = imaging::resultMessage(r);
            err << in << ": " << step.text << ": " << QString::fromUtf8(text.data(), qsizetype(text.size())) << '\n';
            return 1;
        }
    }
    return writeOutput(in, outPath, *target, options, control, err);
}

} // namespace ardane::batch
