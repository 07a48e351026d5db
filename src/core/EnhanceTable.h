#pragma once
// The sixteen enhancement operations, one record each: the text of the
// Enhance Image dialog's list, the slider's range and starting position, and
// which of the dialog's inputs the operation takes. The dialog and the view
// both read this table, so the list and the operations cannot drift apart.

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

struct EnhanceRecord {
    EnhanceOp op;
    std::string_view text;
    int minimum;
    int maximum;
    unsigned inputs;

    // The slider's starting position: min + (max - |min|) / 2, the division
    // truncating toward zero (so the five -1000..1000 ranges start at -1000).
    [[nodiscard]] constexpr int start() const { return minimum + (maximum - (minimum < 0 ? -minimum : minimum)) / 2; }
    // A range of 0..0 leaves the slider disabled.
    [[nodiscard]] constexpr bool hasSlider() const { return minimum != 0 || maximum != 0; }
    [[nodiscard]] constexpr bool accepts(int value) const { return value >= minimum && value <= maximum; }
};

inline constexpr std::array<EnhanceRecord, 16> kEnhanceOps{{
    {EnhanceOp::AddNoise, "Add Noise", 0, 1000, kUsesValue | kUsesChannel},
    {EnhanceOp::Average, "Average(Blur)", 0, 0, kUsesSize},
    {EnhanceOp::Contrast, "Contrast", -1000, 1000, kUsesValue},
    {EnhanceOp::Emboss, "Emboss", 0, 1000, kUsesValue | kUsesDirection},
    {EnhanceOp::GammaCorrect, "Gamma  Correct(Brighten)", 220, 250, kUsesValue},
    {EnhanceOp::Grayscale, "Grayscale", 0, 0, kUsesNothing},
    {EnhanceOp::HistogramContrast, "Histogram Contrast", -1000, 1000, kUsesValue},
    {EnhanceOp::Hue, "Hue", 0, 360, kUsesValue},
    {EnhanceOp::Intensity, "Intensity", -1000, 1000, kUsesValue},
    {EnhanceOp::Invert, "Invert(film nagative)", 0, 0, kUsesNothing},
    {EnhanceOp::Median, "Median(Noice Reduction)", 0, 0, kUsesSize},
    {EnhanceOp::Mosaic, "Mosaic", 0, 0, kUsesSize},
    {EnhanceOp::Posterize, "Posterize", 2, 64, kUsesValue},
    {EnhanceOp::Saturation, "Saturation", -1000, 1000, kUsesValue},
    {EnhanceOp::Sharpen, "Sharpen", -1000, 1000, kUsesValue},
    {EnhanceOp::Shear, "Shear", 0, 45, kUsesValue | kUsesHorizontal},
}};

// The record at a list index; nullopt outside 0..15.
[[nodiscard]] constexpr std::optional<EnhanceRecord> enhanceRecord(int index)
{
    if (index < 0 || index >= int(kEnhanceOps.size()))
        return std::nullopt;
    return kEnhanceOps[std::size_t(index)];
}

// Each record sits at the index of its operation.
static_assert([] {
    for (std::size_t i = 0; i < kEnhanceOps.size(); ++i)
        if (static_cast<std::size_t>(kEnhanceOps[i].op) != i)
            return false;
    return true;
}());

} // namespace ardane
