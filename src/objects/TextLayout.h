#pragma once
// Where the pieces of a text object's string go: straight text in lines
// wrapped to the width of the object's box and laid along its (possibly
// turned) top edge, or one character at a time around a circle. The layout
// works in whole pixels of the target and only places strings; TextRender
// turns the placements into pixels.

#include "objects/ObjectGeometry.h"

#include <QFontMetrics>
#include <QPoint>
#include <QString>

#include <vector>

namespace ardane::objects {

// What the reference point of a placed string is.
enum class TextAnchor {
    BaselineCentre, // the middle of the string's baseline
    TopLeft,        // the top-left of the character cell (ascent above the baseline)
};

// A string drawn at a point, turned counter-clockwise (on the screen) by
// `angle` degrees about that point.
struct TextPlacement {
    QString text;
    QPoint ref;
    double angle = 0;
    TextAnchor anchor = TextAnchor::BaselineCentre;
};

// One line cut from a text: what is drawn, and where the next line starts.
struct WrappedLine {
    QString text;
    qsizetype next = 0;
};

// The line of `text` that starts at `start` and fits `width` pixels less the
// width of a capital C. A tab counts (and is drawn) as 16 spaces; a carriage
// return or line feed ends the line (a CR LF pair counts as one end). A line
// that would overflow is cut after its last space, or before the character
// that overflows when it has none; a CR LF pair right at the cut is skipped.
// A line always takes at least one character.
[[nodiscard]] WrappedLine WrapLine(const QFontMetrics& metrics, const QString& text, qsizetype start, int width);

// How many lines WrapLine makes of the whole text.
[[nodiscard]] int countWrappedLines(const QFontMetrics& metrics, const QString& text, int width);

// The lines of straight text in the box of `corners` (clockwise from the
// top-left of the unturned box): each line centred on a reference point
// that starts just left of the middle of the top edge and advances toward
// the middle of the bottom edge by one character height per line; the block
// is centred vertically when it fits. `angle` is the text's turn in degrees.
[[nodiscard]] std::vector<TextPlacement> LayoutStraightText(const QFontMetrics& metrics, int charHeight,
                                                            double angle, const QString& text,
                                                            const ObjPoints& corners);

// The circle of a curved layout: centre and radius in pixels.
struct CurveGeometry {
    QPoint centre;
    int radius = 1;
};

// Layout codes as TextParams::effect holds them.
inline constexpr int kLayoutArc = 1;
inline constexpr int kLayoutCircle = 2;
inline constexpr int kLayoutHalfCircle = 4;
inline constexpr int kLayoutStraight = 8;

// The circle for `layout` over the bounding box of `corners`: a circle is
// as long as the text plus one space, a half circle twice that; an arc
// fills the smaller half side of the box less half a character height.
[[nodiscard]] CurveGeometry curveGeometry(const QFontMetrics& metrics, const QString& text, const ObjPoints& corners,
                                          int layout, int charHeight, int pointSize);

// Curved text: one placement per character, each anchored at the top-left
// of its cell, turned to follow the circle, starting at `startAngle`
// (0 right, 90 top, 180 left, 270 bottom of the circle) and running
// clockwise or counter-clockwise.
[[nodiscard]] std::vector<TextPlacement> LayoutCurvedText(const QFontMetrics& metrics, int charHeight, int pointSize,
                                                          const QString& text, const ObjPoints& corners,
                                                          int layout, int startAngle, bool clockwise);

} // namespace ardane::objects
