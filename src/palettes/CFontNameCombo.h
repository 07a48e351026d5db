#pragma once
// The font-name box of the main toolbar: every face of the system once per
// writing system it supports, sorted, each item marked with the kind of font.

#include <QComboBox>
#include <QList>
#include <QString>

namespace ardane {

// Kind flags of a font entry.
namespace fontkind {
inline constexpr quint16 TrueType = 0x300; // scalable outline fonts
inline constexpr quint16 Device = 0x500;   // fonts of the output device
inline constexpr quint16 Other = 0x100;
inline constexpr quint16 TrueTypeBit = 0x200;
inline constexpr quint16 DeviceBit = 0x400;
} // namespace fontkind

struct FontEntry {
    QString face;
    QString script;          // writing system; empty when unknown
    quint8 charSet = 1;      // Windows character-set code of the script
    quint8 pitchAndFamily = 0;
    quint16 kind = fontkind::Other;
    friend bool operator==(const FontEntry&, const FontEntry&) = default;
};

struct FontListItem {
    QString label;
    FontEntry entry;
};

// The face name of a family as the font database lists it: a family that
// more than one foundry installs is listed once per foundry, as
// "Family [Foundry]", and the user picks the family.
[[nodiscard]] QString faceNameOf(const QString& family);

// One entry per face and writing system of the fonts installed.
[[nodiscard]] QList<FontEntry> systemFontEntries();

// The list items for entries, sorted by label: a face that occurs more than
// once is labelled "Face (Script)" for each entry that has a script.
[[nodiscard]] QList<FontListItem> fontListItems(const QList<FontEntry>& entries);

class CFontNameCombo : public QComboBox {
    Q_OBJECT
public:
    static constexpr int kGlyphWidth = 16;
    static constexpr int kTextIndent = 22;

    explicit CFontNameCombo(QWidget* parent = nullptr);

    // Refills the list, keeping the text shown where it still matches an item.
    void fill(const QList<FontEntry>& entries);
    void fillFromSystem() { fill(systemFontEntries()); }

    // The entry of an item; null for a row out of range.
    const FontEntry* entryAt(int row) const;
    const FontEntry* currentEntry() const { return entryAt(currentIndex()); }

    // Selects the first item whose label starts with text; when there is
    // none, shows the text with no item selected. Returns whether one matched.
    bool selectStartingWith(const QString& text);
    // The text shown: the current item's label, or the shown text without one.
    QString shownText() const;

private:
    QList<FontEntry> m_entries; // by row
};

} // namespace ardane
