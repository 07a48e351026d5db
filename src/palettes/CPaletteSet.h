#pragma once
// The main frame's three palettes: creates them, routes their commands back
// to them, places them from the saved layout and records the layout at close.

#include "palettes/CPaletteBar.h"
#include "palettes/PalettePlacement.h"

#include <QObject>
#include <QSize>

#include <functional>
#include <optional>

namespace ardane {

struct PaletteDef;

class CPaletteSet : public QObject {
    Q_OBJECT
public:
    // Every button click is handed to dispatch (the frame's command router,
    // which comes back to handleCommand); without one the set handles the
    // clicks itself. The palettes are tool windows of frame.
    explicit CPaletteSet(QWidget* frame, std::function<void(int id)> dispatch = {});

    CPaletteBar& tools() { return *m_tools; }
    CPaletteBar& sprayStyles() { return *m_spray; }
    CPaletteBar& brushStyles() { return *m_brush; }
    const CPaletteBar& tools() const { return *m_tools; }
    const CPaletteBar& sprayStyles() const { return *m_spray; }
    const CPaletteBar& brushStyles() const { return *m_brush; }

    // Index of the current tool (its ToolId is 15000 plus it), brush style and spray style.
    int currentTool() const { return m_tools->selectedIndex(); }
    int currentBrushStyle() const { return m_brush->selectedIndex(); }
    int currentSprayStyle() const { return m_spray->selectedIndex(); }

    // Tool, spray-style and brush-style buttons (15000-15100, 16000-16100,
    // 17000-17100) and the View items that show or hide each palette.
    // False for any other id.
    bool handleCommand(int id);
    // Check mark of a View item that shows or hides a palette; nullopt for other ids.
    std::optional<bool> commandChecked(int id) const;

    // Places and shows or hides the palettes on a screen of the given size,
    // shown palettes side by side rather than over one another.
    void applyLayout(const PaletteLayout& layout, QSize screen);
    // Positions (of the window frames) and visibility, for the profile.
    void recordLayout(PaletteLayout& layout) const;

private:
    CPaletteBar* create(QWidget* frame, const PaletteDef& def);
    CPaletteBar* paletteForToggle(int id) const;

    std::function<void(int)> m_dispatch;
    CPaletteBar* m_tools;
    CPaletteBar* m_spray;
    CPaletteBar* m_brush;
};

} // namespace ardane
