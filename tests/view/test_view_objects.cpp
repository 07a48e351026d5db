// Drawing objects in the view, driven through mouse events and commands:
// the rubber band of the four object tools and its size rules, selecting,
// moving and reshaping by the tracker, text entry, merge and undo, delete,
// rotation, recolouring, zoom, scrolling and margin, the context menus, and
// a layered file read back into a view.

#include "ViewFixture.h"
#include "core/CommandIds.h"
#include "core/ToolTable.h"
#include "objects/CTextObj.h"
#include "objects/ShapeObjects.h"
#include "view/CArdaneView.h"
#include "view/CObjectWnd.h"
#include "view/CTextEditWnd.h"
#include "view/ViewObjects.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

using namespace ardane;
using ardane::test::FakeHost;
using objects::Box;

namespace {

constexpr int kMargin = 20;
using Fixture = test::ViewFixture;
using test::toolIndex;
using test::kRed;
using test::kWhite;
} // namespace

class TestViewObjects : public QObject {
    Q_OBJECT
private slots:
    void rectangleToolCreatesASelectedObjectAtTheBand();
    void tinyBandsCreateNothingAndSmallTextBoxesGrow();
    void lineDirectionFollowsTheDrag();
    void textIsTypedKeptAndDiscardedWhenEmptied();
    void textToolEditsAnExistingTextAgain();
    void draggingMovesAnObjectAndRepaintsOnlyTheUnion();
    void handleDragResizesAndClickingSelectsAnother();
    void otherToolsDeselectTheObjects();
    void trackerCursorsOverASelectedObject();
    void mergePaintsIntoTheImageAndUndoRestoresIt();
    void deleteRemovesOnlyTheSelectedObjects();
    void rotateTurnsTheFirstRotatableObjectNotTheImage();
    void penColourAndParametersReachTheSelectedObject();
    void toolbarFontReachesTheSelectedText();
    void zoomScrollAndMarginKeepObjectsOverTheirPixels();
    void contextMenuKindFollowsTheObjectUnderThePointer();
    void layeredFileReopensWithEditableObjects();
};

void TestViewObjects::rectangleToolCreatesASelectedObjectAtTheBand()
{
    Fixture f;
    objects::CGeneralObj& o = f.drawRect({10, 12}, {50, 40});
    QCOMPARE(o.kind(), objects::ObjectKind::Rect);
    QVERIFY(o.isSelected());
    // View coordinates: the display control sits at the margin.
    QCOMPARE(o.windowRect(), (Box{10 + kMargin, 12 + kMargin, 50 + kMargin, 40 + kMargin}));
    QCOMPARE(o.m_pts[0], QPoint(10 + kMargin, 12 + kMargin));
    QCOMPARE(o.m_pts[2], QPoint(50 + kMargin, 40 + kMargin));
    QCOMPARE(o.m_color, kRed);
    QCOMPARE(o.m_params, f.host.paint.objectDefaults);
    QVERIFY(f.document.isModified());
    // Its window covers the object (and its handles) and lets presses through.
    CObjectWnd* w = f.objs().windowOf(o);
    QVERIFY(w);
    QVERIFY(w->isVisible());
    QCOMPARE(w->geometry(), QRect(10 + kMargin - CObjectWnd::kHandleMargin, 12 + kMargin - CObjectWnd::kHandleMargin,
                                  40 + 2 * CObjectWnd::kHandleMargin, 28 + 2 * CObjectWnd::kHandleMargin));
    QVERIFY(w->testAttribute(Qt::WA_TransparentForMouseEvents));
    // The image itself is untouched until the object is merged.
    QCOMPARE(f.at(10, 12), kWhite);
    QVERIFY(f.enabled(ID_MERGE));
    QVERIFY(f.enabled(ID_EDIT_DELETE));
}

