#pragma once
// The font of a text object as the main toolbar shows and edits it: face,
// size in points, style, and the pitch, family and character set the face
// was chosen with.

#include <QString>

namespace ardane {

// Exchanged between the toolbar and the view's current text object.
struct FontState {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int pointSize = 0;
    quint8 pitchAndFamily = 0;
    quint8 charSet = 1;
    QString faceName;
    friend bool operator==(const FontState&, const FontState&) = default;
};

} // namespace ardane
