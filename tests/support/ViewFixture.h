#pragma once
// A view over a new document in a FakeHost, shown in a window, with mouse
// events sent to its display control and commands run through its map.

#include "FakeHost.h"
#include "core/CommandIds.h"
#include "doc/CArdaneDoc.h"
#include "view/CArdaneView.h"
#include "view/ViewObjects.h"

#include <QApplication>
#include <QMouseEvent>
#include <QtTest>

#include <memory>
#include <random>

namespace ardane::test {

inline constexpr ColorRef kRed = 0x0000FF;
inline constexpr ColorRef kWhite = 0xFFFFFF;

// A picture of random colours, so that any moved or changed pixel shows.
inline imaging::Bitmap noiseBitmap(int width, int height, unsigned seed)
{
    imaging::Bitmap b = imaging::Bitmap::create(width, height, 24);
    std::mt19937 rng(seed);
    QImage& img = b.image();
    for (int y = 0; y < height; ++y) {
        uchar* row = img.scanLine(y);
        for (int x = 0; x < width * 3; ++x)
            row[x] = uchar(rng());
    }
    return b;
}

// A selection over the box: its corners for a rectangle or an ellipse, a
// triangle standing on the bottom edge for a free-hand outline.
inline Selection selectionShape(int l, int t, int r, int b, int kind)
{
    Selection s;
    s.shape = kind;
    if (kind == kSelectFreehand)
        s.points = {Selection::pack(l, b), Selection::pack((l + r) / 2, t), Selection::pack(r, b)};
    else
        s.points = {Selection::pack(l, t), Selection::pack(r, t), Selection::pack(r, b), Selection::pack(l, b)};
    return s;
}

inline int toolIndex(int id)
{
    return id - ID_TOOL_FIRST;
}

struct ViewFixture {
    FakeHost host;
    doc::ColorReduction reduction;
    doc::CArdaneDoc document{reduction, 1};
    std::unique_ptr<CArdaneView> view;

    explicit ViewFixture(int width = 120, int height = 90, QSize window = {400, 300}, const QString& path = {})
    {
        host.background = kWhite;
        host.paint.backgroundColor = kWhite;
        host.paint.penColor = kRed;
        if (path.isEmpty())
            document.OnNewDocument({width, height, 100, 100});
        else
            document.setPathName(path);
        view = std::make_unique<CArdaneView>(host, document);
        view->resize(window);
        view->OnInitialUpdate();
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        document.setModified(false);
    }
    ViewObjects& objs() const { return view->drawingObjects(); }
    objects::ObjectList& list() const { return objs().list(); }
    const imaging::Bitmap& bitmap() const { return view->image().ImageHandle(); }
    ColorRef at(int x, int y) const { return imaging::rgbToColorRef(bitmap().pixelRgb(x, y)); }

    // Mouse events on the display control, positions in image pixels at 100 %.
    void send(QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QWidget* w = view->displayControl();
        QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    void press(QPoint p, Qt::MouseButton b = Qt::LeftButton) { send(QEvent::MouseButtonPress, p, b, b); }
    void move(QPoint p) { send(QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton); }
    void release(QPoint p) { send(QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton); }
    void drag(QPoint from, QPoint to)
    {
        press(from);
        move((from + to) / 2);
        move(to);
        release(to);
    }
    void run(int id)
    {
        const auto* e = view->commands().find(id);
        QVERIFY(e);
        e->run();
    }
    bool enabled(int id)
    {
        CommandState s;
        if (const auto* e = view->commands().find(id); e && e->update)
            e->update(s);
        return s.enabled;
    }
    // A rectangle object dragged out with the mouse (control coordinates).
    objects::CGeneralObj& drawRect(QPoint from, QPoint to)
    {
        host.tool = toolIndex(ID_TOOL_RECT);
        const std::size_t before = list().size();
        drag(from, to);
        [&] { QCOMPARE(list().size(), before + 1); }();
        return *list().back();
    }
};


} // namespace ardane::test