void TestViewObjects::tinyBandsCreateNothingAndSmallTextBoxesGrow()
{
    Fixture f;
    f.host.tool = toolIndex(ID_TOOL_RECT);
    f.drag({30, 30}, {33, 33});
    QVERIFY(f.list().empty());
    f.host.tool = toolIndex(ID_TOOL_ELLIPSE);
    f.press({30, 30});
    f.release({30, 30});
    QVERIFY(f.list().empty());
    // A 4-pixel-wide band is enough for a shape.
    f.drag({30, 30}, {34, 31});
    QCOMPARE(f.list().size(), std::size_t(1));
    QCOMPARE(f.list().back()->kind(), objects::ObjectKind::Ellipse);

    // A 10 x 10 text band becomes 50 x 50: 20 more on each side.
    f.host.tool = toolIndex(ID_TOOL_TEXT);
    f.drag({40, 40}, {50, 50});
    QCOMPARE(f.list().size(), std::size_t(2));
    const objects::CGeneralObj& text = *f.list().back();
    QCOMPARE(text.kind(), objects::ObjectKind::Text);
    QCOMPARE(text.windowRect(), (Box{20 + kMargin, 20 + kMargin, 70 + kMargin, 70 + kMargin}));
    QVERIFY(f.host.entry.isVisible());
    QCOMPARE(f.host.entry.field()->geometry(), text.windowRect().toQRect());
}

void TestViewObjects::lineDirectionFollowsTheDrag()
{
    Fixture f;
    f.host.tool = toolIndex(ID_TOOL_LINE);
    // Each new line is selected; a press on it would move it, so every
    // band starts clear of the lines before it.
    f.drag({20, 10}, {25, 60}); // 5 pixels across: vertical
    f.drag({30, 10}, {60, 50}); // falls left to right
    f.drag({65, 50}, {90, 10}); // rises
    f.drag({110, 85}, {95, 60}); // dragged backwards, still falls left to right
    QCOMPARE(f.list().size(), std::size_t(4));
    const auto dir = [&](std::size_t i) { return static_cast<objects::CLineObj&>(*f.list()[i]).m_nDirection; };
    QCOMPARE(dir(0), objects::CLineObj::kVertical);
    QCOMPARE(dir(1), objects::CLineObj::kFalling);
    QCOMPARE(dir(2), objects::CLineObj::kRising);
    QCOMPARE(dir(3), objects::CLineObj::kFalling);
    QCOMPARE(f.list()[0]->windowRect(), (Box{20 + kMargin, 10 + kMargin, 25 + kMargin, 60 + kMargin}));
}

void TestViewObjects::textIsTypedKeptAndDiscardedWhenEmptied()
{
    Fixture f;
    f.host.tool = toolIndex(ID_TOOL_TEXT);
    f.drag({10, 10}, {100, 60});
    QCOMPARE(f.list().size(), std::size_t(1));
    auto& text = static_cast<objects::CTextObj&>(*f.list().back());
    QCOMPARE(text.fontState().faceName, f.host.font.faceName);
    QCOMPARE(text.fontState().pointSize, 12);
    QVERIFY(f.host.entry.isVisible());
    f.host.entry.field()->setPlainText(QStringLiteral("Hello"));
    // A press on the view while typing only ends the typing.
    f.host.tool = toolIndex(ID_TOOL_RECT);
    f.drag({10, 70}, {60, 85});
    QVERIFY(!f.host.entry.isVisible());
    QCOMPARE(f.list().size(), std::size_t(1));
    QCOMPARE(text.text(), QStringLiteral("Hello"));

    // A second text whose entry ends empty is discarded.
    f.host.tool = toolIndex(ID_TOOL_TEXT);
    f.drag({10, 70}, {100, 85});
    QCOMPARE(f.list().size(), std::size_t(2));
    QVERIFY(f.host.entry.isVisible());
    f.view->endTextEdit();
    QCOMPARE(f.list().size(), std::size_t(1));
    QCOMPARE(f.list().front().get(), static_cast<objects::CGeneralObj*>(&text));
}

