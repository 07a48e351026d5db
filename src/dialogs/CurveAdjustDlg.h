#pragma once
// "Curve Adjustment": the intensities of one channel remapped through a
// smooth curve the user shapes by clicking control points into a plot over
// the channel's histogram.

#include "dialogs/AdjustDialogBase.h"
#include "view/Adjusters.h"

#include <QPoint>
#include <QRect>
#include <QWidget>

#include <array>
#include <vector>

namespace ardane {

// The plot: input levels left to right, output levels upwards. Control
// points are kept sorted by x; a click adds one, only a reset removes them.
class CCurveEditor : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 264;
    static constexpr int kHeight = 268;
    // The plot's height in pixels: its top edge lies this far above its bottom.
    static constexpr int kPlotHeight = 257;

    explicit CCurveEditor(QWidget* parent = nullptr);

    // left = (width - 256) / 2, right = left + 255, bottom = height - 4,
    // top = height - 261 (QRect's right() and bottom() are these edges).
    [[nodiscard]] QRect plotRect() const;

    // Back to the two end points (left, bottom) and (right, top), with the
    // identity table they stand for.
    void resetCurve();
    // Adds a point as a click there does: after the first pair of points
    // whose x range holds x. False (nothing changes) outside the plot.
    bool addPoint(const QPoint& point);

    [[nodiscard]] const std::vector<QPoint>& points() const { return m_points; }
    [[nodiscard]] const std::vector<QPoint>& samples() const { return m_samples; }
    // Output level per input level. It is rebuilt from the samples whenever
    // a point is added; the two end points alone hold the identity.
    [[nodiscard]] const std::array<int, 256>& remapTable() const { return m_table; }

    void setHeights(const adjust::Heights& heights);
    [[nodiscard]] const adjust::Heights& heights() const { return m_heights; }

    [[nodiscard]] QSize sizeHint() const override { return {kWidth, kHeight}; }

signals:
    // A click added a point; the table already includes it.
    void pointAdded();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void curveChanged();

    std::vector<QPoint> m_points;
    std::vector<QPoint> m_samples;
    std::array<int, 256> m_table{};
    adjust::Heights m_heights = adjust::flatHeights();
};

class CCurveAdjustDlg : public CAdjustDialogBase, public ModelessAdjuster {
    Q_OBJECT
public:
    explicit CCurveAdjustDlg(imaging::ImagingControl& snapshot, QWidget* parent = nullptr);

    [[nodiscard]] CCurveEditor& editor() const { return *m_editor; }
    [[nodiscard]] QPushButton& resetButton() const { return *m_reset; }

    // ModelessAdjuster
    [[nodiscard]] bool isShown() const override { return isVisible(); }
    void showAdjuster() override;
    void setCaption(const QString& caption) override { setWindowTitle(caption); }
    void bindView(CArdaneView* view) override;
    [[nodiscard]] CArdaneView* boundView() const override { return view(); }

protected:
    void channelChanged() override;

private:
    // Histogram reloaded, curve reset, a new snapshot; the image unchanged.
    void reload();
    void applyCurve();

    CCurveEditor* m_editor;
    QPushButton* m_reset;
};

} // namespace ardane
