#pragma once
// Printed pages as pixels: a PDF page rendered by pdftoppm, and the box of
// the pixels of one colour on it.

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QStandardPaths>

#include <cstdlib>
#include <functional>

namespace ardane::test {

[[nodiscard]] inline bool hasPdfRenderer()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty();
}

// The first page of a PDF at `dpi` (null when it cannot be rendered).
[[nodiscard]] inline QImage renderPdfPage(const QString& pdf, int dpi)
{
    const QString prefix = pdf + QStringLiteral(".page");
    QProcess p;
    p.start(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"), QStringLiteral("-singlefile"), pdf, prefix});
    if (!p.waitForFinished(120000) || p.exitCode() != 0)
        return {};
    return QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

[[nodiscard]] inline bool nearColour(QRgb a, QRgb b, int tolerance = 48)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
        && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// The smallest rectangle holding every pixel that matches.
[[nodiscard]] inline QRect boxOf(const QImage& page, const std::function<bool(QRgb)>& match)
{
    QRect box;
    for (int y = 0; y < page.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(page.constScanLine(y));
        for (int x = 0; x < page.width(); ++x)
            if (match(row[x]))
                box |= QRect(x, y, 1, 1);
    }
    return box;
}

[[nodiscard]] inline QRect boxOfColour(const QImage& page, QRgb colour)
{
    return boxOf(page, [colour](QRgb c) { return nearColour(c, colour); });
}

// Whether every edge of `actual` lies within `slack` pixels of `expected`'s.
[[nodiscard]] inline bool sameBox(const QRect& actual, const QRect& expected, int slack = 1)
{
    return std::abs(actual.left() - expected.left()) <= slack && std::abs(actual.top() - expected.top()) <= slack
        && std::abs(actual.right() - expected.right()) <= slack
        && std::abs(actual.bottom() - expected.bottom()) <= slack;
}

// Pixels outside `box` (grown by `slack`) that are not white.
[[nodiscard]] inline int marksOutside(const QImage& page, const QRect& box, int slack = 1)
{
    const QRect grown = box.adjusted(-slack, -slack, slack, slack);
    int marks = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (!grown.contains(x, y) && !nearColour(page.pixel(x, y), qRgb(255, 255, 255), 8))
                ++marks;
    return marks;
}

} // namespace ardane::test
