// The view's mouse tools driven through mouse events on the display control:
// painting gestures, selection tracking, colour pick, flood fill, hand
// scrolling, cursors and the context menu; and the edit commands on the
// selections made that way.

#include "ViewFixture.h"
#include "core/CommandIds.h"
#include "core/ToolTable.h"
#include "view/CArdaneView.h"
#include "view/CPastedImageWnd.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QtTest>

using namespace ardane;
using ardane::test::FakeHost;

namespace {

using test::kRed;
using test::kWhite;
using test::toolIndex;

struct Fixture : test::ViewFixture {
    explicit Fixture(int width = 64, int height = 48, QSize window = {400, 300}) : ViewFixture(width, height, window) {}
    CImagingCtrl* display() const { return view->displayControl(); }
    using ViewFixture::drag;
    void drag(std::initializer_list<QPoint> path)
    {
        auto it = path.begin();
        press(*it);
        for (++it; it != path.end(); ++it)
            move(*it);
        release(*(path.end() - 1));
    }
    int countColour(ColorRef c) const
    {
        int n = 0;
        for (int y = 0; y < bitmap().height(); ++y)
            for (int x = 0; x < bitmap().width(); ++x)
                n += at(x, y) == c;
        return n;
    }
    Selection rectSelection(int l, int t, int r, int b, int shape = kSelectRect)
    {
        Selection s;
        s.shape = shape;
        s.points = {Selection::pack(l, t), Selection::pack(r, t), Selection::pack(r, b), Selection::pack(l, b)};
        return s;
    }
};

} // namespace

class TestViewTools : public QObject {
    Q_OBJECT
private slots:
    void penStrokeFollowsTheMouseAndCanBeUndone();
    void penAtZoom200PaintsOneImagePixelPerTwoScreenPixels();
    void releaseOutsideTheControlEndsTheStroke();
    void lossOfTheGrabEndsABrushStrokeLikeARelease();
    void pressOutsideTheImageOnlyDeselects();
    void rectangleSelectionFromTheMouseEnablesTheSelectionCommands();
    void selectionOutlineIsDrawnWithExclusiveOr();
    void selectionStaysOverItsPixelsWhenScrolled();
    void selectionPressWithZoomRectangleDoesNothing();
    void copyWithoutSelectionCopiesTheWholeImage();
    void pasteAndDeleteAPastedWindow();
    void trimOfAnEllipseKeepsItsBox();
    void flipInsideAFreeHandSelectionLeavesTheOutsideAlone();
    void undoTwiceRestoresOnlyTheLastEdit();
    void pickColorTakesThePixelUnderThePointer();
    void floodFillFillsTheSurface();
    void handScrollStepsOneLinePerMove();
    void handScrollOnASmallImageDoesNotScroll();
    void eachToolShowsItsCursor();
    void rightButtonAsksForTheImageContextMenu();
    void blurAndCopyPasteThroughTheMouse();
};

void TestViewTools::penStrokeFollowsTheMouseAndCanBeUndone()
{
    Fixture f;
    f.host.tool = toolIndex(ID_TOOL_PEN);
    QVERIFY(!f.enabled(ID_EDIT_UNDO));
    f.drag({{10, 10}, {20, 10}});
    // The press paints its point and the one below; the move paints 11..20.
    for (int x = 10; x <= 20; ++x)
        QCOMPARE(f.at(x, 10), kRed);
    QCOMPARE(f.at(10, 11), kRed);
    QCOMPARE(f.countColour(kRed), 12);
    QVERIFY(f.document.isModified());
    QCOMPARE(f.host.penSnaps, 1);
    QVERIFY(!f.display()->hasCapture());
    QVERIFY(f.enabled(ID_EDIT_UNDO));
    f.run(ID_EDIT_UNDO);
    QCOMPARE(f.countColour(kRed), 0);
    QVERIFY(!f.enabled(ID_EDIT_UNDO));
}

void TestViewTools::penAtZoom200PaintsOneImagePixelPerTwoScreenPixels()
{
    Fixture f;
    f.run(ID_VIEW_200);
    f.host.tool = toolIndex(ID_TOOL_PEN);
    f.press({20, 20});
    for (int x = 21; x < 30; ++x)
        f.move({x, 20});
    f.release({29, 20});
    // Screen x 20..29 lie over image x 10..14; the point below the press
    // (screen row 21) lies over the same image pixel.
    for (int x = 10; x <= 14; ++x)
        QCOMPARE(f.at(x, 10), kRed);
    QCOMPARE(f.at(15, 10), kWhite);
    QCOMPARE(f.at(10, 11), kWhite);
    QCOMPARE(f.countColour(kRed), 5);
}

