#pragma once
// The application-wide painting settings and the default parameters of new
// text and shape objects, with the profile keys they are kept under.

#include "core/Color.h"

#include <cstdint>

namespace ardane {

// Text effects of a text object (and the defaults for new ones).
struct TextParams {
    std::int16_t depth = 5;          // "TEXT_DEPTH": pixels of the 3D or shadow effect
    std::int32_t shadow = 0;         // "TEXT_SHADOW"
    std::int32_t threeD = 0;         // "TEXT_3D"; never together with shadow
    std::int32_t clockwise = 1;      // "TEXT_CLOCKWISE"
    ColorRef shadowColor = 0xC0C0C0; // "TEXT_CRSHADOW"
    std::int16_t direction = 1;      // "TEXT_DIRECTION": 0 N, 1 NE, 2 NW, 3 S, 4 SE, 5 SW, 6 E, 7 W
    std::int16_t effect = 8;         // "TEXT_EFFECT": 1 arc, 2 circle, 4 half circle, 8 straight
    std::int16_t startAngle = 180;   // "TEXT_STARTAT": 0, 90, 180 or 270
    friend bool operator==(const TextParams&, const TextParams&) = default;
};

// Outline and fill of a shape object (and the defaults for new ones).
struct ObjectParams {
    std::int32_t fillInterior = 0;   // "FILL_OBJECT"
    ColorRef fillColor = 0xFFFFFF;   // "Fill_Color"
    std::int32_t lineWidth = 1;      // "Line_Width": 1..10
    friend bool operator==(const ObjectParams&, const ObjectParams&) = default;
};

struct PaintSettings {
    ColorRef penColor = 0xFFFFFF;         // "Preference"/"DEFAULT_COLOR"
    ColorRef backgroundColor = 0x808000;  // "Preference"/"Background_Color"
    std::int32_t drawMode = 13;           // "Preference"/"Draw_ROP2_Mode", a ROP2 code (13 copy pen)
    std::int32_t shuffleDensity = 3;      // "GENERAL"/"Shuffle_Density", 1..5
    std::int16_t areaSize = 4;            // "Preference"/"Blur_Area": 2, 4, 8, 12, 16
    std::int16_t areaShape = 2;           // "Preference"/"Blur_Shape": 2 square, 4 circle
    std::int16_t captureScale = 1;        // "Preference"/"Capture_Scale": 4 actual, 1 half, 2 quarter
    TextParams textDefaults;              // "TEXT_PARAM"
    ObjectParams objectDefaults;          // "Object_Param"
};

} // namespace ardane
