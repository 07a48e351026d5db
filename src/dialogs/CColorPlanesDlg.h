#pragma once
// "Color Planes": the previews of a colour separation. One button shows the
// whole image and one each plane; the selected one is what the view shows
// and edits. "Merge" recombines the planes into a new whole image, "Close"
// ends the separation with the whole image back in the view. One dialog per
// separation; it deletes itself when closed.

#include "core/Color.h"
#include "imaging/Bitmap.h"
#include "view/Adjusters.h"

#include <QAbstractButton>
#include <QDialog>
#include <QImage>
#include <QPointer>
#include <QWidget>

#include <array>
#include <span>
#include <string_view>

class QGroupBox;
class QPushButton;

namespace ardane {

// The label texts of a separation type (0 RGB, 1 CMYK, 2 HSV, 3 HLS, 4 CMY):
// the model's name, then its planes in button order. A type outside 0..4
// reads as RGB.
[[nodiscard]] std::span<const std::string_view> planeLabelTexts(int separationType);

// A preview button: the whole image (plane index 10) or one plane (0..3) of
// the owning view's separation, drawn scaled into the button, sunken when
// selected.
class CPlaneButton : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr int kWholeImage = 10;
    static constexpr int kPreviewSize = 72;

    CPlaneButton(CArdaneView& view, int planeIndex, const QString& name, QWidget* parent);

    [[nodiscard]] int planeIndex() const { return m_plane; }
    [[nodiscard]] bool isSelected() const { return m_selected; }
    void setSelected(bool selected);
    // The bitmap the button stands for: the whole image or its plane.
    [[nodiscard]] imaging::Bitmap bitmap() const;
    // A selected button puts its bitmap into the view; either way the
    // preview is repainted.
    void refresh();

    [[nodiscard]] QSize sizeHint() const override { return {kPreviewSize, kPreviewSize}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    [[nodiscard]] const QImage& scaled(const QImage& source, const QSize& size);

    QPointer<CArdaneView> m_view;
    int m_plane;
    bool m_selected = false;
    // The last preview drawn, kept while the source and the size stay.
    QImage m_cache;
    qint64 m_cacheKey = 0;
};

// A label under a preview: its text centred over a fill colour.
class CColorLabel : public QWidget {
    Q_OBJECT
public:
    static constexpr ColorRef kSelectedFill = makeColorRef(128, 0, 0);
    static constexpr ColorRef kWhite = makeColorRef(255, 255, 255);
    static constexpr ColorRef kBlack = makeColorRef(0, 0, 0);

    explicit CColorLabel(QWidget* parent);

    void setText(const QString& text);
    [[nodiscard]] QString text() const { return m_text; }
    void setColors(ColorRef fill, ColorRef text);
    [[nodiscard]] ColorRef fillColor() const { return m_fill; }
    [[nodiscard]] ColorRef textColor() const { return m_textColour; }

    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    ColorRef m_fill = kWhite;
    ColorRef m_textColour = kBlack;
};

class CColorPlanesDlg : public QDialog, public PlanesPanel {
    Q_OBJECT
public:
    static constexpr int kMaxButtons = 5;

    // Opens on the view's current separation: the caption is the document's
    // title and "Plane 0" is selected, so the view shows the first plane.
    explicit CColorPlanesDlg(CArdaneView& view, QWidget* parent = nullptr);
    ~CColorPlanesDlg() override;

    // PlanesPanel
    [[nodiscard]] int selectedButton() const override;
    [[nodiscard]] int buttonCount() const override { return m_count; }
    void repaintSelectedPreview() override;
    void closePanel() override { close(); }

    // Selects button k (0 "Planes", 1..4 the planes) unless it already is.
    void selectButton(int k);
    void merge();

    [[nodiscard]] CPlaneButton* button(int k) const { return m_buttons.at(std::size_t(k)); }
    [[nodiscard]] CColorLabel* label(int k) const { return m_labels.at(std::size_t(k)); }
    [[nodiscard]] QPushButton* mergeButton() const { return m_merge; }
    [[nodiscard]] QPushButton* closeButton() const { return m_close; }
    [[nodiscard]] QGroupBox* separationBox() const { return m_group; }

    // Escape closes as "Close" does.
    void reject() override { close(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Ends the separation: the whole image back into the view, both hidden
    // controls emptied, the view told. Runs once.
    void finish();

    QPointer<CArdaneView> m_view;
    int m_type;
    int m_count;
    bool m_finished = false;
    std::array<CPlaneButton*, kMaxButtons> m_buttons{};
    std::array<CColorLabel*, kMaxButtons> m_labels{};
    QGroupBox* m_group;
    QPushButton* m_merge;
    QPushButton* m_close;
};

} // namespace ardane
