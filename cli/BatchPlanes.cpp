#include "BatchPlanes.h"

#include "BatchCommands.h"
#include "BatchOutput.h"
#include "imaging/ImagingControl.h"
#include "imaging/ops/ColorPlanes.h"

#include <QImage>
#include <QImageWriter>
#include <QSaveFile>

#include <array>
#include <cmath>
#include <utility>

namespace ardane::batch {

using imaging::ImagingControl;
using imaging::Result;

namespace {

constexpr std::array<std::pair<const char*, imaging::ops::PlaneModel>, 5> kModelNames{{
    {"rgb", imaging::ops::PlaneModel::RGB},
    {"cmyk", imaging::ops::PlaneModel::CMYK},
    {"hsv", imaging::ops::PlaneModel::HSV},
    {"hls", imaging::ops::PlaneModel::HLS},
    {"cmy", imaging::ops::PlaneModel::CMY},
}};

// The model named by `name`, or nothing with the message on `err`.
std::optional<int> modelArgument(const QString& name, const char* command, QTextStream& err)
{
    const std::optional<int> model = planeModelByName(name);
    if (!model)
        err << command << ": unknown colour model '" << name << "' (rgb, cmyk, cmy, hsv or hls)\n";
    return model;
}

// A plane as a PNG of 8-bit grey samples (the imaging control writes an
// 8-bit picture with its palette), with the plane's resolution. Written
// beside the target and renamed over it, so a failure leaves no half file.
bool writeGreyPng(const imaging::Bitmap& plane, const QString& path)
{
    QImage grey = plane.image().convertToFormat(QImage::Format_Grayscale8);
    if (grey.isNull())
        return false;
    grey.setDotsPerMeterX(int(std::lround(plane.xResolution() / 0.0254)));
    grey.setDotsPerMeterY(int(std::lround(plane.yResolution() / 0.0254)));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QImageWriter writer(&file, "png");
    return writer.write(grey) && file.commit();
}

} // namespace

std::optional<int> planeModelByName(const QString& name)
{
    for (const auto& entry : kModelNames)
        if (name.compare(QLatin1String(entry.first), Qt::CaseInsensitive) == 0)
            return int(entry.second);
    return std::nullopt;
}

int runSplit(const QStringList& args, QTextStream& /*out*/, QTextStream& err)
{
    for (const QString& a : args)
        if (a.startsWith(QLatin1String("--"))) {
            err << "split: unknown option " << a << '\n';
            return 2;
        }
    if (args.size() != 3) {
        err << "split: needs IN, MODEL and PREFIX\n" << usage();
        return 2;
    }
    const QString& in = args[0];
    const QString& prefix = args[2];
    const std::optional<int> model = modelArgument(args[1], "split", err);
    if (!model)
        return 2;

    ImagingControl control;
    if (const Result r = control.LoadFile(in, 0, 0); r != imaging::result::Ok) {
        err << in << ": " << message(r) << '\n';
        return 1;
    }
    if (const Result r = control.SplitPlanes(*model); r != imaging::result::Ok) {
        err << in << ": " << message(r) << '\n';
        return 1;
    }
    for (int i = 0; i < control.PlaneCount(); ++i) {
        const QString path = prefix + QString::number(i) + QStringLiteral(".png");
        if (!writeGreyPng(control.PlaneImage(i), path)) {
            err << path << ": " << message(imaging::result::WriteError) << '\n';
            return 1;
        }
    }
    return 0;
}

int runMerge(const QStringList& args, QTextStream& /*out*/, QTextStream& err)
{
    QStringList positional;
    OutputOptions options;
    if (!parseCommandLine(QStringLiteral("merge"), args, options, positional, {}, err))
        return 2;
    if (positional.size() < 2) {
        err << "merge: needs MODEL, OUT and the planes\n" << usage();
        return 2;
    }
    const std::optional<int> model = modelArgument(positional[0], "merge", err);
    if (!model)
        return 2;
    const QString& outPath = positional[1];
    const QStringList planes = positional.mid(2);
    const int count = imaging::ops::planeCount(*model);
    if (planes.size() != count) {
        err << "merge: " << positional[0].toLower() << " needs " << count << " planes, " << planes.size()
            << " given\n";
        return 2;
    }
    const std::optional<OutputTarget> target = outputTarget(QStringLiteral("merge"), outPath, options, err);
    if (!target)
        return 2;

    ImagingControl control;
    for (int i = 0; i < count; ++i) {
        ImagingControl plane;
        if (const Result r = plane.LoadFile(planes[i], 0, 0); r != imaging::result::Ok) {
            err << planes[i] << ": " << message(r) << '\n';
            return 1;
        }
        control.SetPlaneImage(i, plane.ImageHandle());
    }
    // The merged picture takes the first plane's resolution.
    control.SetImageHandle(control.PlaneImage(0));
    if (const Result r = control.MergePlanes(*model); r != imaging::result::Ok) {
        err << "merge: " << message(r) << '\n';
        return 1;
    }
    return writeOutput(outPath, outPath, *target, options, control, err);
}

} // namespace ardane::batch
