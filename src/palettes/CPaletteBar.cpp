#include "palettes/CPaletteBar.h"

#include "palettes/PaletteIcons.h"

#include <QGridLayout>
#include <QToolButton>

namespace ardane {

namespace {
constexpr QSize kButtonSize{24, 23};
}

CPaletteBar::CPaletteBar(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_grid(new QGridLayout(this))
{
    m_grid->setContentsMargins(kBorder, kBorder, kBorder, kBorder);
    m_grid->setSpacing(0);
    m_grid->setSizeConstraint(QLayout::SetFixedSize);
}

void CPaletteBar::setButtonList(std::span<const int> list)
{
    m_buttonList.clear();
    for (int value : list) {
        if (value < 0)
            break;
        m_buttonList.push_back(value);
    }
}

void CPaletteBar::SetColumns(int n)
{
    if (n < kMinColumns || n > kMaxColumns)
        return;
    m_columns = n;
    layOutButtons();
}

void CPaletteBar::layOutButtons()
{
    for (QToolButton* b : m_buttons)
        m_grid->removeWidget(b);
    for (int i = 0; i < buttonCount(); ++i)
        m_grid->addWidget(m_buttons[std::size_t(i)], i / m_columns, i % m_columns);
    // Take the new size now: the frame places the palette by its size before showing it.
    m_grid->activate();
    adjustSize();
    update();
}

void CPaletteBar::BuildButtons()
{
    if (m_buttonList.empty())
        return;
    for (QToolButton* b : m_buttons)
        delete b;
    m_buttons.clear();

    for (int value : m_buttonList) {
        const int id = m_idBase + value;
        auto* b = new QToolButton(this);
        b->setCheckable(true);
        b->setAutoRaise(true);
        b->setFixedSize(kButtonSize);
        b->setIconSize(kButtonImageSize);
        if (m_images)
            b->setIcon(m_images(value));
        if (m_toolTips)
            b->setToolTip(m_toolTips(id));
        connect(b, &QToolButton::clicked, this, [this, id] { emit commandTriggered(id); });
        m_buttons.push_back(b);
    }
    layOutButtons();
    setWindowTitle(m_title);
    SelectFirst();
}

void CPaletteBar::SelectFirst()
{
    if (m_buttons.empty())
        return;
    for (QToolButton* b : m_buttons)
        b->setChecked(false);
    m_buttons.front()->setChecked(true);
    m_selectedIndex = 0;
}

int CPaletteBar::SelectByCommand(int id)
{
    int clicked = -1;
    for (int i = 0; i < buttonCount(); ++i)
        if (commandId(i) == id)
            clicked = i;
    if (clicked < 0)
        return m_selectedIndex;

    for (int i = 0; i < buttonCount(); ++i) {
        if (!isChecked(i))
            continue;
        if (i == clicked)
            m_selectedIndex = i;
        else
            m_buttons[std::size_t(i)]->setChecked(false);
    }
    // A click on the selected button has just unchecked it, and a command that
    // came from a menu or a key found it unchecked: either way it is checked
    // now and is the selection.
    if (!isChecked(clicked)) {
        m_buttons[std::size_t(clicked)]->setChecked(true);
        m_selectedIndex = clicked;
    }
    return m_selectedIndex;
}

void CPaletteBar::SelectByIndex(int index)
{
    if (index < 0 || index >= buttonCount())
        return;
    if (m_selectedIndex >= 0 && m_selectedIndex < buttonCount())
        m_buttons[std::size_t(m_selectedIndex)]->setChecked(false);
    m_buttons[std::size_t(index)]->setChecked(true);
    m_selectedIndex = index;
}

int CPaletteBar::commandId(int position) const
{
    if (position < 0 || position >= int(m_buttonList.size()))
        return 0;
    return m_idBase + m_buttonList[std::size_t(position)];
}

bool CPaletteBar::isChecked(int position) const
{
    const QToolButton* b = button(position);
    return b && b->isChecked();
}

bool CPaletteBar::wrapsAfter(int position) const
{
    return (position + 1) % m_columns == 0;
}

QToolButton* CPaletteBar::button(int position) const
{
    if (position < 0 || position >= buttonCount())
        return nullptr;
    return m_buttons[std::size_t(position)];
}

} // namespace ardane
