#include "objects/TextRender.h"

#include "objects/CTextObj.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace ardane::objects {

namespace {

// True when the bytes are well-formed UTF-8 (no overlong forms, no
// surrogates, nothing past U+10FFFF); `multiByte` tells whether any
// sequence is longer than one byte.
bool isUtf8(std::string_view bytes, bool& multiByte)
{
    multiByte = false;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        std::size_t len = 0;
        char32_t cp = 0;
        char32_t min = 0;
        if ((b & 0xE0) == 0xC0) {
            len = 2;
            cp = b & 0x1F;
            min = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            len = 3;
            cp = b & 0x0F;
            min = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            len = 4;
            cp = b & 0x07;
            min = 0x10000;
        } else {
            return false;
        }
        if (n - i < len)
            return false;
        for (std::size_t k = 1; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        multiByte = true;
        i += len;
    }
    return true;
}

// The smallest rectangle holding the set pixels of a mask, empty when none.
QRect coveredRect(const QImage& mask)
{
    int left = mask.width(), right = -1, top = -1, bottom = -1;
    for (int y = 0; y < mask.height(); ++y) {
        const uchar* row = mask.constScanLine(y);
        int first = -1, last = -1;
        for (int x = 0; x < mask.width(); ++x) {
            if (row[x] >= 128) {
                if (first < 0)
                    first = x;
                last = x;
            }
        }
        if (first < 0)
            continue;
        if (top < 0)
            top = y;
        bottom = y;
        left = std::min(left, first);
        right = std::max(right, last);
    }
    if (top < 0)
        return {};
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace

std::string encodeTextBytes(const QString& text)
{
    const bool latin1 = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; });
    const QByteArray bytes = latin1 ? text.toLatin1() : text.toUtf8();
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}

QString decodeTextBytes(std::string_view bytes)
{
    bool multiByte = false;
    if (isUtf8(bytes, multiByte) && multiByte)
        return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

QString faceNameOf(const TextFontRecord& record)
{
    const auto end = std::find(record.faceName.begin(), record.faceName.end(), '\0');
    return decodeTextBytes(std::string_view(record.faceName.data(), std::size_t(end - record.faceName.begin())));
}

std::optional<QFont> makeFont(const TextFontRecord& record)
{
    const QString face = faceNameOf(record);
    if (face.isEmpty() || record.pixelHeight <= 0)
        return std::nullopt;
    QFont font(face);
    font.setPixelSize(record.pixelHeight);
    font.setWeight(record.bold != 0 ? QFont::Bold : QFont::Normal);
    font.setItalic((record.italic & 0xFF) != 0);
    font.setUnderline((record.underline & 0xFF) != 0);
    // Whole pixels only, and glyphs measured one by one add up to the string.
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::PreferOutline));
    font.setKerning(false);
    // The family nibble names the kind of face to fall back on.
    switch (record.pitchAndFamily >> 4) {
    case 1: font.setStyleHint(QFont::Serif, font.styleStrategy()); break;
    case 2: font.setStyleHint(QFont::SansSerif, font.styleStrategy()); break;
    case 3: font.setStyleHint(QFont::Monospace, font.styleStrategy()); break;
    case 4: font.setStyleHint(QFont::Cursive, font.styleStrategy()); break;
    case 5: font.setStyleHint(QFont::Decorative, font.styleStrategy()); break;
    default: break;
    }
    if ((record.pitchAndFamily & 0x03) == 1)
        font.setFixedPitch(true);
    return font;
}

std::optional<TextStamp> rasterise(const QFont& font, const TextPlacement& placement, const QRect& clip)
{
    if (placement.text.isEmpty() || clip.isEmpty())
        return std::nullopt;
    if (placement.text.trimmed().isEmpty() && !font.underline())
        return std::nullopt; // blanks leave no pixels
    const QFontMetricsF metrics(font);
    const double w = metrics.horizontalAdvance(placement.text);
    const double ascent = metrics.ascent();
    const double descent = metrics.descent();
    const bool centred = placement.anchor == TextAnchor::BaselineCentre;
    QRectF local = centred ? QRectF(-w / 2, -ascent, w, ascent + descent) : QRectF(0, 0, w, ascent + descent);
    // Room for slanted and overhanging glyphs and the underline.
    const double margin = std::max(2.0, font.pixelSize() * 0.5 + 2);
    local.adjust(-margin, -margin, margin, margin);

    QTransform turn;
    turn.translate(placement.ref.x(), placement.ref.y());
    turn.rotate(-placement.angle); // counter-clockwise on the screen
    const QRect area = turn.mapRect(local).toAlignedRect() & clip;
    if (area.isEmpty())
        return std::nullopt;

    QImage mask(area.size(), QImage::Format_Alpha8);
    if (mask.isNull())
        return std::nullopt;
    mask.fill(0);
    {
        QPainter painter(&mask);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        painter.setPen(QColor(0, 0, 0, 255));
        painter.setFont(font);
        painter.setTransform(turn * QTransform::fromTranslate(-area.left(), -area.top()));
        painter.drawText(QPointF(centred ? -w / 2 : 0, centred ? 0 : ascent), placement.text);
    }
    const QRect covered = coveredRect(mask);
    if (covered.isEmpty())
        return std::nullopt;
    return TextStamp{mask.copy(covered), area.topLeft() + covered.topLeft()};
}

} // namespace ardane::objects
