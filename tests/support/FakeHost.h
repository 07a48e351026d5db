#pragma once
// A program around a view, for view tests: a scripted user, the display
// preferences, and counters of what the view asked for.

#include "FakeUi.h"
#include "core/ToolTable.h"
#include "view/ClipboardBuffer.h"
#include "view/CTextEditWnd.h"
#include "core/TextFont.h"
#include "view/ViewHost.h"
#include "doc/LayeredFile.h"

#include <QPoint>

#include <QPixmap>

#include <functional>
#include <utility>
#include <vector>

namespace ardane::test {

class FakeHost final : public ViewHost {
public:
    FakeUi fakeUi;
    DisplayPrefs prefs;
    ColorRef background = 0x808000;
    doc::LayeredFile layered;
    int refreshes = 0;
    std::function<void(int)> onMargin;

    UiServices& ui() override { return fakeUi; }
    DisplayPrefs& displayPrefs() override { return prefs; }
    ColorRef backgroundColor() const override { return background; }
    doc::LayeredFormat& layeredFormat() override { return layered; }
    void refreshStatus() override { ++refreshes; }
    void marginToggled(int delta) override
    {
        if (onMargin)
            onMargin(delta);
    }
    void viewBackgroundChanged() override {}

    PaintSettings paint;
    int tool = 0;
    int brushStyle = 0;
    int sprayStyle = 0;
    int penSnaps = 0;
    int penChanges = 0;
    int stateRefreshes = 0;
    std::vector<std::pair<int, QPoint>> contextMenus;
    ClipboardBuffer buffer;

    PaintSettings& paintSettings() override { return paint; }
    int currentTool() const override { return tool; }
    int currentBrushStyle() const override { return brushStyle; }
    int currentSprayStyle() const override { return sprayStyle; }
    // A bitmap cursor per name whose hot spot's x is the first tool index
    // using that name, so tests can tell which cursor a view chose.
    QCursor cursorNamed(std::string_view name) const override
    {
        for (std::size_t i = 0; i < kTools.size(); ++i) {
            if (!name.empty() && kTools[i].cursor == name) {
                QPixmap p(32, 32);
                p.fill(Qt::white);
                return QCursor(p, int(i), 0);
            }
        }
        // Other cursors (the object tracker's): hot spot y = 1 + their
        // place in this list.
        static constexpr std::string_view kOthers[] = {"CURSORNW", "CURSORNE", "CURSORNS", "CURSOREW", "CURSORNSEW"};
        for (std::size_t i = 0; i < std::size(kOthers); ++i) {
            if (name == kOthers[i]) {
                QPixmap p(32, 32);
                p.fill(Qt::white);
                return QCursor(p, 0, int(i) + 1);
            }
        }
        return QCursor(Qt::ArrowCursor);
    }
    void snapPenColor() override { ++penSnaps; }
    void penColorChanged() override { ++penChanges; }
    void refreshCommandStates() override { ++stateRefreshes; }
    void showContextMenu(int kind, const QPoint& globalPos) override { contextMenus.emplace_back(kind, globalPos); }
    ClipboardBuffer& clipboard() override { return buffer; }
    CTextEditWnd& textEntry() override { return entry; }
    FontState toolbarFont() const override { return font; }
    void showToolbarFont(const FontState& f) override { shownFonts.push_back(f); }
    int rotationAngle() const override { return angle; }

    CTextEditWnd entry;
    FontState font{false, false, false, 12, 0, 1, QStringLiteral("DejaVu Sans")};
    std::vector<FontState> shownFonts;
    int angle = 0;
};

} // namespace ardane::test