void TestViewTools::releaseOutsideTheControlEndsTheStroke()
{
    Fixture f;
    f.host.tool = toolIndex(ID_TOOL_PEN);
    f.press({5, 5});
    f.move({8, 5});
    f.move({200, 5}); // outside the 64-pixel control: ignored
    f.release({200, 5});
    QVERIFY(!f.view->isTracking());
    const int painted = f.countColour(kRed);
    QCOMPARE(painted, 5); // (5..8, 5) and (5, 6)
    // Moves after the release paint nothing.
    f.move({30, 30});
    QCOMPARE(f.countColour(kRed), painted);
}

void TestViewTools::lossOfTheGrabEndsABrushStrokeLikeARelease()
{
    Fixture f;
    f.host.tool = toolIndex(ID_TOOL_BRUSH);
    f.host.brushStyle = 0; // 3 x 3 square
    f.press({20, 20});
    f.move({21, 20});
    // During the drag the brush paints only the screen.
    QCOMPARE(f.countColour(kRed), 0);
    QVERIFY(f.view->isTracking());
    // The button goes up somewhere we do not see: the next move has no button.
    f.send(QEvent::MouseMove, {22, 20}, Qt::NoButton, Qt::NoButton);
    QVERIFY(!f.view->isTracking());
    // The record was painted into the image: 3 x 3 squares at (20,20), (20,21), (21,20).
    QCOMPARE(f.at(19, 19), kRed);
    QCOMPARE(f.at(22, 21), kRed);
    QCOMPARE(f.at(23, 20), kWhite);
    QVERIFY(f.document.isModified());
}

void TestViewTools::pressOutsideTheImageOnlyDeselects()
{
    Fixture f;
    f.host.tool = toolIndex(ID_TOOL_PEN);
    f.run(ID_EDIT_COPY);
    f.run(ID_EDIT_PASTE);
    QCOMPARE(f.view->pastedWindows().size(), std::size_t(1));
    QVERIFY(f.view->pastedWindows()[0]->isSelected());
    QVERIFY(f.enabled(ID_EDIT_DELETE));
    // A press on the view beside the image.
    QMouseEvent e(QEvent::MouseButtonPress, QPointF(300, 200), QPointF(f.view->mapToGlobal(QPoint(300, 200))),
                  Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.view->viewport(), &e);
    QVERIFY(!f.view->pastedWindows()[0]->isSelected());
    QVERIFY(!f.enabled(ID_EDIT_DELETE));
    QCOMPARE(f.countColour(kRed), 0);
    QVERIFY(!f.view->isTracking());
    QVERIFY(!f.document.isModified());
}

void TestViewTools::rectangleSelectionFromTheMouseEnablesTheSelectionCommands()
{
    Fixture f;
    f.host.tool = toolIndex(ID_TOOL_SELECT_RECT);
    QVERIFY(!f.enabled(ID_EDIT_CUT));
    QVERIFY(!f.enabled(ID_EDIT_TRIM));
    QVERIFY(f.enabled(ID_EDIT_COPY));
    QVERIFY(f.enabled(ID_EDIT_FLIP_HORIZONTAL));
    QVERIFY(!f.enabled(ID_EDIT_PASTE));
    f.drag({{30, 25}, {20, 20}, {10, 10}});
    QVERIFY(f.view->selection().exists());
    QCOMPARE(f.view->selection().shape, int(kSelectRect));
    QCOMPARE(f.view->selection().bounds(), QRect(10, 10, 20, 15));
    QVERIFY(f.enabled(ID_EDIT_CUT));
    QVERIFY(f.enabled(ID_EDIT_TRIM));
    // Dragged beyond the control: bounded by it (the right edge itself allowed).
    f.drag({{40, 30}, {500, 400}});
    QCOMPARE(f.view->selection().bounds(), QRect(40, 30, 24, 18));
    // A click without movement makes no selection.
    f.drag({{5, 5}, {5, 5}});
    QVERIFY(!f.view->selection().exists());
    QVERIFY(!f.enabled(ID_EDIT_CUT));
    // Ellipse and free hand keep their shapes.
    f.host.tool = toolIndex(ID_TOOL_SELECT_ELLIPSE);
    f.drag({{2, 2}, {12, 8}});
    QCOMPARE(f.view->selection().shape, int(kSelectEllipse));
    f.host.tool = toolIndex(ID_TOOL_SELECT_FREEHAND);
    f.drag({{2, 2}, {12, 2}, {12, 9}, {4, 7}});
    QCOMPARE(f.view->selection().shape, int(kSelectFreehand));
    QVERIFY(f.view->selection().points.size() >= 3);
    QCOMPARE(f.view->selection().bounds(), QRect(2, 2, 10, 7));
}

