#include "palettes/CFontNameCombo.h"

#include "palettes/PaletteIcons.h"

#include <QFontDatabase>
#include <QHash>
#include <QPainter>
#include <QSet>
#include <QStyledItemDelegate>

#include <algorithm>

namespace ardane {

namespace {

// Windows character-set codes, which the text objects keep in their font record.
quint8 charSetOf(QFontDatabase::WritingSystem ws)
{
    switch (ws) {
    case QFontDatabase::Latin: return 0;
    case QFontDatabase::Symbol: return 2;
    case QFontDatabase::Japanese: return 128;
    case QFontDatabase::Korean: return 129;
    case QFontDatabase::SimplifiedChinese: return 134;
    case QFontDatabase::TraditionalChinese: return 136;
    case QFontDatabase::Greek: return 161;
    case QFontDatabase::Vietnamese: return 163;
    case QFontDatabase::Hebrew: return 177;
    case QFontDatabase::Arabic: return 178;
    case QFontDatabase::Cyrillic: return 204;
    case QFontDatabase::Thai: return 222;
    default: return 1;
    }
}

constexpr quint8 kFixedPitchModern = 0x31;
constexpr quint8 kVariablePitch = 0x02;

// Paints an item: highlight or base background, the kind glyph at the left
// and the label indented past it.
class FontItemDelegate : public QStyledItemDelegate {
public:
    FontItemDelegate(const CFontNameCombo* combo, QObject* parent)
        : QStyledItemDelegate(parent)
        , m_combo(combo)
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        painter->save();
        const bool selected = option.state & QStyle::State_Selected;
        painter->fillRect(option.rect, option.palette.brush(selected ? QPalette::Highlight : QPalette::Base));
        if (option.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(option);
            focus.backgroundColor = option.palette.color(selected ? QPalette::Highlight : QPalette::Base);
            const QWidget* w = option.widget;
            (w ? w->style() : m_combo->style())->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, w);
        }
        if (const FontEntry* entry = m_combo->entryAt(index.row())) {
            if (entry->kind & (fontkind::TrueTypeBit | fontkind::DeviceBit)) {
                const QIcon glyph = fontGlyphIcon(entry->kind & fontkind::TrueTypeBit ? FontGlyph::TrueType
                                                                                      : FontGlyph::Device);
                glyph.paint(painter, QRect(option.rect.topLeft(), kButtonImageSize));
            }
        }
        painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        const QRect textRect = option.rect.adjusted(CFontNameCombo::kTextIndent, 0, 0, 0);
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          index.data(Qt::DisplayRole).toString());
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QSize text = QStyledItemDelegate::sizeHint(option, index);
        return {text.width() + CFontNameCombo::kTextIndent,
                std::max(text.height(), kButtonImageSize.height() + 1)};
    }

private:
    const CFontNameCombo* m_combo;
};

} // namespace

QString faceNameOf(const QString& family)
{
    if (!family.endsWith(QLatin1Char(']')))
        return family;
    const qsizetype open = family.lastIndexOf(QLatin1String(" ["));
    return open > 0 ? family.left(open) : family;
}

QList<FontEntry> systemFontEntries()
{
    QList<FontEntry> entries;
    QSet<QString> faces;
    for (const QString& family : QFontDatabase::families()) {
        if (family.startsWith(QLatin1Char('@')))
            continue; // vertical variants of East Asian faces
        FontEntry base;
        base.face = faceNameOf(family);
        if (faces.contains(base.face))
            continue; // the same family from another foundry
        faces.insert(base.face);
        base.pitchAndFamily = QFontDatabase::isFixedPitch(family) ? kFixedPitchModern : kVariablePitch;
        base.kind = QFontDatabase::isSmoothlyScalable(family) ? fontkind::TrueType : fontkind::Other;
        const QList<QFontDatabase::WritingSystem> systems = QFontDatabase::writingSystems(family);
        if (systems.isEmpty()) {
            entries.append(base);
            continue;
        }
        for (QFontDatabase::WritingSystem ws : systems) {
            FontEntry e = base;
            e.script = QFontDatabase::writingSystemName(ws);
            e.charSet = charSetOf(ws);
            entries.append(e);
        }
    }
    return entries;
}

QList<FontListItem> fontListItems(const QList<FontEntry>& entries)
{
    QHash<QString, int> occurrences;
    for (const FontEntry& e : entries)
        ++occurrences[e.face];

    QList<FontListItem> items;
    items.reserve(entries.size());
    for (const FontEntry& e : entries) {
        QString label = e.face;
        if (occurrences.value(e.face) > 1 && !e.script.isEmpty())
            label += QStringLiteral(" (") + e.script + QLatin1Char(')');
        items.append({label, e});
    }
    std::stable_sort(items.begin(), items.end(), [](const FontListItem& a, const FontListItem& b) {
        return QString::compare(a.label, b.label, Qt::CaseInsensitive) < 0;
    });
    return items;
}

CFontNameCombo::CFontNameCombo(QWidget* parent)
    : QComboBox(parent)
{
    setEditable(false);
    setItemDelegate(new FontItemDelegate(this, this));
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setFocusPolicy(Qt::StrongFocus);
}

void CFontNameCombo::fill(const QList<FontEntry>& entries)
{
    const QString remembered = shownText();
    clear();
    m_entries.clear();
    for (const FontListItem& item : fontListItems(entries)) {
        m_entries.append(item.entry);
        addItem(item.label);
    }
    if (!remembered.isEmpty())
        selectStartingWith(remembered);
}

const FontEntry* CFontNameCombo::entryAt(int row) const
{
    if (row < 0 || row >= m_entries.size())
        return nullptr;
    return &m_entries[row];
}

bool CFontNameCombo::selectStartingWith(const QString& text)
{
    for (int row = 0; row < count(); ++row) {
        if (itemText(row).startsWith(text, Qt::CaseInsensitive)) {
            setCurrentIndex(row);
            return true;
        }
    }
    setCurrentIndex(-1);
    setPlaceholderText(text);
    return false;
}

QString CFontNameCombo::shownText() const
{
    return currentIndex() >= 0 ? currentText() : placeholderText();
}

} // namespace ardane