void TestViewObjects::textToolEditsAnExistingTextAgain()
{
    Fixture f;
    f.host.tool = toolIndex(ID_TOOL_TEXT);
    f.drag({10, 10}, {100, 60});
    auto& text = static_cast<objects::CTextObj&>(*f.list().back());
    f.host.entry.field()->setPlainText(QStringLiteral("First"));
    f.view->endTextEdit();
    // Deselected by another tool, then pressed with the text tool: editing again.
    f.host.tool = toolIndex(ID_TOOL_PEN);
    f.press({110, 80});
    f.release({110, 80});
    QVERIFY(!text.isSelected());
    f.host.tool = toolIndex(ID_TOOL_TEXT);
    f.press({40, 30});
    f.release({40, 30});
    QVERIFY(f.host.entry.isVisible());
    QCOMPARE(f.host.entry.field()->toPlainText(), QStringLiteral("First"));
    f.host.entry.field()->setPlainText(QStringLiteral("Second"));
    f.view->endTextEdit();
    QCOMPARE(text.text(), QStringLiteral("Second"));
    QCOMPARE(f.list().size(), std::size_t(1));

    // The box grows by 15 on every side when the text no longer fits.
    f.press({40, 30});
    f.release({40, 30});
    const QRect before = f.host.entry.field()->geometry();
    f.host.entry.field()->setPlainText(QString(QStringLiteral("line\n")).repeated(12));
    const QRect after = f.host.entry.field()->geometry();
    QVERIFY(after.width() > before.width());
    QCOMPARE((after.width() - before.width()) % 30, 0);
    QCOMPARE(after.center(), before.center());
    f.view->endTextEdit();
    QCOMPARE(text.windowRect().toQRect(), after.translated(f.view->scrollOffset()));
}

void TestViewObjects::draggingMovesAnObjectAndRepaintsOnlyTheUnion()
{
    Fixture f;
    objects::CGeneralObj& o = f.drawRect({10, 10}, {40, 30});
    const Box before = o.windowRect();
    f.document.setModified(false);
    f.drag({25, 20}, {35, 28}); // inside: a move by (10, 8)
    QCOMPARE(o.windowRect(), before.translated(10, 8));
    QCOMPARE(o.m_pts[0], QPoint(before.left + 10, before.top + 8));
    QVERIFY(o.isSelected());
    QVERIFY(f.document.isModified());
    // The repaint covers the old and the new place and no more.
    const Box expected = Box{before.left, before.top, before.right + 10, before.bottom + 8}.inflated(5);
    QCOMPARE(f.objs().lastRepaint(), expected);
    QCOMPARE(f.list().size(), std::size_t(1));
}

void TestViewObjects::handleDragResizesAndClickingSelectsAnother()
{
    Fixture f;
    objects::CGeneralObj& a = f.drawRect({10, 10}, {40, 30});
    // The bottom-right corner handle follows the mouse; the top-left stays.
    f.drag({40, 30}, {60, 50});
    QCOMPARE(a.m_pts[0], QPoint(10 + kMargin, 10 + kMargin));
    QCOMPARE(a.m_pts[2], QPoint(60 + kMargin, 50 + kMargin));
    QCOMPARE(a.windowRect(), (Box{10 + kMargin, 10 + kMargin, 60 + kMargin, 50 + kMargin}));

    objects::CGeneralObj& b = f.drawRect({70, 60}, {100, 80});
    QVERIFY(a.isSelected() && b.isSelected());
    // Deselect both, then a press inside one selects it alone.
    f.host.tool = toolIndex(ID_TOOL_PEN);
    f.press({5, 85});
    f.release({5, 85});
    QVERIFY(!a.isSelected() && !b.isSelected());
    f.host.tool = toolIndex(ID_TOOL_ELLIPSE);
    f.press({30, 30});
    f.release({30, 30});
    QVERIFY(a.isSelected());
    QVERIFY(!b.isSelected());
    QCOMPARE(f.list().size(), std::size_t(2));
}

