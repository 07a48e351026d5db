#pragma once
// The sixteen enhancement operations, one record each: the text of the
// Enhance Image dialog's list, the slider's range and starting position,
// which of the dialog's inputs the operation takes, and the imaging control
// operation it runs. The dialog and the view both read this table, so the
// list and the operations cannot drift apart.

#include "imaging/ImagingControl.h"

#include <array>
#include <cstdlib>
#include <optional>
#include <string_view>

namespace ardane {

enum class EnhanceOp {
    AddNoise = 0,
    Average,
    Contrast,
    Emboss,
    GammaCorrect,
    Grayscale,
    HistogramContrast,
    Hue,
    Intensity,
    Invert,
    Median,
    Mosaic,
    Posterize,
    Saturation,
    Sharpen,
    Shear,
};

// The dialog's inputs an operation uses.
enum EnhanceInput : unsigned {
    kUsesNothing = 0,
    kUsesValue = 1,      // the slider
    kUsesSize = 2,       // the Size box
    kUsesChannel = 4,    // the Channel list
    kUsesDirection = 8,  // the Direction list
    kUsesHorizontal = 16 // the Horizontal check box
};

// The inputs' values as the operation receives them.
struct EnhanceArgs {
    int value = 0;        // the slider
    int size = 0;         // the Size box
    int channel = 0;      // 0 master, 1 red, 2 green, 3 blue
    int direction = 0;    // compass code clockwise from north (0 north .. 7 north-west)
    bool horizontal = false;
    ColorRef fill = 0xFFFFFF; // what the shear uncovers
};

using EnhanceFunction = imaging::Result (*)(imaging::ImagingControl&, const EnhanceArgs&);

struct EnhanceRecord {
    EnhanceOp op;
    std::string_view text;
    int minimum;
    int maximum;
    unsigned inputs;
    EnhanceFunction apply;

    // The slider's starting position: min + (max - |min|) / 2, the division
    // truncating toward zero (so the five -1000..1000 ranges start at -1000).
    [[nodiscard]] constexpr int start() const { return minimum + (maximum - (minimum < 0 ? -minimum : minimum)) / 2; }
    // A range of 0..0 leaves the slider disabled.
    [[nodiscard]] constexpr bool hasSlider() const { return minimum != 0 || maximum != 0; }
    [[nodiscard]] constexpr bool accepts(int value) const { return value >= minimum && value <= maximum; }
};

inline constexpr std::array<EnhanceRecord, 16> kEnhanceOps{{
    {EnhanceOp::AddNoise, "Add Noise", 0, 1000, kUsesValue | kUsesChannel,
     [](imaging::ImagingControl& c, const EnhanceArgs& a) { return c.AddNoise(a.value, a.channel); }},
    {EnhanceOp::Average, "Average(Blur)", 0, 0, kUsesSize,
     [](imaging::ImagingControl& c, const EnhanceArgs& a) { return c.Average(a.size); }},
    {EnhanceOp::Contrast, "Contrast", -1000, 1000, kUsesValue,
     [](imaging::ImagingControl& c, const EnhanceArgs& a) { return c.Contrast(a.value); }},
    {EnhanceOp::Emboss, "Emboss", 0, 1000, kUsesValue | kUsesDirection,
     [](imaging::ImagingControl& c, const EnhanceArgs& a) { return c.Emboss(a.direction, a.value); }},
    {EnhanceOp::GammaCorrect, "Gamma  Correct(Brighten)", 220, 250, kUsesValue,
     [](imaging::ImagingControl& c, const EnhanceArgs& a) { return c.GammaCorrect(a.value); }},
    {EnhanceOp::Grayscale, "Grayscale", 0, 0, kUsesNothing,
     [](imaging::ImagingControl& c, const EnhanceArgs&) { return c.Grayscale(); }},
    {EnhanceOp::HistogramContrast, "Histogram Contrast", -1000, 1000, kUsesValue,
     [](imaging::ImagingControl& c, const EnhanceArgs& a) { return c.HistogramContrast(a.value); }},
    {EnhanceOp::Hue, "Hue", 0, 360, kUsesValue,
     [](imaging::ImagingControl& c, const EnhanceArgs& a) { return c.Hue(a.value); }},
    {EnhanceOp::Intensity, "Intensity", -1000, 1000, kUsesValue,
     [](imaging::ImagingControl& c, const EnhanceArgs& a) { return c.Intensity(a.value); }},
    {EnhanceOp::Invert, "Invert(film nagative)", 0, 0, kUsesNothing,
     [](imaging::ImagingControl& c, const EnhanceArgs&) { return c.Invert(); }},
    {EnhanceOp::Median, "Median(Noice Reduction)", 0, 0, kUsesSize,
     [](imaging::ImagingControl& c, const EnhanceArgs& a) { return c.Median(a.size); }},
    {EnhanceOp::Mosaic, "Mosaic", 0, 0, kUsesSize,
     [](imaging::ImagingControl& c, const EnhanceArgs& a) { return c.Mosaic(a.size); }},
    {EnhanceOp::Posterize, "Posterize", 2, 64, kUsesValue,
     [](imaging::ImagingControl& c, const EnhanceArgs& a) { return c.Posterize(a.value); }},
    {EnhanceOp::Saturation, "Saturation", -1000, 1000, kUsesValue,
     [](imaging::ImagingControl& c, const EnhanceArgs& a) { return c.Saturation(a.value); }},
    {EnhanceOp::Sharpen, "Sharpen", -1000, 1000, kUsesValue,
     [](imaging::ImagingControl& c, const EnhanceArgs& a) { return c.Sharpen(a.value); }},
    {EnhanceOp::Shear, "Shear", 0, 45, kUsesValue | kUsesHorizontal,
     [](imaging::ImagingControl& c, const EnhanceArgs& a) { return c.Shear(a.value, a.horizontal, a.fill); }},
}};

// The record at a list index; nullopt outside 0..15.
[[nodiscard]] constexpr std::optional<EnhanceRecord> enhanceRecord(int index)
{
    if (index < 0 || index >= int(kEnhanceOps.size()))
        return std::nullopt;
    return kEnhanceOps[std::size_t(index)];
}

// The Direction list of the dialog (North, North East, North West, South,
// South East, South West, East, West) to compass codes clockwise from north.
inline constexpr std::array<int, 8> kEmbossDirectionCodes{0, 1, 7, 4, 3, 5, 2, 6};

[[nodiscard]] constexpr int embossDirectionCode(int listIndex)
{
    return listIndex >= 0 && listIndex < 8 ? kEmbossDirectionCodes[std::size_t(listIndex)] : 0;
}

// Each record sits at the index of its operation.
static_assert([] {
    for (std::size_t i = 0; i < kEnhanceOps.size(); ++i)
        if (static_cast<std::size_t>(kEnhanceOps[i].op) != i)
            return false;
    return true;
}());

} // namespace ardane
