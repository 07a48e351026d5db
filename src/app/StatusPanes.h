#pragma once
// The five information panes of the status bar: bits per pixel, size in
// pixels, printed size, memory size, and zoom with compression.

#include <QObject>
#include <QString>

#include <array>
#include <cstdint>

class QLabel;
class QStatusBar;

namespace ardane {

struct StatusFigures {
    int bitsPerPixel = 0;
    int width = 0;
    int height = 0;
    int xResolution = 100; // print resolution, dots per inch
    int yResolution = 100;
    std::int64_t memorySize = 0; // bytes
    int zoom = 100;
    QString compression;
};

// The pane texts, in pane order (1 to 5).
[[nodiscard]] std::array<QString, 5> statusTexts(const StatusFigures& figures);
// The captions the panes show without an image.
[[nodiscard]] std::array<QString, 5> statusCaptions();

class StatusPanes : public QObject {
    Q_OBJECT
public:
    explicit StatusPanes(QStatusBar* bar);

    void show(const StatusFigures& figures);
    void reset();
    [[nodiscard]] QString text(int pane) const; // pane 1..5

private:
    void setTexts(const std::array<QString, 5>& texts);
    std::array<QLabel*, 5> m_panes{};
};

} // namespace ardane