void TestViewTools::selectionOutlineIsDrawnWithExclusiveOr()
{
    Fixture f;
    f.host.tool = toolIndex(ID_TOOL_SELECT_RECT);
    f.drag({{10, 10}, {40, 30}});
    const QImage shown = f.display()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    // On white, the dots of the outline come out black; gaps stay white.
    int black = 0, white = 0;
    for (int x = 10; x <= 40; ++x) {
        const QRgb c = shown.pixel(x, 10) & 0xFFFFFF;
        black += c == 0;
        white += c == 0xFFFFFF;
    }
    QVERIFY2(black >= 10 && white >= 10, qPrintable(QString("black %1 white %2").arg(black).arg(white)));
    // Inside and outside the outline nothing changed on screen.
    QCOMPARE(shown.pixel(20, 20) & 0xFFFFFF, 0xFFFFFFu);
    QCOMPARE(shown.pixel(50, 40) & 0xFFFFFF, 0xFFFFFFu);
    // The pixels themselves are untouched.
    QCOMPARE(f.countColour(kWhite), 64 * 48);
}

void TestViewTools::selectionStaysOverItsPixelsWhenScrolled()
{
    Fixture f(400, 300, {200, 150});
    f.host.tool = toolIndex(ID_TOOL_SELECT_RECT);
    f.drag({{10, 10}, {50, 40}});
    const QRect before = f.view->selection().bounds();
    f.view->horizontalScrollBar()->setValue(30);
    f.view->verticalScrollBar()->setValue(20);
    QCOMPARE(f.view->selection().bounds(), before);
    // The same press point now lies over other image pixels.
    QCOMPARE(f.view->viewToImage(f.display()->mapTo(f.view->viewport(), QPoint(10, 10))), QPoint(10, 10));
    QCOMPARE(f.display()->pos(), QPoint(20 - 30, 20 - 20)); // the 20-pixel margin, scrolled
    QCOMPARE(f.view->viewToImage(QPoint(10, 10)), QPoint(20, 10));
    // Copy takes the pixels under the selection, wherever the view is scrolled.
    f.run(ID_EDIT_COPY);
    QCOMPARE(f.host.buffer.control().ImageHandle().width(), 40);
    QCOMPARE(f.host.buffer.control().ImageHandle().height(), 30);
}

void TestViewTools::selectionPressWithZoomRectangleDoesNothing()
{
    Fixture f;
    f.view->setSelection(f.rectSelection(10, 10, 30, 20));
    f.run(ID_VIEW_200);
    QCOMPARE(f.view->zoomRect(), QRect(10, 10, 20, 10));
    f.host.tool = toolIndex(ID_TOOL_SELECT_RECT);
    f.drag({{2, 2}, {30, 15}});
    QVERIFY(!f.view->selection().exists());
    QVERIFY(!f.view->isTracking());
    // Painting still works there, at the zoom rectangle's pixels.
    f.host.tool = toolIndex(ID_TOOL_PEN);
    f.drag({{0, 0}, {0, 0}});
    QCOMPARE(f.at(10, 10), kRed);
    QCOMPARE(f.countColour(kRed), 1);
}

void TestViewTools::copyWithoutSelectionCopiesTheWholeImage()
{
    Fixture f;
    f.host.tool = toolIndex(ID_TOOL_PEN);
    f.drag({{3, 3}, {6, 3}});
    f.run(ID_EDIT_COPY);
    QVERIFY(f.host.buffer.hasImage());
    QCOMPARE(f.host.buffer.control().ImageHandle(), f.bitmap());
    QVERIFY(!f.view->selection().exists());
    QVERIFY(f.enabled(ID_EDIT_PASTE));
}

void TestViewTools::pasteAndDeleteAPastedWindow()
{
    Fixture f;
    f.view->setSelection(f.rectSelection(4, 4, 14, 12));
    f.run(ID_EDIT_COPY);
    f.run(ID_VIEW_200);
    f.run(ID_EDIT_PASTE);
    const auto windows = f.view->pastedWindows();
    QCOMPARE(windows.size(), std::size_t(1));
    QCOMPARE(windows[0]->size(), QSize(20, 16)); // 10 x 8 at 200 %
    QCOMPARE(windows[0]->pos(), f.display()->pos());
    QVERIFY(!f.view->selection().exists());
    QVERIFY(f.enabled(ID_EDIT_DELETE));
    f.run(ID_EDIT_DELETE);
    QVERIFY(f.view->pastedWindows().empty());
    QVERIFY(!f.enabled(ID_EDIT_DELETE));
}

