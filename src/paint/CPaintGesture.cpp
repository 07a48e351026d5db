#include "paint/CPaintGesture.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>

namespace ardane::paint {

namespace {

constexpr int kSnapshotSide = 28;

[[nodiscard]] bool isStrokeKind(int kind)
{
    return !(kind >= PK_BLUR_SMALL && kind <= PK_COPYPASTE_LARGE);
}

[[nodiscard]] bool isCopyPasteKind(int kind) { return kind >= PK_COPYPASTE_SMALL && kind <= PK_COPYPASTE_LARGE; }

// A brush record entry: image grid y in the high 16 bits, x in the low 16
// bits, both signed.
[[nodiscard]] std::uint32_t packPoint(int u, int v)
{
    return (std::uint32_t(std::uint16_t(std::int16_t(v))) << 16) | std::uint32_t(std::uint16_t(std::int16_t(u)));
}

[[nodiscard]] int unpackX(std::uint32_t packed) { return std::int16_t(std::uint16_t(packed & 0xFFFFu)); }
[[nodiscard]] int unpackY(std::uint32_t packed) { return std::int16_t(std::uint16_t(packed >> 16)); }

// Rectangle [left, right) x [top, bottom) as a QRect.
[[nodiscard]] QRect spanRect(int left, int top, int right, int bottom)
{
    return QRect(left, top, right - left, bottom - top);
}

// The column (or row) a blur reads for position p of an image n pixels wide
// (or high). Before the first one the position is mirrored by its absolute
// value; beyond the last one it is mirrored about the last, so that n - 1 + k
// reads n - 1 - k. An image too small for either mirror is clamped to its
// edge, so every read lands on a real pixel.
[[nodiscard]] int mirrored(int p, int n)
{
    p = std::abs(p);
    if (p > n - 1)
        p = 2 * n - 2 - p;
    return std::clamp(p, 0, std::max(n - 1, 0));
}

} // namespace

std::array<ColorRef, 28 * 28>& areaSnapshot()
{
    static std::array<ColorRef, 28 * 28> snapshot{};
    return snapshot;
}

CPaintGesture::CPaintGesture(int kind, PaintTarget& target, const GestureSettings& settings, Clock clock)
    : m_kind(kind), m_target(target), m_settings(settings), m_clock(std::move(clock))
{
    // The zoom goes from 100 to 800 percent in steps of 100; anything else is
    // taken to the step at or below it, so the zoom factor is never 0.
    m_settings.zoom = std::clamp(m_settings.zoom, 100, 800) / 100 * 100;
    if (!m_clock)
        m_clock = [] { return std::uint32_t(std::time(nullptr)); };
}

CPaintGesture::~CPaintGesture()
{
    // A gesture dropped during a press still gives its canvases back.
    if (m_active)
        End();
}

int CPaintGesture::halfSize(int kind)
{
    switch (kind) {
    case PK_BLUR_SMALL:
    case PK_COPYPASTE_SMALL:
    case PK_SHUFFLE_SMALL:
        return 5;
    case PK_BLUR_MEDIUM:
    case PK_COPYPASTE_MEDIUM:
    case PK_SHUFFLE_MEDIUM:
        return 8;
    case PK_BLUR_LARGE:
    case PK_COPYPASTE_LARGE:
    case PK_SHUFFLE_LARGE:
        return 11;
    default:
        return 0;
    }
}

QRect CPaintGesture::GetAreaRect(int kind, int x, int y, int scale, const QRect* clip)
{
    const int half = halfSize(kind) * scale;
    int left = x - half, top = y - half, right = x + half, bottom = y + half;
    if (clip) {
        const int clipRight = clip->x() + clip->width();
        const int clipBottom = clip->y() + clip->height();
        if (left < 0)
            left = 0;
        else if (right > clipRight)
            right = clipRight;
        if (top < 0)
            top = 0;
        else if (bottom > clipBottom)
            bottom = clipBottom;
    }
    return spanRect(left, top, right, bottom);
}

bool CPaintGesture::octagonWrites(const QRect& area, int x, int y)
{
    const int left = area.left(), top = area.top();
    const int right = area.right() + 1, bottom = area.bottom() + 1;
    const int w = right - left, h = bottom - top;
    const int x1 = left + w / 3 - 1, x2 = right - w / 3;
    const int y1 = top + h / 3, y2 = bottom - h / 3;
    const bool cornerColumn = x < x1 || x > x2;
    const bool cornerRow = y < y1 || y > y2;
    if (!cornerColumn || !cornerRow)
        return true;
    const int ex = x < x1 ? x1 - x : x - x2;
    const int ey = y < y1 ? y - top : bottom - y;
    return ey >= ex;
}

QPoint CPaintGesture::imagePointOf(QPoint controlPoint) const
{
    const int z = zoomFactor();
    return {controlPoint.x() / z + m_settings.zoomOrigin.x(), controlPoint.y() / z + m_settings.zoomOrigin.y()};
}

// --- the press, the moves and the release ----------------------------------

void CPaintGesture::Begin(QPoint viewPoint)
{
    if (m_active)
        return;
    const QPoint point = m_target.viewToControl(viewPoint);
    m_currentX = point.x();
    m_currentY = point.y();
    if (m_kind >= PK_BLUR_SMALL && m_kind <= PK_BLUR_LARGE)
        BlurDab(point);
    else if (isCopyPasteKind(m_kind))
        CopyPasteArea(point);
    else
        Stroke(point);
}

void CPaintGesture::MouseMove(QPoint controlPoint)
{
    if (!m_active)
        return;
    const QRect client = m_target.controlRect();
    if (isCopyPasteKind(m_kind)) {
        // Clamped into the client rectangle, its right and bottom edge
        // values (one past the last pixel) included.
        m_copyLast = QPoint(std::clamp(controlPoint.x(), client.left(), client.left() + client.width()),
                            std::clamp(controlPoint.y(), client.top(), client.top() + client.height()));
        return;
    }
    // Moves outside the control are ignored: the next move inside joins the
    // last point inside by a straight segment.
    if (!client.contains(controlPoint))
        return;
    StepTo(*m_screen, *m_image, controlPoint);
    m_target.flushWindow();
}

void CPaintGesture::End()
{
    if (!m_active)
        return;
    if (isCopyPasteKind(m_kind))
        finishCopyPaste();
    else
        finishStroke();
    m_active = false;
}

// --- strokes ---------------------------------------------------------------

void CPaintGesture::Stroke(QPoint controlPoint)
{
    if (m_active || !isStrokeKind(m_kind))
        return;
    m_screen = &m_target.AcquireWindowDc();
    m_image = &m_target.AcquireImageDc();
    m_screenState.emplace(*m_screen);
    m_imageState.emplace(*m_image);
    // The brush draws its screen dabs in image grid units, each covering
    // z x z screen pixels.
    if (m_kind == PK_BRUSH)
        m_screen->setViewportExtent(m_settings.zoom);
    for (raster::Canvas* canvas : {m_screen, m_image}) {
        canvas->setRop2(m_settings.drawMode);
        canvas->setPen(m_settings.penColor);
        canvas->setBrush(m_settings.penColor);
    }
    m_active = true;
    StepTo(*m_screen, *m_image, controlPoint);
    m_target.flushWindow();
}

void CPaintGesture::finishStroke()
{
    if (m_kind == PK_BRUSH) {
        // The brush paints the image only now, every recorded point in order,
        // repeats included.
        for (const std::uint32_t packed : m_brushRecord)
            Plot(*m_image, unpackX(packed), unpackY(packed), true);
        m_brushRecord.clear();
    }
    m_screenState.reset();
    m_imageState.reset();
    m_target.ReleaseWindowDc();
    m_target.ReleaseImageDc();
    m_screen = nullptr;
    m_image = nullptr;
}

void CPaintGesture::StepTo(raster::Canvas& screen, raster::Canvas& image, QPoint controlPoint)
{
    const int cx = m_currentX, cy = m_currentY;
    const int px = controlPoint.x(), py = controlPoint.y();
    m_currentX = px;
    m_currentY = py;
    const int z = zoomFactor();
    const int dx = std::abs(px - cx), dy = std::abs(py - cy);
    const int sx = cx > px ? -1 : 1, sy = cy > py ? -1 : 1;
    int e = 0;

    const auto paint = [&](int x, int y) {
        Plot(screen, x / z, y / z, false);
        if (m_kind != PK_BRUSH)
            Plot(image, x / z, y / z, true);
    };

    // Every change of the minor coordinate paints an extra point, so the path
    // is 4-connected. A segment of length zero paints (cx, cy) and the point
    // below it.
    if (dy > dx) {
        int x = cx;
        for (int y = cy;; y += sy) {
            paint(x, y);
            if (e >= dy) {
                x += sx;
                paint(x, y);
                e -= dy;
            }
            e += dx;
            if (y == py)
                break;
        }
    } else {
        int y = cy;
        for (int x = cx;; x += sx) {
            paint(x, y);
            if (e >= dx) {
                y += sy;
                paint(x, y);
                e -= dx;
            }
            e += dy;
            if (x == px)
                break;
        }
    }
}

void CPaintGesture::Plot(raster::Canvas& canvas, int u, int v, bool toImage)
{
    // Repeats are skipped per target, so each image pixel is painted once
    // even though the pointer crosses z screen pixels for it. The brush
    // records every screen point and paints the image from the record
    // without skipping.
    if (toImage) {
        if (m_kind != PK_BRUSH) {
            if (u == m_lastImageX && v == m_lastImageY)
                return;
            m_lastImageX = u;
            m_lastImageY = v;
        }
    } else {
        if (m_kind == PK_BRUSH)
            m_brushRecord.push_back(packPoint(u, v));
        if (u == m_lastScreenX && v == m_lastScreenY)
            return;
        m_lastScreenX = u;
        m_lastScreenY = v;
    }

    const int x = toImage ? u + m_settings.zoomOrigin.x() : u;
    const int y = toImage ? v + m_settings.zoomOrigin.y() : v;
    switch (m_kind) {
    case PK_PEN:
        if (screenZoomed(toImage)) {
            const int z = zoomFactor();
            canvas.rectangle(u * z, v * z, u * z + z, v * z + z);
        } else {
            canvas.setPixel(x, y, m_settings.penColor);
        }
        break;
    case PK_BRUSH:
        DrawBrushDab(canvas, x, y, m_settings.brushStyle);
        break;
    case PK_SPRAY:
        DrawSprayDab(canvas, x, y, m_settings.sprayStyle, toImage);
        break;
    case PK_SHUFFLE_SMALL:
    case PK_SHUFFLE_MEDIUM:
    case PK_SHUFFLE_LARGE:
        ShuffleDab(canvas, x, y, toImage);
        break;
    default:
        break;
    }
}

void CPaintGesture::DrawBrushDab(raster::Canvas& canvas, int x, int y, int style)
{
    if (style >= 0 && style <= 3) {
        const int s = 3 * style + 3;
        const int l = x - s / 2, t = y - s / 2;
        canvas.rectangle(l, t, l + s, t + s);
    } else if (style >= 4 && style <= 7) {
        const int s = 3 * style - 9;
        const int l = x - s / 2, t = y - s / 2;
        canvas.ellipse(l, t, l + s, t + s);
    } else if (style >= 8 && style <= 11) {
        const int e = (3 * style - 21) / 2;
        canvas.line(x + e, y - e, x - e, y + e);
    } else if (style >= 12 && style <= 15) {
        const int e = (3 * style - 33) / 2;
        canvas.line(x - e, y - e, x + e, y + e);
    } else if (style >= 16 && style <= 19) {
        const int e = (3 * style - 45) / 2;
        canvas.line(x, y - e, x, y + e);
    }
}

void CPaintGesture::DrawSprayDab(raster::Canvas& canvas, int x, int y, int style, bool toImage)
{
    if (style < 0 || style > 11)
        return;
    const int s = style <= 3 ? 10 : style <= 7 ? 20 : 30;
    int n = 0;
    switch (style % 4) {
    case 0: n = 2 * s; break;
    case 1: n = 3 * s / 2; break;
    case 2: n = s; break;
    default: n = s / 2; break;
    }
    const bool zoomed = screenZoomed(toImage);
    const int z = zoomFactor();
    int side = s;
    if (zoomed) {
        x *= z;
        y *= z;
        side = s * z;
    }
    const int left = x - side / 2, top = y - side / 2;

    // Every dab starts the generator afresh from the clock, so the screen and
    // the image dab at one point get the same dots.
    m_random.seed(m_clock());
    for (int i = 0; i < n; ++i) {
        const int dotX = left + m_random.draw() % side;
        const int dotY = top + m_random.draw() % side;
        if (zoomed)
            canvas.rectangle(dotX, dotY, dotX + z, dotY + z);
        else
            canvas.setPixel(dotX, dotY, m_settings.penColor);
    }
}

// --- area effects ------------------------------------------------------------

void CPaintGesture::ShuffleDab(raster::Canvas& canvas, int x, int y, bool toImage)
{
    const int h = halfSize(m_kind);
    if (h == 0)
        return;
    const bool zoomed = screenZoomed(toImage);
    const int z = zoomFactor();
    if (zoomed) {
        x *= z;
        y *= z;
    }
    int left = x - h, top = y - h, right = x + h;
    if (zoomed) {
        const int grow = h * (m_settings.zoom / 200);
        left -= grow;
        top -= grow;
        right += grow;
    }
    const int w = right - left;
    int divisor = 2;
    switch (m_settings.shuffleDensity) {
    case 1: divisor = 32; break;
    case 2: divisor = 16; break;
    case 3: divisor = 8; break;
    case 4: divisor = 4; break;
    default: divisor = 2; break;
    }
    const int n = w * w / divisor;

    m_random.seed(m_clock());
    for (int i = 0; i < n; ++i) {
        const int x1 = left + m_random.draw() % w;
        const int y1 = top + m_random.draw() % w;
        const int x2 = left + m_random.draw() % w;
        const int y2 = top + m_random.draw() % w;
        const ColorRef c1 = canvas.pixel(x1, y1);
        const ColorRef c2 = canvas.pixel(x2, y2);
        // A position beyond the bitmap has no colour: such a swap is skipped
        // rather than spreading a made-up colour.
        if (c1 == raster::kInvalidColor || c2 == raster::kInvalidColor)
            continue;
        if (zoomed) {
            canvas.setPen(c2);
            canvas.setBrush(c2);
            canvas.rectangle(x1, y1, x1 + z, y1 + z);
            canvas.setPen(c1);
            canvas.setBrush(c1);
            canvas.rectangle(x2, y2, x2 + z, y2 + z);
        } else {
            canvas.setPixel(x2, y2, c1);
            canvas.setPixel(x1, y1, c2);
        }
    }
    if (zoomed) {
        canvas.setPen(m_settings.penColor);
        canvas.setBrush(m_settings.penColor);
    }
}

void CPaintGesture::BlurDab(QPoint controlPoint)
{
    const int h = halfSize(m_kind);
    if (h == 0 || m_active)
        return;
    const QPoint centre = imagePointOf(controlPoint);
    const int left = centre.x() - h, top = centre.y() - h;
    const int side = 2 * h;
    const int snapSide = side + 4;
    const bool circle = m_settings.areaShape == 4;
    const QRect area(left, top, side, side);

    raster::Canvas& image = m_target.AcquireImageDc();
    const QRect bounds = image.deviceBounds();
    const int width = bounds.x() + bounds.width();
    const int height = bounds.y() + bounds.height();
    auto& snapshot = areaSnapshot();
    if (width > 0 && height > 0) {
        // Columns left - 1 .. right + 2 and rows top - 2 .. bottom + 1.
        for (int i = 0; i < snapSide; ++i) {
            const int row = mirrored(top - 2 + i, height);
            ColorRef* out = snapshot.data() + i * kSnapshotSide;
            for (int j = 0; j < snapSide; ++j)
                out[j] = image.pixel(mirrored(left - 1 + j, width), row);
        }
        // Pixel (left + j, top + i) is the mean of snapshot columns j .. j + 3
        // and rows i .. i + 3 (image columns x - 1 .. x + 2, rows y - 2 .. y + 1).
        for (int i = 0; i < side; ++i) {
            const int y = top + i;
            if (y < 0 || y >= height)
                continue;
            for (int j = 0; j < side; ++j) {
                const int x = left + j;
                if (x < 0 || x >= width)
                    continue;
                if (circle && !octagonWrites(area, x, y))
                    continue;
                int r = 0, g = 0, b = 0;
                for (int k = 0; k < 4; ++k) {
                    const ColorRef* in = snapshot.data() + (i + k) * kSnapshotSide + j;
                    for (int m = 0; m < 4; ++m) {
                        r += colorRefRed(in[m]);
                        g += colorRefGreen(in[m]);
                        b += colorRefBlue(in[m]);
                    }
                }
                image.setPixel(x, y, makeColorRef(r / 16, g / 16, b / 16));
            }
        }
    }
    m_target.ReleaseImageDc();
    repaintAreaAround(controlPoint);
}

void CPaintGesture::CopyPasteArea(QPoint controlPoint)
{
    if (m_active || !isCopyPasteKind(m_kind))
        return;
    m_image = &m_target.AcquireImageDc();
    const QRect bounds = m_image->deviceBounds();
    const QRect imageRect(0, 0, bounds.x() + bounds.width(), bounds.y() + bounds.height());
    const QPoint source = imagePointOf(controlPoint);
    const QRect area = GetAreaRect(m_kind, source.x(), source.y(), 1, &imageRect);
    // The area is at most 22 x 22; a source clipped on its left or top only
    // is narrower still.
    m_copySize = QSize(std::clamp(area.width(), 0, kSnapshotSide), std::clamp(area.height(), 0, kSnapshotSide));
    auto& snapshot = areaSnapshot();
    for (int i = 0; i < m_copySize.height(); ++i) {
        ColorRef* out = snapshot.data() + i * kSnapshotSide;
        for (int j = 0; j < m_copySize.width(); ++j)
            out[j] = m_image->pixel(area.left() + j, area.top() + i);
    }
    m_copyLast = controlPoint;
    m_active = true;
}

void CPaintGesture::finishCopyPaste()
{
    const QPoint dest = imagePointOf(m_copyLast);
    const QRect area = GetAreaRect(m_kind, dest.x(), dest.y(), 1, nullptr);
    const bool circle = m_settings.areaShape == 4;
    const auto& snapshot = areaSnapshot();
    for (int i = 0; i < m_copySize.height(); ++i) {
        const ColorRef* in = snapshot.data() + i * kSnapshotSide;
        const int y = area.top() + i;
        for (int j = 0; j < m_copySize.width(); ++j) {
            const int x = area.left() + j;
            // A source pixel beyond the image (an image narrower than the
            // area) has no colour to copy.
            if (in[j] == raster::kInvalidColor)
                continue;
            if (circle && !octagonWrites(area, x, y))
                continue;
            m_image->setPixel(x, y, in[j]);
        }
    }
    m_target.ReleaseImageDc();
    m_image = nullptr;
    repaintAreaAround(m_copyLast);
}

void CPaintGesture::repaintAreaAround(QPoint controlPoint)
{
    const int z = zoomFactor();
    const int cx = controlPoint.x() / z * z, cy = controlPoint.y() / z * z;
    const QRect screenArea = GetAreaRect(m_kind, cx, cy, z, nullptr);
    m_target.repaintControlRect(screenArea.adjusted(-2, -2, 2, 2));
}

} // namespace ardane::paint
