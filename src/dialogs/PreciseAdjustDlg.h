#pragma once
// "Precise Adjustment": chosen source levels of one channel mapped onto
// chosen destination levels. Levels are marked by dragging across a bar or
// by picking a colour from the image.

#include "dialogs/AdjustDialogBase.h"
#include "view/Adjusters.h"

#include <QWidget>

#include <array>

class QRadioButton;

namespace ardane {

// A histogram bar whose levels can be marked, with the level each level is
// mapped from.
class CIntensityBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 264;
    static constexpr int kHeight = 96;

    explicit CIntensityBar(QWidget* parent = nullptr);

    // top = 2, left = (width - 256) / 2, right = left + 256, bottom =
    // height - 4 (QRect's right() and bottom() are these edges).
    [[nodiscard]] QRect plotRect() const;
    // bottom - top: the height of a level with every pixel.
    [[nodiscard]] int fullHeight() const;

    [[nodiscard]] bool isMarked(int level) const;
    [[nodiscard]] bool hasMarks() const;
    // Levels outside 0..255 are ignored.
    void mark(int level);
    void clearMarks();

    // The level this level is mapped from; initially the identity.
    [[nodiscard]] const std::array<int, 256>& map() const { return m_map; }
    void setMapEntry(int level, int source);
    void resetMap();

    [[nodiscard]] const adjust::Heights& heights() const { return m_heights; }
    void setHeights(const adjust::Heights& heights);
    void setHeight(int level, int height);

    [[nodiscard]] QSize sizeHint() const override { return {kWidth, kHeight}; }

signals:
    // The left button went down on the bar (a drag begins).
    void pressed();
    // The button was released after a press.
    void dragEnded();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::array<bool, 256> m_marks{};
    std::array<int, 256> m_map{};
    adjust::Heights m_heights = adjust::flatHeights();
    bool m_dragging = false;
    int m_pressLevel = 0;
};

class CPreciseAdjustDlg : public CAdjustDialogBase, public PreciseAdjuster {
    Q_OBJECT
public:
    explicit CPreciseAdjustDlg(imaging::ImagingControl& snapshot, QWidget* parent = nullptr);

    [[nodiscard]] CIntensityBar& sourceBar() const { return *m_source; }
    [[nodiscard]] CIntensityBar& destinationBar() const { return *m_destination; }
    [[nodiscard]] QRadioButton& sourceRadio() const { return *m_sourceRadio; }
    [[nodiscard]] QRadioButton& destinationRadio() const { return *m_destinationRadio; }
    [[nodiscard]] QPushButton& mapButton() const { return *m_map; }
    [[nodiscard]] QPushButton& applyButton() const { return *m_apply; }

    // PreciseAdjuster
    [[nodiscard]] bool isShown() const override { return isVisible(); }
    void showAdjuster() override;
    void setCaption(const QString& caption) override { setWindowTitle(caption); }
    void bindView(CArdaneView* view) override;
    [[nodiscard]] CArdaneView* boundView() const override { return view(); }
    void markColor(ColorRef colour) override;

protected:
    void channelChanged() override;
    // Hidden, the dialog lets its view go: it binds afresh when shown again.
    void hideEvent(QHideEvent* event) override;

private:
    [[nodiscard]] CIntensityBar& activeBar() const;
    void activate(bool source);
    // "Map Source To Destination" is usable while the active bar has marks.
    void updateMapButton();
    void reloadBars();
    void mapSourceToDestination();
    void apply();

    CIntensityBar* m_source;
    CIntensityBar* m_destination;
    QRadioButton* m_sourceRadio;
    QRadioButton* m_destinationRadio;
    QPushButton* m_map;
    QPushButton* m_apply;
};

} // namespace ardane