void TestViewTools::trimOfAnEllipseKeepsItsBox()
{
    Fixture f;
    f.host.paint.backgroundColor = 0x00FF00;
    f.host.tool = toolIndex(ID_TOOL_SELECT_ELLIPSE);
    f.drag({{10, 8}, {30, 24}});
    QVERIFY(f.enabled(ID_EDIT_TRIM));
    f.run(ID_EDIT_TRIM);
    QCOMPARE(f.bitmap().width(), 20);
    QCOMPARE(f.bitmap().height(), 16);
    QCOMPARE(f.at(0, 0), ColorRef(0x00FF00));
    QCOMPARE(f.at(19, 15), ColorRef(0x00FF00));
    QCOMPARE(f.at(10, 8), kWhite);
    QCOMPARE(f.display()->size(), QSize(20, 16));
    QVERIFY(!f.view->selection().exists());
    QVERIFY(f.document.isModified());
    f.run(ID_EDIT_UNDO);
    QCOMPARE(f.bitmap().width(), 64);
    QCOMPARE(f.display()->size(), QSize(64, 48));
}

void TestViewTools::flipInsideAFreeHandSelectionLeavesTheOutsideAlone()
{
    Fixture f;
    // A gradient, so that every column differs.
    imaging::Bitmap& b = f.view->image().bitmapForDrawing();
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x)
            b.image().setPixel(x, y, qRgb(x * 4, y * 5, 7));
    const imaging::Bitmap before = b;
    f.host.tool = toolIndex(ID_TOOL_SELECT_FREEHAND);
    f.drag({{10, 10}, {40, 10}, {40, 40}, {10, 10}});
    const Selection selection = f.view->selection();
    QVERIFY(selection.exists());
    f.run(ID_EDIT_FLIP_HORIZONTAL);
    const raster::Region region = selection.region();
    const QRect box = selection.bounds();
    int inside = 0;
    for (int y = 0; y < b.height(); ++y) {
        for (int x = 0; x < b.width(); ++x) {
            if (region.contains(x, y)) {
                ++inside;
                const int mirrored = box.left() + box.right() - x; // flipped within the box
                QCOMPARE(f.bitmap().pixelRgb(x, y), before.pixelRgb(mirrored, y));
            } else {
                QCOMPARE(f.bitmap().pixelRgb(x, y), before.pixelRgb(x, y));
            }
        }
    }
    QVERIFY(inside > 100);
    // Without a selection the whole image flips.
    f.view->setSelection({});
    f.run(ID_EDIT_FLIP_VERTICAL);
    QCOMPARE(f.bitmap().pixelRgb(0, 0), before.pixelRgb(0, 47));
}

void TestViewTools::undoTwiceRestoresOnlyTheLastEdit()
{
    Fixture f;
    f.host.tool = toolIndex(ID_TOOL_PEN);
    f.drag({{1, 1}, {1, 1}});
    const imaging::Bitmap afterFirst = f.bitmap();
    f.drag({{30, 30}, {35, 30}});
    f.run(ID_EDIT_UNDO);
    QCOMPARE(f.bitmap(), afterFirst);
    QVERIFY(!f.enabled(ID_EDIT_UNDO));
    f.run(ID_EDIT_UNDO);
    QCOMPARE(f.bitmap(), afterFirst);
}

void TestViewTools::pickColorTakesThePixelUnderThePointer()
{
    Fixture f;
    f.view->image().bitmapForDrawing().image().setPixel(7, 9, qRgb(10, 20, 30));
    f.view->setSelection(f.rectSelection(1, 1, 20, 20));
    f.host.tool = toolIndex(ID_TOOL_PICK_COLOR);
    f.drag({{7, 9}, {7, 9}});
    QCOMPARE(f.host.paint.penColor, makeColorRef(10, 20, 30));
    QCOMPARE(f.host.penChanges, 1);
    // The pick keeps the selection.
    QVERIFY(f.view->selection().exists());
    QVERIFY(!f.document.isModified());
}

