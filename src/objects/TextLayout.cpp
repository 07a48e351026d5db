#include "objects/TextLayout.h"

#include <algorithm>
#include <cmath>

namespace ardane::objects {

namespace {

constexpr int kTabSpaces = 16;

struct Vec {
    double x = 0, y = 0;
};

[[nodiscard]] Vec toVec(QPoint p) { return {double(p.x()), double(p.y())}; }
[[nodiscard]] double length(Vec v) { return std::hypot(v.x, v.y); }

// Nearest pixel; halves go up so that a shifted layout shifts by whole pixels.
[[nodiscard]] int roundPixel(double v) { return int(std::floor(v + 0.5)); }
[[nodiscard]] QPoint toPoint(Vec v) { return QPoint(roundPixel(v.x), roundPixel(v.y)); }

[[nodiscard]] bool isLineEnd(QChar c) { return c == u'\r' || c == u'\n'; }

// Length in UTF-16 units of the character at i (a surrogate pair is one).
[[nodiscard]] qsizetype charLength(const QString& text, qsizetype i)
{
    if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
        return 2;
    return 1;
}

} // namespace

WrappedLine WrapLine(const QFontMetrics& metrics, const QString& text, qsizetype start, int width)
{
    const qsizetype n = text.size();
    const int usable = width - metrics.horizontalAdvance(QLatin1Char('C'));
    const int spaceWidth = metrics.horizontalAdvance(QLatin1Char(' '));
    WrappedLine line;
    int used = 0;
    qsizetype lastSpace = -1;     // index in text of the last space after the start
    qsizetype outAfterSpace = 0;  // length of the output up to and including it
    qsizetype i = start;
    while (i < n) {
        const QChar c = text.at(i);
        if (isLineEnd(c)) {
            line.next = (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n') ? i + 2 : i + 1;
            return line;
        }
        const qsizetype len = charLength(text, i);
        const int advance = c == u'\t' ? kTabSpaces * spaceWidth : metrics.horizontalAdvance(text.mid(i, len));
        if (i > start && used + advance > usable) {
            qsizetype cut = i;
            if (lastSpace > start) {
                cut = lastSpace + 1;
                line.text.truncate(outAfterSpace);
            }
            if (cut + 1 < n && text.at(cut) == u'\r' && text.at(cut + 1) == u'\n')
                cut += 2;
            line.next = cut;
            return line;
        }
        used += advance;
        if (c == u'\t')
            line.text.append(QString(kTabSpaces, QLatin1Char(' ')));
        else
            line.text.append(text.mid(i, len));
        if (c == u' ') {
            lastSpace = i;
            outAfterSpace = line.text.size();
        }
        i += len;
    }
    line.next = n;
    return line;
}

int countWrappedLines(const QFontMetrics& metrics, const QString& text, int width)
{
    int lines = 0;
    for (qsizetype start = 0; start < text.size(); ++lines)
        start = WrapLine(metrics, text, start, width).next;
    return lines;
}

std::vector<TextPlacement> LayoutStraightText(const QFontMetrics& metrics, int charHeight, double angle,
                                              const QString& text, const ObjPoints& corners)
{
    const Vec p0 = toVec(corners[0]), p1 = toVec(corners[1]), p2 = toVec(corners[2]), p3 = toVec(corners[3]);
    const Vec topEdge{p1.x - p0.x, p1.y - p0.y};
    const Vec bottomEdge{p2.x - p3.x, p2.y - p3.y};
    const double topLength = length(topEdge);
    const double bottomLength = length(bottomEdge);
    const int w = int(topLength);
    const int h = int(length(Vec{p3.x - p0.x, p3.y - p0.y}));

    const Vec along = topLength > 0 ? Vec{topEdge.x / topLength, topEdge.y / topLength} : Vec{1, 0};
    const Vec alongBottom = bottomLength > 0 ? Vec{bottomEdge.x / bottomLength, bottomEdge.y / bottomLength} : along;
    const double topShift = topLength / 2 - 2;
    const double bottomShift = bottomLength / 2 - 2;
    const Vec topRef{p0.x + along.x * topShift, p0.y + along.y * topShift};
    const Vec bottomRef{p3.x + alongBottom.x * bottomShift, p3.y + alongBottom.y * bottomShift};
    const Vec toBottom{bottomRef.x - topRef.x, bottomRef.y - topRef.y};
    const double downLength = length(toBottom);
    // Without a height the lines still go "down" the turned box.
    const Vec down = downLength > 0 ? Vec{toBottom.x / downLength, toBottom.y / downLength} : Vec{-along.y, along.x};

    const int lines = countWrappedLines(metrics, text, w);
    const int c = std::max(0, (h - lines * charHeight) / 2);
    Vec ref = topRef;
    if (c > 0) {
        const double first = c + charHeight;
        ref = Vec{topRef.x + down.x * first, topRef.y + down.y * first};
    }

    std::vector<TextPlacement> out;
    out.reserve(std::size_t(lines));
    for (qsizetype start = 0; start < text.size();) {
        WrappedLine line = WrapLine(metrics, text, start, w);
        start = line.next;
        out.push_back(TextPlacement{std::move(line.text), toPoint(ref), angle, TextAnchor::BaselineCentre});
        ref.x += down.x * charHeight;
        ref.y += down.y * charHeight;
    }
    return out;
}

namespace {

[[nodiscard]] QString withoutLineEnds(const QString& text)
{
    QString s = text;
    for (QChar& c : s)
        if (isLineEnd(c))
            c = QLatin1Char(' ');
    return s;
}

} // namespace

CurveGeometry curveGeometry(const QFontMetrics& metrics, const QString& text, const ObjPoints& corners, int layout,
                            int charHeight, int pointSize)
{
    const Box b = boundingBox(corners);
    const int hw = b.width() / 2;
    const int hh = b.height() / 2;
    CurveGeometry g;
    g.centre = QPoint(b.left + hw, b.top + hh);
    const double textWidth =
        double(metrics.horizontalAdvance(withoutLineEnds(text))) + metrics.horizontalAdvance(QLatin1Char(' '));
    double r = 0;
    switch (layout) {
    case kLayoutCircle: r = textWidth * 0.15915494; break;
    case kLayoutHalfCircle: r = textWidth * 0.31830987; break;
    default: r = std::min(hw, hh) - charHeight / 2.0; break;
    }
    r = std::max(0.0, r);
    g.radius = std::max(1, int(r) - (pointSize > 10 ? 2 : 1));
    return g;
}

std::vector<TextPlacement> LayoutCurvedText(const QFontMetrics& metrics, int charHeight, int pointSize,
                                            const QString& text, const ObjPoints& corners, int layout,
                                            int startAngle, bool clockwise)
{
    constexpr double kDegreesPerRadian = 180.0 / 3.14159265358979323846;
    const CurveGeometry g = curveGeometry(metrics, text, corners, layout, charHeight, pointSize);
    const int cx = g.centre.x(), cy = g.centre.y();
    const double r = g.radius;
    const QString s = withoutLineEnds(text);

    // The first character's point and the turn of its baseline.
    QPoint point;
    double o = 0;
    switch (startAngle) {
    case 0:
        point = QPoint(cx + g.radius, cy);
        o = clockwise ? -90 : 90;
        break;
    case 90:
        point = QPoint(cx, cy - g.radius);
        o = clockwise ? 0 : 180;
        break;
    case 180:
        point = QPoint(cx - g.radius, cy);
        o = clockwise ? 90 : -90;
        break;
    default: // 270
        point = QPoint(cx, cy + g.radius);
        o = clockwise ? -180 : 0;
        break;
    }
    // Characters lean a little into the direction of travel.
    const double tilt = clockwise ? -5 : 10;

    qsizetype count = 0;
    for (qsizetype i = 0; i < s.size(); i += charLength(s, i))
        ++count;
    const int extra = (clockwise && count <= 10) ? 1 : 0;

    std::vector<TextPlacement> out;
    out.reserve(std::size_t(count));
    double q = 0;
    for (qsizetype i = 0; i < s.size();) {
        const qsizetype len = charLength(s, i);
        QString ch = s.mid(i, len);
        i += len;

        // Half a character height toward the centre (away from it clockwise),
        // so that the cell straddles the circle.
        const double ux = cx - point.x(), uy = cy - point.y();
        const double d = std::hypot(ux, uy);
        QPoint ref = point;
        if (d > 0) {
            const double shift = (clockwise ? -charHeight : charHeight) / 2.0;
            ref = QPoint(roundPixel(point.x() + ux / d * shift), roundPixel(point.y() + uy / d * shift));
        }
        const int w = metrics.horizontalAdvance(ch) + extra;
        out.push_back(TextPlacement{std::move(ch), ref, tilt + o, TextAnchor::TopLeft});

        const double step = std::atan2(double(w), r);
        if (clockwise) {
            q += step;
            o -= step * kDegreesPerRadian;
        } else {
            q -= step;
            o += step * kDegreesPerRadian;
        }
        const int c = int(std::lround(std::cos(q) * r));
        const int sn = int(std::lround(std::sin(q) * r));
        switch (startAngle) {
        case 0: point = QPoint(cx + c, cy + sn); break;
        case 90: point = QPoint(cx + sn, cy - c); break;
        case 180: point = QPoint(cx - c, cy - sn); break;
        default: point = QPoint(cx - sn, cy + c); break;
        }
    }
    return out;
}

} // namespace ardane::objects
