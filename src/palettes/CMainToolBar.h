#pragma once
// The main toolbar: font name and size boxes, bold, italic and underline,
// file and clipboard buttons, the pen and background colour wells beside
// their buttons and the rotation-angle field beside the rotate button.

#include "core/TextFont.h"
#include "palettes/CommandBars.h"

#include <QString>
#include <QToolBar>

namespace ardane {

class CAngleEdit;
class CColorWell;
class CFontNameCombo;
class CFontSizeCombo;

class CMainToolBar : public QToolBar {
    Q_OBJECT
public:
    // The font boxes are filled with the fonts of the system unless
    // fillFonts is false (tests fill them with their own list).
    CMainToolBar(const ActionProvider& actions, QWidget* parent = nullptr, bool fillFonts = true);

    CFontNameCombo& fontNameCombo() const { return *m_fontName; }
    CFontSizeCombo& fontSizeCombo() const { return *m_fontSize; }
    CColorWell& penWell() const { return *m_penWell; }
    CColorWell& backgroundWell() const { return *m_backgroundWell; }
    CAngleEdit& angleEdit() const { return *m_angle; }

    // The font shown, for the view to apply to its current text object. Makes
    // the font-name box select the item for its text (the first item when it
    // shows none).
    FontState fontState();
    // Shows the font of the text object that became current.
    void setFontState(const FontState& state);

    // The rotation angle typed, in degrees.
    double angleValue() const;

signals:
    // The user picked a font name (125) or size (126) from its list.
    void fontSelectionChanged(int controlId);

private:
    QWidget* control(int slot) const;

    ActionProvider m_actions;
    CFontNameCombo* m_fontName;
    CFontSizeCombo* m_fontSize;
    CColorWell* m_penWell;
    CColorWell* m_backgroundWell;
    CAngleEdit* m_angle;
};

} // namespace ardane