void TestViewTools::floodFillFillsTheSurface()
{
    Fixture f;
    // A vertical red line splits the image.
    f.host.tool = toolIndex(ID_TOOL_PEN);
    f.press({20, 0});
    f.move({20, 47});
    f.release({20, 47});
    f.host.paint.penColor = 0xFF0000; // blue
    f.host.tool = toolIndex(ID_TOOL_FILL);
    f.drag({{5, 5}, {5, 5}});
    QCOMPARE(f.at(0, 0), ColorRef(0xFF0000));
    QCOMPARE(f.at(19, 47), ColorRef(0xFF0000));
    QCOMPARE(f.at(21, 5), kWhite);
    QCOMPARE(f.countColour(0xFF0000), 20 * 48);
    QVERIFY(f.document.isModified());
    f.run(ID_EDIT_UNDO);
    QCOMPARE(f.countColour(0xFF0000), 0);
}

void TestViewTools::handScrollStepsOneLinePerMove()
{
    Fixture f(800, 600, {200, 150});
    f.host.tool = toolIndex(ID_TOOL_SCROLL);
    QScrollBar* h = f.view->horizontalScrollBar();
    QScrollBar* v = f.view->verticalScrollBar();
    const int step = h->singleStep();
    f.press({50, 50});
    f.move({51, 50});
    QCOMPARE(h->value(), step);
    f.move({90, 50}); // far, but still one line
    QCOMPARE(h->value(), 2 * step);
    QCOMPARE(v->value(), 0);
    f.move({90, 80});
    QCOMPARE(v->value(), v->singleStep());
    f.release({90, 80});
    QVERIFY(!f.view->isTracking());
    // The image was not touched.
    QVERIFY(!f.document.isModified());
}

void TestViewTools::handScrollOnASmallImageDoesNotScroll()
{
    Fixture f;
    f.host.tool = toolIndex(ID_TOOL_SCROLL);
    f.drag({{10, 10}, {30, 30}, {50, 40}});
    QCOMPARE(f.view->horizontalScrollBar()->value(), 0);
    QCOMPARE(f.view->verticalScrollBar()->value(), 0);
}

void TestViewTools::eachToolShowsItsCursor()
{
    Fixture f;
    for (int t = 0; t < int(kTools.size()); ++t) {
        f.host.tool = t;
        f.send(QEvent::MouseMove, {5, 5}, Qt::NoButton, Qt::NoButton);
        const QCursor c = f.display()->cursor();
        if (kTools[std::size_t(t)].cursor.empty()) {
            QCOMPARE(c.shape(), Qt::ArrowCursor);
        } else {
            QCOMPARE(c.shape(), Qt::BitmapCursor);
            // The fake host numbers each cursor by the first tool that names it.
            if (t >= toolIndex(ID_TOOL_SHUFFLE_SMALL))
                QCOMPARE(c.hotSpot().x(), t - 6); // the blur tools' cursors
            else
                QCOMPARE(c.hotSpot().x(), t);
        }
    }
}

void TestViewTools::rightButtonAsksForTheImageContextMenu()
{
    Fixture f;
    f.press({12, 14}, Qt::RightButton);
    QCOMPARE(f.host.contextMenus.size(), std::size_t(1));
    QCOMPARE(f.host.contextMenus[0].first, 0);
    QCOMPARE(f.host.contextMenus[0].second, f.display()->mapToGlobal(QPoint(12, 14)));
    QVERIFY(!f.view->isTracking());
}

void TestViewTools::blurAndCopyPasteThroughTheMouse()
{
    Fixture f;
    // A black dot on white: a small blur spreads it.
    f.view->image().bitmapForDrawing().image().setPixel(20, 20, qRgb(0, 0, 0));
    f.host.tool = toolIndex(ID_TOOL_BLUR_SMALL);
    f.press({20, 20});
    QVERIFY(!f.view->isTracking()); // the blur is done at the press
    f.release({20, 20});
    QCOMPARE(f.at(20, 20), makeColorRef(239, 239, 239)); // 15 white and 1 black over 16
    QVERIFY(f.document.isModified());
    // Copy/paste area: the small area around (40, 10) lands around (10, 30).
    f.view->image().bitmapForDrawing().image().setPixel(40, 10, qRgb(1, 2, 3));
    f.host.tool = toolIndex(ID_TOOL_COPYPASTE_SMALL);
    f.press({40, 10});
    f.move({25, 20});
    f.move({10, 30});
    QCOMPARE(f.at(10, 30), kWhite); // nothing before the release
    f.release({10, 30});
    QCOMPARE(f.at(10, 30), makeColorRef(1, 2, 3));
    QCOMPARE(f.at(40, 10), makeColorRef(1, 2, 3));
}

QTEST_MAIN(TestViewTools)
#include "test_view_tools.moc"