void TestViewObjects::otherToolsDeselectTheObjects()
{
    Fixture f;
    objects::CGeneralObj& o = f.drawRect({10, 10}, {40, 30});
    // The colour pick leaves the selection alone.
    f.host.tool = kPickColorTool;
    f.press({60, 60});
    f.release({60, 60});
    QVERIFY(o.isSelected());
    // A selection press deselects, even outside the image.
    f.host.tool = toolIndex(ID_TOOL_SELECT_RECT);
    QMouseEvent e(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(f.view->viewport()->mapToGlobal(QPoint(5, 5))),
                  Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.view->viewport(), &e);
    QVERIFY(!o.isSelected());
    QVERIFY(!f.enabled(ID_MERGE));
    QVERIFY(!f.enabled(ID_EDIT_DELETE));
}

void TestViewObjects::trackerCursorsOverASelectedObject()
{
    Fixture f;
    objects::CGeneralObj& o = f.drawRect({10, 10}, {50, 40});
    const auto cursorAt = [&](QPoint p) {
        QMouseEvent e(QEvent::MouseMove, QPointF(p), QPointF(f.view->displayControl()->mapToGlobal(p)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(f.view->displayControl(), &e);
        return f.view->displayControl()->cursor().hotSpot().y();
    };
    QCOMPARE(cursorAt({10, 10}), 1); // top-left corner handle
    QCOMPARE(cursorAt({50, 10}), 2); // top-right
    QCOMPARE(cursorAt({30, 25}), 5); // inside: the move cursor
    QCOMPARE(cursorAt({80, 70}), 0); // away from it: the tool's own
    f.objs().select(o, false);
    QCOMPARE(cursorAt({10, 10}), 0);
}

void TestViewObjects::mergePaintsIntoTheImageAndUndoRestoresIt()
{
    Fixture f;
    objects::CGeneralObj& o = f.drawRect({10, 10}, {40, 30});
    o.m_params.fillInterior = 1;
    o.m_params.fillColor = 0x00FF00;
    f.document.setModified(false);
    f.run(ID_MERGE);
    QVERIFY(f.list().empty());
    QVERIFY(f.document.isModified());
    QCOMPARE(f.at(10, 10), kRed);       // the outline
    QCOMPARE(f.at(20, 20), ColorRef(0x00FF00)); // the fill
    QCOMPARE(f.at(45, 20), kWhite);     // outside
    QCOMPARE(f.at(9, 9), kWhite);
    QVERIFY(f.enabled(ID_EDIT_UNDO));
    f.run(ID_EDIT_UNDO);
    QCOMPARE(f.at(10, 10), kWhite);
    QCOMPARE(f.at(20, 20), kWhite);

    // Under XOR the outline inverts what lies beneath.
    f.host.paint.drawMode = 7;
    f.drawRect({10, 10}, {40, 30});
    f.run(ID_MERGE);
    QCOMPARE(f.at(10, 10), ColorRef(kWhite ^ kRed));
    QCOMPARE(f.at(20, 20), kWhite); // not filled: the inside is left alone
}

void TestViewObjects::deleteRemovesOnlyTheSelectedObjects()
{
    Fixture f;
    f.drawRect({10, 10}, {30, 30});
    f.drawRect({40, 10}, {60, 30});
    objects::CGeneralObj& kept = f.drawRect({70, 10}, {90, 30});
    f.objs().select(kept, false);
    f.run(ID_EDIT_DELETE);
    QCOMPARE(f.list().size(), std::size_t(1));
    QCOMPARE(f.list().front().get(), &kept);
    QCOMPARE(f.at(10, 10), kWhite);
}

void TestViewObjects::rotateTurnsTheFirstRotatableObjectNotTheImage()
{
    Fixture f;
    objects::CGeneralObj& a = f.drawRect({10, 10}, {60, 30});
    objects::CGeneralObj& b = f.drawRect({70, 40}, {110, 60});
    const Box bBefore = b.windowRect();
    f.run(ID_ROTATE_90);
    QCOMPARE(a.m_nAngle, 90);
    // Turned corners are truncated toward zero: a pixel either way.
    QVERIFY(std::abs(a.windowRect().width() - 20) <= 1);
    QVERIFY(std::abs(a.windowRect().height() - 50) <= 1);
    QCOMPARE(b.windowRect(), bBefore); // only the first turns
    QCOMPARE(f.bitmap().width(), 120);  // the image did not turn
    // The angle field turns it further.
    f.host.angle = -90;
    f.run(ID_ROTATE_SPECIFIED);
    QCOMPARE(a.m_nAngle, 0);
    QVERIFY(std::abs(a.windowRect().width() - 50) <= 2);
    // Edges stay exactly upright and level.
    QCOMPARE(a.m_pts[0].y(), a.m_pts[1].y());
    QCOMPARE(a.m_pts[1].x(), a.m_pts[2].x());
    // With nothing selected the image turns.
    f.objs().deselectAll(0);
    f.run(ID_ROTATE_90);
    QCOMPARE(f.bitmap().width(), 90);
    QCOMPARE(f.bitmap().height(), 120);
}

void TestViewObjects::penColourAndParametersReachTheSelectedObject()
{
    Fixture f;
    objects::CGeneralObj& a = f.drawRect({10, 10}, {40, 30});
    objects::CGeneralObj& b = f.drawRect({50, 10}, {80, 30});
    f.objs().select(b, false);
    f.host.paint.penColor = 0x123456;
    f.view->objectSettingsChanged(ID_PEN_COLOR);
    QCOMPARE(a.m_color, ColorRef(0x123456));
    QCOMPARE(b.m_color, kRed);
    // The object commands edit the first selected shape's own parameters.
    ObjectParams* p = f.view->currentObjectParams();
    QCOMPARE(p, &a.m_params);
    QVERIFY(!f.view->currentTextParams());
    f.objs().deselectAll(0);
    QVERIFY(!f.view->currentObjectParams());
}

void TestViewObjects::toolbarFontReachesTheSelectedText()
{
    Fixture f;
    f.host.tool = toolIndex(ID_TOOL_TEXT);
    f.drag({10, 10}, {100, 60});
    auto& text = static_cast<objects::CTextObj&>(*f.list().back());
    f.host.entry.field()->setPlainText(QStringLiteral("Font"));
    f.view->endTextEdit();
    QVERIFY(f.view->currentTextParams() == &text.m_options);
    FontState font = f.host.font;
    font.bold = true;
    font.pointSize = 20;
    f.view->applyToolbarFont(font);
    QVERIFY(text.fontState().bold);
    QCOMPARE(text.fontState().pointSize, 20);
    QCOMPARE(text.fontRecord().pixelHeight, (20 * objects::screenResolution() + 36) / 72);
}

void TestViewObjects::zoomScrollAndMarginKeepObjectsOverTheirPixels()
{
    Fixture f(300, 200, {200, 150});
    objects::CGeneralObj& o = f.drawRect({10, 10}, {40, 30});
    f.view->SetZoom(200);
    // Distances from the image's corner double; the margin does not.
    QCOMPARE(o.m_pts[0], QPoint(kMargin + 20, kMargin + 20));
    QCOMPARE(o.m_pts[2], QPoint(kMargin + 80, kMargin + 60));
    QCOMPARE(o.m_nZoom, 200);
    f.view->SetZoom(100);
    QCOMPARE(o.windowRect(), (Box{10 + kMargin, 10 + kMargin, 40 + kMargin, 30 + kMargin}));

    // Scrolling moves the window, not the object.
    f.view->horizontalScrollBar()->setValue(15);
    QCOMPARE(o.windowRect().left, 10 + kMargin);
    QCOMPARE(f.objs().windowOf(o)->x(), 10 + kMargin - 15 - CObjectWnd::kHandleMargin);
    // Merging while scrolled lands on the same pixels.
    f.run(ID_MERGE);
    QCOMPARE(f.at(10, 10), kRed);
    QCOMPARE(f.at(39, 29), kRed);
    QCOMPARE(f.at(40, 30), kWhite);

    // Hiding the margin moves the objects with the image.
    objects::CGeneralObj& p = f.drawRect({50, 50}, {70, 70});
    const Box before = p.windowRect();
    f.host.onMargin = [&](int delta) { f.view->applyMarginChange(delta); };
    f.view->toggleMargin();
    QCOMPARE(p.windowRect(), before.translated(-kMargin, -kMargin));
}

void TestViewObjects::contextMenuKindFollowsTheObjectUnderThePointer()
{
    Fixture f;
    f.drawRect({10, 10}, {40, 30});
    f.host.tool = toolIndex(ID_TOOL_TEXT);
    f.drag({50, 50}, {110, 80});
    f.host.entry.field()->setPlainText(QStringLiteral("Menu"));
    f.view->endTextEdit();
    f.press({20, 20}, Qt::RightButton);
    f.press({60, 60}, Qt::RightButton);
    f.press({5, 85}, Qt::RightButton);
    QCOMPARE(f.host.contextMenus.size(), std::size_t(3));
    QCOMPARE(f.host.contextMenus[0].first, 3);
    QCOMPARE(f.host.contextMenus[1].first, 2);
    QCOMPARE(f.host.contextMenus[2].first, 0);
    // An unselected object under the pointer does not count.
    f.objs().deselectAll(0);
    f.press({20, 20}, Qt::RightButton);
    QCOMPARE(f.host.contextMenus.back().first, 0);
}

void TestViewObjects::layeredFileReopensWithEditableObjects()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("objects.alf"));
    {
        Fixture f;
        f.drawRect({10, 10}, {40, 30});
        f.host.tool = toolIndex(ID_TOOL_LINE);
        f.drag({50, 10}, {80, 40});
        f.host.tool = toolIndex(ID_TOOL_TEXT);
        f.drag({10, 40}, {100, 80});
        f.host.entry.field()->setPlainText(QStringLiteral("Saved text"));
        f.view->endTextEdit();
        // Written while scrolled: the places do not depend on the scroll.
        f.view->horizontalScrollBar()->setValue(10);
        QCOMPARE(f.host.layered.write(path, f.view->image(), f.view->objectList(), 6, 24, -1), imaging::result::Ok);
    }
    Fixture g(0, 0, {400, 300}, path);
    QVERIFY(g.view->isLayered());
    QCOMPARE(g.list().size(), std::size_t(3));
    QCOMPARE(g.list()[0]->kind(), objects::ObjectKind::Rect);
    QCOMPARE(g.list()[1]->kind(), objects::ObjectKind::Line);
    QCOMPARE(g.list()[2]->kind(), objects::ObjectKind::Text);
    for (const auto& o : g.list()) {
        QVERIFY(!o->isSelected());
        QVERIFY(g.objs().windowOf(*o));
    }
    QCOMPARE(g.list()[0]->windowRect(), (Box{10 + kMargin, 10 + kMargin, 40 + kMargin, 30 + kMargin}));
    QCOMPARE(static_cast<objects::CLineObj&>(*g.list()[1]).m_nDirection, objects::CLineObj::kFalling);
    QCOMPARE(static_cast<objects::CTextObj&>(*g.list()[2]).text(), QStringLiteral("Saved text"));
    // Editable: selected by a press and moved.
    g.host.tool = toolIndex(ID_TOOL_RECT);
    g.drag({20, 20}, {25, 20});
    QVERIFY(g.list()[0]->isSelected());
    QCOMPARE(g.list()[0]->windowRect().left, 15 + kMargin);
}

QTEST_MAIN(TestViewObjects)
#include "test_view_objects.moc"
