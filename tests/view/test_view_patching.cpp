// Visual patching of the selection (preview shape, the paste through the
// selection's region, moves out of the image), dragging the selection
// outline within the image, and dragging pasted-image windows before Merge.

#include "ViewFixture.h"
#include "core/CommandIds.h"
#include "raster/Region.h"
#include "view/CPastedImageWnd.h"
#include "view/CPatchWnd.h"

#include <QtTest>

#include <functional>
#include <random>

using namespace ardane;

namespace {

struct Fixture : test::ViewFixture {
    Fixture() : ViewFixture(60, 40)
    {
        view->image().SetImageHandle(test::noiseBitmap(60, 40, 11));
        view->refitDisplay();
        host.paint.drawMode = 13; // plain copy
    }
    static Selection shape(int l, int t, int r, int b, int kind) { return test::selectionShape(l, t, r, b, kind); }
    // Starts visual patching and returns where the pointer was put (display
    // control pixels), after the move the platform reports for that warp.
    QPoint startPatch()
    {
        run(ID_VISUAL_PATCH);
        const QPoint warp = view->displayControl()->mapFromGlobal(QCursor::pos());
        move(warp);
        return warp;
    }
    // Mouse events on a pasted window, positions in the viewport.
    void sendTo(CPastedImageWnd* w, QEvent::Type type, QPoint viewportPos, Qt::MouseButton button,
                Qt::MouseButtons buttons)
    {
        const QPoint local = viewportPos - w->pos();
        QMouseEvent e(type, QPointF(local), QPointF(w->mapToGlobal(local)), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    void dragWindow(CPastedImageWnd* w, QPoint from, QPoint to)
    {
        sendTo(w, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        sendTo(w, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
        sendTo(w, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        sendTo(w, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    }
    void click(CPastedImageWnd* w, QPoint at)
    {
        sendTo(w, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        sendTo(w, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    }
    CPatchWnd* preview() const { return view->findChild<CPatchWnd*>(); }
};

// Every pixel inside the region is `inside(x, y)`, every other one as before.
void compareThroughRegion(const imaging::Bitmap& now, const imaging::Bitmap& before,
                          const std::function<QRgb(int, int)>& inside, const raster::Region& region)
{
    int changed = 0;
    for (int y = 0; y < now.height(); ++y)
        for (int x = 0; x < now.width(); ++x) {
            const bool in = region.contains(x, y);
            const QRgb expected = in ? inside(x, y) : before.pixelRgb(x, y);
            if (now.pixelRgb(x, y) != expected)
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2 differs").arg(x).arg(y)));
            changed += in;
        }
    QVERIFY(changed > 0);
}

// The window region holds exactly the pixels of the raster region.
void compareRegion(const QRegion& window, const raster::Region& expected, QSize size)
{
    for (int y = -1; y <= size.height(); ++y)
        for (int x = -1; x <= size.width(); ++x)
            if (window.contains(QPoint(x, y)) != expected.contains(x, y))
                QFAIL(qPrintable(QStringLiteral("region differs at %1,%2").arg(x).arg(y)));
}

} // namespace

class TestViewPatching : public QObject {
    Q_OBJECT
private slots:
    void commandNeedsASelection();
    void rectanglePatchTakesThePixelsUnderTheMovedOutline();
    void clickWithoutMovingChangesNothing();
    void ellipticPatchLeavesTheCornersAlone();
    void previewIsShapedByTheSelection();
    void movesOutOfTheImageCancelThePaste();
    void outlineDragMovesOnlyTheSelection();
    void outlineDragStaysOffTheTopButMayTouchTheRight();
    void pressOutsideTheShapeDrawsANewSelection();
    void pastedWindowsAreShapedAndDraggedBeforeMerge();
    void pastedWindowDragKeepsToImagePixelsWhenZoomed();
};

void TestViewPatching::commandNeedsASelection()
{
    Fixture f;
    QVERIFY(!f.enabled(ID_VISUAL_PATCH));
    f.run(ID_VISUAL_PATCH);
    QVERIFY(!f.view->isPatching());
    QVERIFY(!f.preview());
    f.view->setSelection(Fixture::shape(10, 10, 30, 25, kSelectRect));
    QVERIFY(f.enabled(ID_VISUAL_PATCH));
    f.run(ID_VISUAL_PATCH);
    QVERIFY(f.view->isPatching());
    QVERIFY(f.view->isTracking());
    // While it runs no other edit command acts.
    const imaging::Bitmap before = f.bitmap();
    f.run(ID_EDIT_CUT);
    QCOMPARE(f.bitmap(), before);
}

void TestViewPatching::rectanglePatchTakesThePixelsUnderTheMovedOutline()
{
    Fixture f;
    const imaging::Bitmap before = f.bitmap();
    const Selection selection = Fixture::shape(10, 10, 30, 25, kSelectRect);
    f.view->setSelection(selection);
    const QPoint warp = f.startPatch();
    // The pointer was put in the middle of the outline.
    QCOMPARE(warp, QPoint(20, 17));
    CPatchWnd* preview = f.preview();
    QVERIFY(preview);
    QCOMPARE(preview->pos(), f.view->displayControl()->pos() + QPoint(10, 10));
    QVERIFY(!preview->isEnabled());
    QVERIFY(preview->testAttribute(Qt::WA_TransparentForMouseEvents));

    f.move(warp + QPoint(30, 0));
    QCOMPARE(f.view->patchOffset(), QPoint(30, 0));
    // The preview shows what lies 30 pixels to the right.
    QCOMPARE(preview->content().pixel(0, 0), before.pixelRgb(40, 10));
    QCOMPARE(preview->content().pixel(19, 14), before.pixelRgb(59, 24));
    // The moving outline is drawn on the display control.
    QCOMPARE(f.view->displayControl()->outline().boundingRect(), QRect(40, 10, 21, 16));

    f.press(warp + QPoint(30, 0));
    f.release(warp + QPoint(30, 0));
    QVERIFY(!f.view->isPatching());
    QVERIFY(!f.preview());
    QVERIFY(!f.view->selection().exists());
    QVERIFY(!f.enabled(ID_VISUAL_PATCH));
    QVERIFY(f.view->displayControl()->outline().isEmpty());
    QVERIFY(!f.view->editor().hasUndo());
    QVERIFY(f.document.isModified());
    compareThroughRegion(f.bitmap(), before, [&](int x, int y) { return before.pixelRgb(x + 30, y); },
                         selection.region());
}

void TestViewPatching::clickWithoutMovingChangesNothing()
{
    Fixture f;
    const imaging::Bitmap before = f.bitmap();
    f.view->setSelection(Fixture::shape(10, 10, 30, 25, kSelectRect));
    const QPoint warp = f.startPatch();
    QCOMPARE(f.view->patchOffset(), QPoint());
    f.press(warp);
    QVERIFY(!f.view->isPatching());
    QVERIFY(!f.preview());
    QCOMPARE(f.bitmap().image(), before.image());
    // The selection stays, and shows again.
    QVERIFY(f.view->selection().exists());
    QCOMPARE(f.view->displayControl()->outline().boundingRect(), QRect(10, 10, 21, 16));
    QVERIFY(!f.document.isModified());
}

void TestViewPatching::ellipticPatchLeavesTheCornersAlone()
{
    Fixture f;
    const imaging::Bitmap before = f.bitmap();
    const Selection selection = Fixture::shape(4, 4, 24, 24, kSelectEllipse);
    f.view->setSelection(selection);
    const QPoint warp = f.startPatch();
    // Two moves: the offset is the sum.
    f.move(warp + QPoint(20, 3));
    f.move(warp + QPoint(25, 8));
    QCOMPARE(f.view->patchOffset(), QPoint(25, 8));
    f.press(warp + QPoint(25, 8));
    compareThroughRegion(f.bitmap(), before, [&](int x, int y) { return before.pixelRgb(x + 25, y + 8); },
                         selection.region());
    // The corners of the box, outside the ellipse, kept their pixels.
    QVERIFY(!selection.region().contains(5, 5));
    QCOMPARE(f.bitmap().pixelRgb(5, 5), before.pixelRgb(5, 5));
    QCOMPARE(f.bitmap().pixelRgb(23, 23), before.pixelRgb(23, 23));
    QVERIFY(f.bitmap().pixelRgb(14, 14) != before.pixelRgb(14, 14));
}

void TestViewPatching::previewIsShapedByTheSelection()
{
    {
        Fixture f;
        f.view->setSelection(Fixture::shape(10, 10, 30, 25, kSelectRect));
        f.run(ID_VISUAL_PATCH);
        QVERIFY(f.preview());
        QCOMPARE(f.preview()->mask(), QRegion(0, 0, 20, 15));
        QCOMPARE(f.preview()->shape(), int(kSelectRect));
    }
    {
        Fixture f;
        f.view->setSelection(Fixture::shape(10, 10, 30, 30, kSelectEllipse));
        f.run(ID_VISUAL_PATCH);
        QVERIFY(f.preview());
        const QRegion mask = f.preview()->mask();
        QVERIFY(!mask.contains(QPoint(0, 0)));
        QVERIFY(mask.contains(QPoint(10, 10)));
        compareRegion(mask, raster::Region::ellipse(0, 0, 20, 20), {21, 21});
    }
    {
        Fixture f;
        f.view->setSelection(Fixture::shape(10, 10, 30, 30, kSelectFreehand));
        f.run(ID_VISUAL_PATCH);
        QVERIFY(f.preview());
        const std::vector<QPoint> triangle{{0, 20}, {10, 0}, {20, 20}};
        compareRegion(f.preview()->mask(), raster::Region::polygon(triangle), {21, 21});
        QVERIFY(!f.preview()->mask().contains(QPoint(1, 1)));
    }
    // Every run makes a window of its own.
    Fixture f;
    f.view->setSelection(Fixture::shape(10, 10, 30, 25, kSelectRect));
    f.run(ID_VISUAL_PATCH);
    const int first = f.preview()->windowId();
    f.press(QPoint(20, 17));
    f.run(ID_VISUAL_PATCH);
    QVERIFY(f.preview());
    QVERIFY(f.preview()->windowId() > first);
}

void TestViewPatching::movesOutOfTheImageCancelThePaste()
{
    Fixture f;
    const imaging::Bitmap before = f.bitmap();
    f.view->setSelection(Fixture::shape(10, 10, 30, 25, kSelectRect));
    const QPoint warp = f.startPatch();
    f.move(warp + QPoint(10, 0));
    QCOMPARE(f.view->patchOffset(), QPoint(10, 0));
    QVERIFY(f.view->displayControl()->cursor().shape() != Qt::ForbiddenCursor);
    // The right edge (one past the last column) is out of the area...
    f.move(QPoint(60, 17));
    QCOMPARE(f.view->patchOffset(), QPoint());
    QCOMPARE(f.view->displayControl()->cursor().shape(), Qt::ForbiddenCursor);
    // ... the last column is in it ...
    f.move(QPoint(59, 17));
    QCOMPARE(f.view->patchOffset(), QPoint(39, 0));
    // ... and the first column is its edge.
    f.move(QPoint(0, 17));
    QCOMPARE(f.view->patchOffset(), QPoint());
    f.move(QPoint(-5, 50));
    QCOMPARE(f.view->patchOffset(), QPoint());
    f.press(QPoint(-5, 50));
    QVERIFY(!f.view->isPatching());
    QCOMPARE(f.bitmap().image(), before.image());
    QVERIFY(f.view->selection().exists());
    QVERIFY(!f.document.isModified());
    QVERIFY(f.view->displayControl()->cursor().shape() != Qt::ForbiddenCursor);
}

void TestViewPatching::outlineDragMovesOnlyTheSelection()
{
    Fixture f;
    const imaging::Bitmap before = f.bitmap();
    f.host.tool = test::toolIndex(ID_TOOL_SELECT_RECT);
    f.view->setSelection(Fixture::shape(10, 10, 30, 25, kSelectRect));
    f.press(QPoint(20, 17));
    QVERIFY(f.view->isTracking());
    f.move(QPoint(25, 19));
    f.move(QPoint(27, 21));
    QCOMPARE(f.view->selection().bounds(), QRect(17, 14, 20, 15));
    QCOMPARE(f.view->displayControl()->outline().boundingRect(), QRect(17, 14, 21, 16));
    f.release(QPoint(27, 21));
    QVERIFY(!f.view->isTracking());
    QCOMPARE(f.view->selection().bounds(), QRect(17, 14, 20, 15));
    QCOMPARE(f.view->selection().shape, int(kSelectRect));
    QCOMPARE(f.bitmap().image(), before.image());
    QVERIFY(!f.document.isModified());

    // An ellipse drags the same way; losing the button ends the drag.
    f.view->setSelection(Fixture::shape(10, 10, 30, 30, kSelectEllipse));
    f.press(QPoint(20, 20));
    f.move(QPoint(22, 20));
    f.send(QEvent::MouseMove, QPoint(24, 20), Qt::NoButton, Qt::NoButton);
    QVERIFY(!f.view->isTracking());
    QCOMPARE(f.view->selection().bounds(), QRect(12, 10, 20, 20));
    QCOMPARE(f.view->selection().shape, int(kSelectEllipse));
}

void TestViewPatching::outlineDragStaysOffTheTopButMayTouchTheRight()
{
    Fixture f;
    f.host.tool = test::toolIndex(ID_TOOL_SELECT_RECT);
    f.view->setSelection(Fixture::shape(10, 10, 30, 25, kSelectRect));
    f.press(QPoint(20, 17));
    // Up to row 0 would touch the top: refused, the last point stays.
    f.move(QPoint(20, 7));
    QCOMPARE(f.view->selection().bounds().topLeft(), QPoint(10, 10));
    f.move(QPoint(20, 8));
    QCOMPARE(f.view->selection().bounds().topLeft(), QPoint(10, 1));
    // The right reaching 60 (the image's width) is accepted, beyond it not.
    f.move(QPoint(50, 8));
    QCOMPARE(f.view->selection().bounds().topLeft(), QPoint(40, 1));
    QCOMPARE(f.view->selection().bounds().left() + f.view->selection().bounds().width(), 60);
    f.move(QPoint(51, 8));
    QCOMPARE(f.view->selection().bounds().topLeft(), QPoint(40, 1));
    // The bottom may not reach 40, the left may not reach 0.
    f.move(QPoint(50, 32));
    QCOMPARE(f.view->selection().bounds().topLeft(), QPoint(40, 1));
    f.move(QPoint(50, 31));
    QCOMPARE(f.view->selection().bounds().topLeft(), QPoint(40, 24));
    f.move(QPoint(10, 31));
    QCOMPARE(f.view->selection().bounds().topLeft(), QPoint(40, 24));
    f.move(QPoint(11, 31));
    QCOMPARE(f.view->selection().bounds().topLeft(), QPoint(1, 24));
    f.release(QPoint(11, 31));
    QCOMPARE(f.view->selection().bounds(), QRect(1, 24, 20, 15));
}

void TestViewPatching::pressOutsideTheShapeDrawsANewSelection()
{
    Fixture f;
    f.host.tool = test::toolIndex(ID_TOOL_SELECT_RECT);
    f.view->setSelection(Fixture::shape(10, 10, 30, 30, kSelectEllipse));
    // Inside the box but outside the ellipse: a new rectangle is drawn.
    f.drag(QPoint(11, 11), QPoint(40, 35));
    QCOMPARE(f.view->selection().shape, int(kSelectRect));
    QCOMPARE(f.view->selection().bounds(), QRect(11, 11, 29, 24));
    // With a painting tool a press inside the selection paints, it does not drag.
    f.host.tool = test::toolIndex(ID_TOOL_PEN);
    f.view->setSelection(Fixture::shape(10, 10, 30, 25, kSelectRect));
    const imaging::Bitmap before = f.bitmap();
    f.drag(QPoint(20, 17), QPoint(24, 17));
    QVERIFY(f.bitmap().image() != before.image());
    QVERIFY(!f.view->selection().exists());
}

void TestViewPatching::pastedWindowsAreShapedAndDraggedBeforeMerge()
{
    Fixture f;
    const imaging::Bitmap before = f.bitmap();
    f.view->setSelection(Fixture::shape(5, 5, 25, 25, kSelectEllipse));
    f.run(ID_EDIT_COPY);
    f.run(ID_EDIT_PASTE);
    CPastedImageWnd* w = f.view->pastedWindows().at(0);
    const QPoint origin = f.view->displayControl()->pos();
    QCOMPARE(w->pos(), origin);
    QVERIFY(w->isSelected());
    // Shaped by the ellipse, with the tracker frame while selected.
    compareRegion(w->imageRegion(), raster::Region::ellipse(0, 0, 20, 20), {20, 20});
    QVERIFY(w->mask().contains(QPoint(0, 0)));
    QVERIFY(!w->mask().contains(QPoint(1, 1)));
    // A click deselects (the frame goes), another selects again.
    f.click(w, origin + QPoint(10, 10));
    QVERIFY(!w->isSelected());
    QVERIFY(!w->mask().contains(QPoint(0, 0)));
    QVERIFY(w->mask().contains(QPoint(10, 10)));
    f.click(w, origin + QPoint(10, 10));
    QVERIFY(w->isSelected());

    f.dragWindow(w, origin + QPoint(10, 10), origin + QPoint(30, 10));
    QCOMPARE(w->pos(), origin + QPoint(20, 0));
    QVERIFY(w->isSelected()); // the drag does not deselect
    QCOMPARE(f.bitmap().image(), before.image());

    f.run(ID_MERGE);
    QVERIFY(f.view->pastedWindows().empty());
    const raster::Region at = Fixture::shape(20, 0, 40, 20, kSelectEllipse).region();
    compareThroughRegion(f.bitmap(), before, [&](int x, int y) { return before.pixelRgb(x - 20 + 5, y + 5); }, at);
}

void TestViewPatching::pastedWindowDragKeepsToImagePixelsWhenZoomed()
{
    Fixture f;
    const imaging::Bitmap before = f.bitmap();
    f.view->setSelection(Fixture::shape(4, 4, 14, 12, kSelectRect));
    f.run(ID_EDIT_COPY);
    f.run(ID_VIEW_200);
    f.run(ID_EDIT_PASTE);
    CPastedImageWnd* w = f.view->pastedWindows().at(0);
    const QPoint origin = f.view->displayControl()->pos();
    QCOMPARE(w->scale(), 2);
    QCOMPARE(w->imageRegion(), QRegion(0, 0, 20, 16));
    // Seven window pixels are three whole image pixels at 200 %.
    f.dragWindow(w, origin + QPoint(4, 4), origin + QPoint(11, 4));
    QCOMPARE(w->pos(), origin + QPoint(6, 0));
    f.run(ID_MERGE);
    const raster::Region at = Fixture::shape(3, 0, 13, 8, kSelectRect).region();
    compareThroughRegion(f.bitmap(), before, [&](int x, int y) { return before.pixelRgb(x - 3 + 4, y + 4); }, at);
}

QTEST_MAIN(TestViewPatching)
#include "test_view_patching.moc"
