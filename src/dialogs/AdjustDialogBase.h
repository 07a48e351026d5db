#pragma once
// What the three intensity-adjustment dialogs share: the bound view, the
// Channel list, the Save / Restore / Close buttons around one snapshot of the
// image kept by the application, and the drawing of a histogram display.

#include "dialogs/AdjustMath.h"

#include <QDialog>
#include <QPointer>

#include <array>
#include <initializer_list>
#include <functional>

class QComboBox;
class QLayout;
class QPainter;
class QPushButton;

namespace ardane {

class CArdaneView;
namespace imaging {
class ImagingControl;
}

class CAdjustDialogBase : public QDialog {
    Q_OBJECT
public:
    [[nodiscard]] QComboBox& channelList() const { return *m_channel; }
    [[nodiscard]] QPushButton& saveButton() const { return *m_save; }
    [[nodiscard]] QPushButton& restoreButton() const { return *m_restore; }
    [[nodiscard]] QPushButton& closeButton() const { return *m_close; }
    // Whether this dialog has taken a snapshot (on binding or by Save).
    [[nodiscard]] bool hasSaved() const { return m_saved; }
    // The channel code of the selected list item.
    [[nodiscard]] int channelCode() const;

protected:
    // A modeless tool window; the Channel list starts at "RED".
    CAdjustDialogBase(imaging::ImagingControl& snapshot, const QString& name, QWidget* parent);

    [[nodiscard]] CArdaneView* view() const;
    void setView(CArdaneView* view);
    // The shared snapshot becomes a copy of the bound view's image.
    void takeSnapshot();
    // Remaps the selected channel of the bound view's image through the table
    // and lets the view show the result. Nothing without a bound view.
    void applyTable(const std::array<int, 256>& table);
    // The histogram of the selected channel in the bound view's image, for a
    // display `fullHeight` pixels high; all minimum without a view.
    [[nodiscard]] adjust::Heights loadHeights(int fullHeight) const;

    // The dialog's layout: `plot` at the left, at the right a column of the
    // dialog's own buttons followed by Save, Restore and Close.
    void arrange(QLayout* plot, std::initializer_list<QPushButton*> ownButtons);
    // Shows the dialog over the others.
    void showOnTop();

    // The user picked another channel.
    virtual void channelChanged() = 0;

private:
    void save();
    void restore();

    imaging::ImagingControl& m_snapshot;
    // Guarded: a view that goes away without unbinding is no longer used.
    QPointer<CArdaneView> m_view;
    bool m_saved = false;
    QComboBox* m_channel;
    QPushButton* m_save;
    QPushButton* m_restore;
    QPushButton* m_close;
};

namespace adjust {

// White client area with a sunken edge one pixel inside it.
void paintPanel(QPainter& painter, const QRect& client);
// One vertical line per level at column left + i, rising from `bottom` by
// the level's height (the bottom row included), in the colour `colourOf`
// gives the level.
void paintHistogram(QPainter& painter, int left, int bottom, const Heights& heights,
                    const std::function<QColor(int level)>& colourOf);

} // namespace adjust
} // namespace ardane
