// The painting tools as the user drives them: mouse events delivered to the
// display control of a real view over a 24-megapixel image, the window's
// repaints included. Prints, for a pen stroke of 10,000 moves and a brush
// stroke (style 3) of 2,000 moves at 100 % and 800 %, the mean and worst time
// per move; the time of the undo snapshot taken at the press against one
// plain copy of the pixels; and the flood fill of a 12-megapixel region.
//
// Moves arrive as a mouse delivers them, a pixel or two apart, and the event
// loop runs after every 16 moves (a 1 kHz mouse on a 60 Hz screen), so the
// repaints of the feedback are part of the figures.

#include "FakeHost.h"
#include "core/CommandIds.h"
#include "view/CArdaneView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <ctime>
#include <vector>

using namespace ardane;

namespace {

struct Figures {
    double mean = 0;      // wall time
    double worst = 0;     // wall time
    double worstCpu = 0;  // processor time of this thread, which other work on the machine cannot inflate
};

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

void send(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(p), QPointF(w->mapToGlobal(p)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// A zigzag over the visible part of the control, one or two pixels per move.
std::vector<QPoint> path(int moves, QSize area)
{
    std::vector<QPoint> points;
    points.reserve(std::size_t(moves));
    int x = 10, y = 10, dx = 2, dy = 1;
    for (int i = 0; i < moves; ++i) {
        x += dx;
        y += (i % 3 == 0) ? dy : 0;
        if (x < 10 || x > area.width() - 10)
            dx = -dx;
        if (y < 10 || y > area.height() - 10)
            dy = -dy;
        points.emplace_back(x, y);
    }
    return points;
}

Figures stroke(CArdaneView& view, test::FakeHost& host, int tool, int moves)
{
    host.tool = tool;
    QWidget* control = view.displayControl();
    const QSize visible = control->visibleRegion().boundingRect().size().boundedTo(view.viewport()->size());
    const std::vector<QPoint> points = path(moves, visible);
    send(control, QEvent::MouseButtonPress, points.front(), Qt::LeftButton, Qt::LeftButton);
    QApplication::processEvents();
    QElapsedTimer timer;
    double total = 0, worst = 0, worstCpu = 0;
    for (int i = 1; i < moves; ++i) {
        const double cpu0 = threadCpuMs();
        timer.start();
        send(control, QEvent::MouseMove, points[std::size_t(i)], Qt::NoButton, Qt::LeftButton);
        if (i % 16 == 0)
            QApplication::processEvents();
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        worstCpu = std::max(worstCpu, threadCpuMs() - cpu0);
        total += ms;
        if (ms > worst && qEnvironmentVariableIsSet("BENCH_VIEW_WORST"))
            std::printf("  move %d: %.3f ms\n", i, ms);
        worst = std::max(worst, ms);
    }
    send(control, QEvent::MouseButtonRelease, points.back(), Qt::LeftButton, Qt::NoButton);
    QApplication::processEvents();
    return {total / (moves - 1), worst, worstCpu};
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    test::FakeHost host;
    host.paint.penColor = 0x0000FF;
    host.brushStyle = 3;
    doc::ColorReduction reduction;
    doc::CArdaneDoc document(reduction, 1);
    document.OnNewDocument({6000, 4000, 100, 100});
    CArdaneView view(host, document);
    view.resize(1600, 1000);
    view.OnInitialUpdate();
    view.show();
    QApplication::processEvents();

    std::printf("painting on 6000 x 4000 (24 bits) in a 1600 x 1000 window\n");
    for (const int zoom : {100, 800}) {
        view.SetZoom(zoom);
        QApplication::processEvents();
        const Figures pen = stroke(view, host, ID_TOOL_PEN - ID_TOOL_FIRST, 10000);
        const Figures brush = stroke(view, host, ID_TOOL_BRUSH - ID_TOOL_FIRST, 2000);
        std::printf("zoom %3d%%  pen 10000 moves: mean %.4f ms, worst %.3f ms (processor time %.3f ms) per move\n",
                    zoom, pen.mean, pen.worst, pen.worstCpu);
        std::printf("zoom %3d%%  brush 3, 2000 moves: mean %.4f ms, worst %.3f ms (processor time %.3f ms) per move\n",
                    zoom, brush.mean, brush.worst, brush.worstCpu);
    }
    view.SetZoom(100);

    // The undo snapshot of a press, against one plain copy of the pixels.
    {
        const QImage& pixels = view.image().ImageHandle().image();
        // Into fresh memory, as any copy of the image must go.
        const std::size_t bytes = std::size_t(pixels.sizeInBytes());
        QElapsedTimer t;
        t.start();
        std::unique_ptr<uchar[]> copy(new uchar[bytes]);
        std::memcpy(copy.get(), pixels.constBits(), bytes);
        const double freshMs = double(t.nsecsElapsed()) / 1e6;
        // And again into the same memory, now mapped: the copy alone.
        t.start();
        std::memcpy(copy.get(), pixels.constBits(), bytes);
        const double memcpyMs = double(t.nsecsElapsed()) / 1e6;
        t.start();
        const bool ok = view.editor().prepareUndo();
        const double undoMs = double(t.nsecsElapsed()) / 1e6;
        std::printf("undo snapshot of 24 MP: %.1f ms (%s); one memcpy of the pixels: %.1f ms into fresh memory, "
                    "%.1f ms into mapped memory\n",
                    undoMs, ok ? "kept" : "FAILED", freshMs, memcpyMs);
    }

    // Flood fill of the left half, 12 megapixels, through the fill tool.
    {
        host.tool = ID_TOOL_FILL - ID_TOOL_FIRST;
        host.paint.penColor = 0x00FF00; // not a colour the strokes left
        raster::Canvas& canvas = view.displayControl()->AcquireImageDc();
        canvas.setPen(ColorRef(0));
        canvas.setRop2(raster::R2_COPYPEN);
        canvas.line(3000, 0, 3000, 4000);
        view.displayControl()->ReleaseImageDc();
        QElapsedTimer t;
        t.start();
        send(view.displayControl(), QEvent::MouseButtonPress, {1, 995}, Qt::LeftButton, Qt::LeftButton);
        const double fillMs = double(t.nsecsElapsed()) / 1e6;
        send(view.displayControl(), QEvent::MouseButtonRelease, {1, 995}, Qt::LeftButton, Qt::NoButton);
        std::printf("  filled pixel (2000, 3000): %s\n",
                    view.image().ImageHandle().pixelRgb(2000, 3000) == qRgb(0, 255, 0) ? "yes" : "NO");
        std::printf("flood fill of 3000 x 4000 through the fill tool (undo snapshot included): %.1f ms\n", fillMs);
    }
    return 0;
}
