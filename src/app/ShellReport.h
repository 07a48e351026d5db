#pragma once
// A plain-text account of where the main frame's bars, controls and palettes
// are on the screen, one item a line, for whole-program tests that compare
// it with a screenshot.

#include <QString>

namespace ardane {

class CMainFrame;

// Lines of the form "<kind> <name> <x> <y> <width> <height> [<extra>]" in
// screen coordinates:
//   screen - - 0 0 W H
//   palette tools|brush|spray ... shown|hidden
//   toolbar main|quick ... shown|hidden
//   button <command id> ... icon|noicon   (every button of both toolbars)
//   control fontname|fontsize|penwell|backgroundwell|angle ...
[[nodiscard]] QString shellReport(const CMainFrame& frame);

} // namespace ardane
