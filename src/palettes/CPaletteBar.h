#pragma once
// A floating palette: a small captioned tool window holding a grid of buttons
// that behave as one radio group. The main frame owns three of them (tools,
// spray styles, brush styles) and reads the selected index of each.

#include <QIcon>
#include <QWidget>

#include <functional>
#include <span>
#include <vector>

class QGridLayout;
class QToolButton;

namespace ardane {

class CPaletteBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBorder = 5;
    static constexpr int kMinColumns = 2;
    static constexpr int kMaxColumns = 4;

    explicit CPaletteBar(QWidget* parent = nullptr);

    // Caption shown on the palette window; "Palette" until set.
    void setTitle(const QString& title) { m_title = title; }
    QString title() const { return m_title; }

    // Command id of the button whose list value is 0.
    void setIdBase(int idBase) { m_idBase = idBase; }
    int idBase() const { return m_idBase; }

    // For each button position the offset of its command id and its image
    // index; the list ends at its first negative value.
    void setButtonList(std::span<const int> list);
    // The image and tooltip of a button, by list value and by command id.
    void setImageSource(std::function<QIcon(int image)> source) { m_images = std::move(source); }
    void setToolTipSource(std::function<QString(int id)> source) { m_toolTips = std::move(source); }

    // Buttons per row, 2..4; other values change nothing.
    void SetColumns(int n);
    int columns() const { return m_columns; }

    // Makes the buttons from the button list, lays them out, sets the caption
    // and selects the first button.
    void BuildButtons();

    void SelectFirst();
    // The frame's handling of a button's command, after the click has toggled
    // that button: keeps exactly one button checked. Returns the selected index.
    int SelectByCommand(int id);
    void SelectByIndex(int index);
    int selectedIndex() const { return m_selectedIndex; }

    int buttonCount() const { return int(m_buttons.size()); }
    int commandId(int position) const;
    bool isChecked(int position) const;
    // True after the last button of every row.
    bool wrapsAfter(int position) const;
    QToolButton* button(int position) const;

signals:
    // A button was clicked; the frame routes the command back to SelectByCommand.
    void commandTriggered(int id);

private:
    void layOutButtons();

    QString m_title = QStringLiteral("Palette");
    int m_columns = 2;
    int m_selectedIndex = 0;
    std::vector<int> m_buttonList;
    int m_idBase = 1;
    std::function<QIcon(int)> m_images;
    std::function<QString(int)> m_toolTips;
    std::vector<QToolButton*> m_buttons; // children of this widget
    QGridLayout* m_grid;
};

} // namespace ardane
