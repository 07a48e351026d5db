#pragma once
// The image view: one document's image shown by its display control at the
// margin, scrolled, zoomed from 100 to 800 percent; it loads the image when
// first shown and saves it for its document.

#include "view/CImagingCtrl.h"
#include "view/ViewHost.h"
#include "core/CommandMap.h"
#include "doc/CArdaneDoc.h"

#include <QAbstractScrollArea>

#include <cstdint>
#include <vector>

namespace ardane {

class CArdaneView : public QAbstractScrollArea, public doc::DocumentImage {
    Q_OBJECT
public:
    static constexpr int kDisplayId = 100;
    static constexpr int kMinZoom = 100;
    static constexpr int kMaxZoom = 800;

    CArdaneView(ViewHost& host, doc::CArdaneDoc& document, QWidget* parent = nullptr);
    ~CArdaneView() override;

    // Creates the controls and reads or creates the image.
    void OnInitialUpdate();

    [[nodiscard]] doc::CArdaneDoc& document() const { return m_doc; }
    [[nodiscard]] CommandMap& commands() { return m_commands; }
    [[nodiscard]] bool hasNoImage() const { return m_noImage; }
    [[nodiscard]] CImagingCtrl* displayControl() const { return m_display; }
    [[nodiscard]] imaging::ImagingControl& image() { return m_display->control(); }
    [[nodiscard]] const imaging::ImagingControl& image() const { return m_display->control(); }
    [[nodiscard]] bool isLayered() const { return m_layered; }

    [[nodiscard]] int zoom() const { return m_zoom; }
    void SetZoom(int zoom);
    [[nodiscard]] QRect zoomRect() const { return m_zoomRect; }
    // Total scroll size: the shown image and the margin on both sides.
    [[nodiscard]] QSize totalSize() const;
    [[nodiscard]] QSize sizeHint() const override { return totalSize(); }
    void UpdateScrollSizes();
    void toggleMargin();
    // The margin was switched on (delta > 0) or off: move the image and the selection.
    void applyMarginChange(int delta);

    // Selection points, packed as x in the low and y in the high 16 bits.
    [[nodiscard]] const std::vector<std::uint32_t>& selection() const { return m_selection; }
    void setSelection(std::vector<std::uint32_t> points) { m_selection = std::move(points); }
    [[nodiscard]] static std::uint32_t packPoint(int x, int y)
    {
        return std::uint32_t(std::uint16_t(x)) | (std::uint32_t(std::uint16_t(y)) << 16);
    }

    // Shows the whole image (or the zoom rectangle) again at the current zoom,
    // after the image itself changed size.
    void refitDisplay();

    // DocumentImage
    [[nodiscard]] bool hasImage() const override { return !m_noImage && image().HasImage(); }
    [[nodiscard]] int bitsPerPixel() const override { return m_noImage ? 0 : image().BitsPerPixel(); }
    [[nodiscard]] bool saveImage(bool withDialog) override;
    [[nodiscard]] bool convertColorDepth(int bits, int paletteOption, int ditherOption) override;

    // Status figures.
    [[nodiscard]] std::int64_t memorySize() const;
    [[nodiscard]] QString compression() const;

signals:
    void displayPressed(const QPoint& viewPos, Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void registerCommands();
    void loadFailure(imaging::Result code);
    void placeDisplay();
    void updateScrollBars();
    void setDisplayDither(int mode);
    void setDisplayPalette(int mode);
    void zoomCommand(int id, int target);

    ViewHost& m_host;
    doc::CArdaneDoc& m_doc;
    CommandMap m_commands;
    CImagingCtrl* m_display = nullptr;     // owned by the viewport
    bool m_noImage = false;
    bool m_layered = false;
    int m_zoom = 100;
    QRect m_zoomRect;
    std::vector<std::uint32_t> m_selection;
    std::vector<std::uint32_t> m_savedSelection;
};

// The bounding box of packed selection points (right and bottom exclusive of
// the last point, as the zoom uses it).
[[nodiscard]] QRect selectionBounds(const std::vector<std::uint32_t>& points);

} // namespace ardane
