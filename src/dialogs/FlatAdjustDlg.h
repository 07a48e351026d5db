#pragma once
// "Flat Adjustment": every intensity of one channel mapped to one level,
// chosen on a slider, typed into a box or clicked in the histogram.

#include "dialogs/AdjustDialogBase.h"
#include "view/Adjusters.h"

#include <QWidget>

class QLineEdit;
class QSlider;

namespace ardane {

// The channel's histogram with the chosen level as a red line across it.
class CFlatDisplay : public QWidget {
    Q_OBJECT
public:
    // The smallest client the plot fits in.
    static constexpr int kMinWidth = 264;
    static constexpr int kMinHeight = 108;
    static constexpr int kPlotHeight = 100;

    explicit CFlatDisplay(QWidget* parent = nullptr);

    // left = (width - 256) / 2, right = left + 255, bottom = height - 4,
    // top = height - 105.
    [[nodiscard]] QRect plotRect() const;

    [[nodiscard]] int level() const { return m_level; }
    // Levels outside 0..255 are ignored.
    void setLevel(int level);

    void setHeights(const adjust::Heights& heights);
    [[nodiscard]] const adjust::Heights& heights() const { return m_heights; }

    [[nodiscard]] QSize sizeHint() const override { return {kMinWidth, kMinHeight}; }

signals:
    // A click in the plot asks for this level; the dialog decides.
    void levelClicked(int level);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // The strip around the marker line at a level.
    [[nodiscard]] QRect markerStrip(int level) const;

    int m_level = 0;
    adjust::Heights m_heights = adjust::flatHeights();
};

class CFlatAdjustDlg : public CAdjustDialogBase, public ModelessAdjuster {
    Q_OBJECT
public:
    static constexpr int kMinValue = 1;
    static constexpr int kMaxValue = 256;

    explicit CFlatAdjustDlg(imaging::ImagingControl& snapshot, QWidget* parent = nullptr);

    [[nodiscard]] CFlatDisplay& display() const { return *m_display; }
    [[nodiscard]] QSlider& slider() const { return *m_slider; }
    [[nodiscard]] QLineEdit& levelBox() const { return *m_box; }

    // ModelessAdjuster
    [[nodiscard]] bool isShown() const override { return isVisible(); }
    void showAdjuster() override;
    void setCaption(const QString& caption) override { setWindowTitle(caption); }
    void bindView(CArdaneView* view) override;
    [[nodiscard]] CArdaneView* boundView() const override { return view(); }

protected:
    void channelChanged() override;

private:
    // The slider came to rest at `position` (1..256).
    void sliderSettled(int position);
    void boxEdited(const QString& text);
    void levelClicked(int level);
    // Every entry of the table becomes the level; then the slider and the
    // box follow the level unless the dialog is updating its controls.
    void applyFlat();
    // Writes the box without it counting as typing.
    void showInBox(int value);
    void setSliderQuietly(int value);

    CFlatDisplay* m_display;
    QSlider* m_slider;
    QLineEdit* m_box;
    // Set while the dialog moves its own controls, so that the notifications
    // this causes are not taken for the user's.
    bool m_updating = false;
};

} // namespace ardane
