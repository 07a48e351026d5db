#pragma once
// A program around a view, for view tests: a scripted user, the display
// preferences, and counters of what the view asked for.

#include "FakeUi.h"
#include "core/ToolTable.h"
#include "view/ClipboardBuffer.h"
#include "view/CTextEditWnd.h"
#include "core/TextFont.h"
#include "view/ViewHost.h"
#include "view/CArdaneView.h"
#include "doc/LayeredFile.h"

#include <QPoint>

#include <QPixmap>

#include <functional>
#include <memory>
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
    void snapBackgroundColor() override { ++backgroundSnaps; }
    void penColorChanged() override { ++penChanges; }
    void refreshCommandStates() override { ++stateRefreshes; }
    void showContextMenu(int kind, const QPoint& globalPos) override { contextMenus.emplace_back(kind, globalPos); }
    ClipboardBuffer& clipboard() override { return buffer; }
    CTextEditWnd& textEntry() override { return entry; }
    FontState toolbarFont() const override { return font; }
    void showToolbarFont(const FontState& f) override { shownFonts.push_back(f); }
    int rotationAngle() const override { return angle; }

    // The modeless dialogs a test puts in place (none by default), and the
    // planes dialog a separation opens: by default a plain panel that
    // records what the view asks of it.
    AdjustDialogs dialogs;
    AdjustDialogs adjustDialogs() override { return dialogs; }
    struct RecordingPanel final : PlanesPanel {
        CArdaneView* view = nullptr;
        int selected = 1;
        int buttons = 4;
        int previewRepaints = 0;
        bool closed = false;
        int selectedButton() const override { return selected; }
        int buttonCount() const override { return buttons; }
        void repaintSelectedPreview() override { ++previewRepaints; }
        void closePanel() override;
    };
    std::unique_ptr<RecordingPanel> panel;
    std::function<PlanesPanel*(CArdaneView&)> planesFactory;
    PlanesPanel* openPlanesDialog(CArdaneView& view) override
    {
        if (planesFactory)
            return planesFactory(view);
        panel = std::make_unique<RecordingPanel>();
        panel->view = &view;
        return panel.get();
    }
    int backgroundSnaps = 0;

    CTextEditWnd entry;
    FontState font{false, false, false, 12, 0, 1, QStringLiteral("DejaVu Sans")};
    std::vector<FontState> shownFonts;
    int angle = 0;
};

// As the real dialog's Close: the view gets back the whole image and
// learns that the separation ended.
inline void FakeHost::RecordingPanel::closePanel()
{
    closed = true;
    if (view) {
        CArdaneView* v = view;
        view = nullptr;
        v->showBitmap(v->backupControl().ImageHandle());
        v->planeControl().SetImageHandle(imaging::Bitmap());
        v->backupControl().SetImageHandle(imaging::Bitmap());
        v->planesDialogClosed();
    }
}

} // namespace ardane::test
