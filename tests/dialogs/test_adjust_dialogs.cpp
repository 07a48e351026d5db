// The three intensity-adjustment dialogs over a real view: the curve
// editor's points and the remap it applies, the Flat level from slider, box
// and click, the Precise bars' marks and map, Save / Restore around the
// shared snapshot, binding and unbinding, and a picture of each dialog.

#include "FakeHost.h"
#include "core/ToolTable.h"
#include "dialogs/CurveAdjustDlg.h"
#include "dialogs/FlatAdjustDlg.h"
#include "dialogs/PreciseAdjustDlg.h"
#include "view/CArdaneView.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QtTest>

using namespace ardane;
using ardane::test::FakeHost;

namespace {

constexpr int kWidth = 256;
constexpr int kHeight = 4;
constexpr int kBlue = 77;

// A view whose image has red = x, green = 255 - x and blue 77 in column x.
struct Fixture {
    FakeHost host;
    doc::ColorReduction reduction;
    doc::CArdaneDoc document{reduction, 1};
    std::unique_ptr<CArdaneView> view;
    imaging::ImagingControl snapshot;

    Fixture()
    {
        document.OnNewDocument({kWidth, kHeight, 100, 100});
        view = std::make_unique<CArdaneView>(host, document);
        view->resize(400, 300);
        view->OnInitialUpdate();
        QImage& pixels = view->image().bitmapForDrawing().image();
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                pixels.setPixelColor(x, y, QColor(x, 255 - x, kBlue));
        document.setModified(false);
    }
    [[nodiscard]] const imaging::Bitmap& bitmap() const { return view->image().ImageHandle(); }
    [[nodiscard]] QColor at(int x, int y = 0) const { return QColor(bitmap().pixelRgb(x, y)); }
    // Green and blue as the fixture made them, in every pixel.
    [[nodiscard]] bool othersUntouched() const
    {
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const QColor c = at(x, y);
                if (c.green() != 255 - x || c.blue() != kBlue)
                    return false;
            }
        return true;
    }
    [[nodiscard]] bool redIs(const std::function<int(int)>& expected) const
    {
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                if (at(x, y).red() != expected(x))
                    return false;
        return true;
    }
};

void mouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}
void press(QWidget* w, QPoint p) { mouse(w, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton); }
void moveTo(QWidget* w, QPoint p) { mouse(w, QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton); }
void release(QWidget* w, QPoint p) { mouse(w, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton); }
void click(QWidget* w, QPoint p)
{
    press(w, p);
    release(w, p);
}
// Drags across an intensity bar from level `from` to level `to`.
void dragLevels(CIntensityBar& bar, int from, int to)
{
    const int left = bar.plotRect().left();
    const int y = bar.plotRect().center().y();
    press(&bar, {left + from, y});
    moveTo(&bar, {left + (from + to) / 2, y});
    moveTo(&bar, {left + to, y});
    release(&bar, {left + to, y});
}
void typeInto(QLineEdit& box, const QString& text)
{
    box.selectAll();
    QTest::keyClicks(&box, text);
}
std::vector<int> marked(const CIntensityBar& bar)
{
    std::vector<int> levels;
    for (int i = 0; i < 256; ++i)
        if (bar.isMarked(i))
            levels.push_back(i);
    return levels;
}
void saveShot(QWidget& dialog, const QString& name)
{
    QDir().mkpath(QStringLiteral("/tmp/adjust-shots"));
    const QPixmap shot = dialog.grab();
    QVERIFY(!shot.isNull());
    QVERIFY(shot.save(QStringLiteral("/tmp/adjust-shots/") + name));
}

} // namespace

class TestAdjustDialogs : public QObject {
    Q_OBJECT
private slots:
    void curveEditorGeometryAndReset();
    void curveClicksInsertInOrder();
    void curveClickRemapsRedOnly();
    void curveChannelAndResetButton();
    void flatBoxClamps();
    void flatClickAndSlider();
    void preciseDragMarks();
    void preciseMarkColour();
    void preciseMapAndApply();
    void saveRestoreAndBinding();
    void nothingWithoutView();
    void unbindClears();
    void viewBindsShownDialogs();
    void screenshots();
};

void TestAdjustDialogs::curveEditorGeometryAndReset()
{
    CCurveEditor editor;
    const QRect plot = editor.plotRect();
    QCOMPARE(plot.left(), (CCurveEditor::kWidth - 256) / 2);
    QCOMPARE(plot.right(), plot.left() + 255);
    QCOMPARE(plot.bottom(), CCurveEditor::kHeight - 4);
    QCOMPARE(plot.top(), CCurveEditor::kHeight - 261);
    QCOMPARE(editor.points(), (std::vector<QPoint>{plot.bottomLeft(), plot.topRight()}));
    for (int i = 0; i < 256; ++i)
        QCOMPARE(editor.remapTable()[std::size_t(i)], i);
    QCOMPARE(editor.samples().front(), plot.bottomLeft());
    QCOMPARE(editor.samples().back(), plot.topRight());
}

void TestAdjustDialogs::curveClicksInsertInOrder()
{
    CCurveEditor editor;
    QSignalSpy added(&editor, &CCurveEditor::pointAdded);
    const QRect plot = editor.plotRect();
    const QPoint a = plot.bottomLeft();
    const QPoint b = plot.topRight();
    click(&editor, {100, 100});
    QCOMPARE(editor.points(), (std::vector<QPoint>{a, {100, 100}, b}));
    // On the x of an existing point: after the first pair holding that x,
    // that is before the point.
    click(&editor, {100, 200});
    QCOMPARE(editor.points(), (std::vector<QPoint>{a, {100, 200}, {100, 100}, b}));
    click(&editor, {plot.right(), 50});
    QCOMPARE(editor.points(), (std::vector<QPoint>{a, {100, 200}, {100, 100}, {plot.right(), 50}, b}));
    click(&editor, {plot.left(), 150});
    QCOMPARE(editor.points(), (std::vector<QPoint>{a, {plot.left(), 150}, {100, 200}, {100, 100}, {plot.right(), 50}, b}));
    QCOMPARE(added.count(), 4);
    // Outside the plot nothing happens.
    for (QPoint outside : {QPoint(plot.left() - 1, 100), QPoint(plot.right() + 1, 100), QPoint(100, plot.top() - 1),
                           QPoint(100, plot.bottom() + 1)})
        click(&editor, outside);
    QCOMPARE(editor.points().size(), std::size_t(6));
    QCOMPARE(added.count(), 4);
    // The samples follow the points: the curve now starts with the first.
    QCOMPARE(editor.samples().front(), a);
    QCOMPARE(editor.samples().back(), b);
    editor.resetCurve();
    QCOMPARE(editor.points().size(), std::size_t(2));
    QCOMPARE(editor.remapTable()[200], 200);
}

void TestAdjustDialogs::curveClickRemapsRedOnly()
{
    Fixture f;
    CCurveAdjustDlg dialog(f.snapshot);
    dialog.bindView(f.view.get());
    QVERIFY(!f.document.isModified());
    CCurveEditor& editor = dialog.editor();
    const QRect plot = editor.plotRect();
    // Level 64 pulled up to a height of 200: the curve bows upwards.
    click(&editor, {plot.left() + 64, plot.bottom() - 200});
    const auto table = editor.remapTable();
    QVERIFY(table[64] > 120);
    QVERIFY(table[0] < 10);
    QVERIFY(table[255] >= 250);
    for (int i = 1; i < 256; ++i)
        QVERIFY(table[std::size_t(i)] >= table[std::size_t(i - 1)]);
    QVERIFY(f.redIs([&table](int x) { return table[std::size_t(x)]; }));
    QVERIFY(f.othersUntouched());
    QVERIFY(f.document.isModified());
    // The next click remaps the image as it now is.
    click(&editor, {plot.left() + 200, plot.bottom() - 100});
    const auto second = editor.remapTable();
    QVERIFY(f.redIs([&](int x) { return second[std::size_t(table[std::size_t(x)])]; }));
    QVERIFY(f.othersUntouched());
}

void TestAdjustDialogs::curveChannelAndResetButton()
{
    Fixture f;
    CCurveAdjustDlg dialog(f.snapshot);
    QCOMPARE(dialog.channelList().count(), 4);
    QCOMPARE(dialog.channelList().currentText(), QStringLiteral("RED"));
    dialog.bindView(f.view.get());
    // One pixel per red level: every bar the same height, the full plot.
    QCOMPARE(dialog.editor().heights()[0], CCurveEditor::kPlotHeight);
    QCOMPARE(dialog.editor().heights()[255], CCurveEditor::kPlotHeight);
    const QRect plot = dialog.editor().plotRect();
    click(&dialog.editor(), {plot.left() + 128, plot.top() + 10});
    const imaging::Bitmap clicked = f.bitmap();
    // Reset Curve: the curve back to its ends, a new snapshot of the image
    // as it is now, the image left alone.
    dialog.resetButton().click();
    QCOMPARE(dialog.editor().points().size(), std::size_t(2));
    QVERIFY(f.bitmap() == clicked);
    QVERIFY(f.snapshot.ImageHandle() == clicked);
    QCOMPARE(dialog.boundView(), f.view.get());
    // The blue channel: every pixel at 77, the only tall bar.
    click(&dialog.editor(), {plot.left() + 128, plot.top() + 10});
    dialog.channelList().setCurrentIndex(2);
    QCOMPARE(dialog.editor().heights()[kBlue], CCurveEditor::kPlotHeight);
    QCOMPARE(dialog.editor().heights()[0], 2);
    QCOMPARE(dialog.editor().points().size(), std::size_t(2));
}

void TestAdjustDialogs::flatBoxClamps()
{
    Fixture f;
    CFlatAdjustDlg dialog(f.snapshot);
    QCOMPARE(dialog.slider().minimum(), 1);
    QCOMPARE(dialog.slider().maximum(), 256);
    QCOMPARE(dialog.slider().value(), 128);
    QCOMPARE(dialog.levelBox().text(), QStringLiteral("1"));
    QCOMPARE(dialog.display().level(), 0);
    dialog.bindView(f.view.get());

    typeInto(dialog.levelBox(), QStringLiteral("0"));
    QCOMPARE(dialog.levelBox().text(), QStringLiteral("1"));
    QCOMPARE(dialog.slider().value(), 1);
    QVERIFY(f.redIs([](int) { return 0; }));
    typeInto(dialog.levelBox(), QStringLiteral("-5"));
    QCOMPARE(dialog.levelBox().text(), QStringLiteral("1"));
    typeInto(dialog.levelBox(), QStringLiteral("300"));
    QCOMPARE(dialog.levelBox().text(), QStringLiteral("256"));
    QCOMPARE(dialog.slider().value(), 256);
    QCOMPARE(dialog.display().level(), 255);
    QVERIFY(f.redIs([](int) { return 255; }));
    QVERIFY(f.othersUntouched());
    typeInto(dialog.levelBox(), QStringLiteral("abc"));
    QCOMPARE(dialog.levelBox().text(), QStringLiteral("1"));
    QCOMPARE(dialog.display().level(), 0);
    // An emptied box waits for the number.
    dialog.levelBox().selectAll();
    QTest::keyClick(&dialog.levelBox(), Qt::Key_Backspace);
    QCOMPARE(dialog.levelBox().text(), QString());
    QCOMPARE(dialog.display().level(), 0);
    // Levels outside 0..255 do not reach the display.
    dialog.display().setLevel(256);
    dialog.display().setLevel(-1);
    QCOMPARE(dialog.display().level(), 0);
}

void TestAdjustDialogs::flatClickAndSlider()
{
    Fixture f;
    CFlatAdjustDlg dialog(f.snapshot);
    dialog.bindView(f.view.get());
    CFlatDisplay& display = dialog.display();
    const QRect plot = display.plotRect();
    QCOMPARE(plot.top(), display.height() - 105);
    QVERIFY(display.width() >= CFlatDisplay::kMinWidth && display.height() >= CFlatDisplay::kMinHeight);

    click(&display, {plot.left() + 10, plot.center().y()});
    QCOMPARE(display.level(), 10);
    QCOMPARE(dialog.levelBox().text(), QStringLiteral("11"));
    QCOMPARE(dialog.slider().value(), 11);
    QVERIFY(f.redIs([](int) { return 10; }));
    QVERIFY(f.othersUntouched());
    // Outside the plot nothing happens.
    click(&display, {plot.left() - 1, plot.center().y()});
    click(&display, {plot.left() + 50, plot.top() - 1});
    QCOMPARE(display.level(), 10);

    // A key step applies at once.
    dialog.slider().setFocus();
    QTest::keyClick(&dialog.slider(), Qt::Key_Right);
    QCOMPARE(dialog.slider().value(), 12);
    QCOMPARE(dialog.levelBox().text(), QStringLiteral("12"));
    QCOMPARE(display.level(), 11);
    QVERIFY(f.redIs([](int) { return 11; }));
    // While the handle is held nothing is applied; the release applies.
    dialog.slider().setSliderDown(true);
    dialog.slider().setValue(201);
    QCOMPARE(dialog.levelBox().text(), QStringLiteral("12"));
    QVERIFY(f.redIs([](int) { return 11; }));
    dialog.slider().setSliderDown(false);
    QCOMPARE(dialog.levelBox().text(), QStringLiteral("201"));
    QCOMPARE(display.level(), 200);
    QVERIFY(f.redIs([](int) { return 200; }));
}

void TestAdjustDialogs::preciseDragMarks()
{
    Fixture f;
    CPreciseAdjustDlg dialog(f.snapshot);
    dialog.bindView(f.view.get());
    CIntensityBar& source = dialog.sourceBar();
    CIntensityBar& destination = dialog.destinationBar();
    QCOMPARE(source.plotRect().right(), source.plotRect().left() + 256);
    QCOMPARE(source.fullHeight(), 90);
    QCOMPARE(source.heights()[0], 90);
    QVERIFY(dialog.sourceRadio().isChecked());
    QVERIFY(!dialog.mapButton().isEnabled());

    // From the press (exclusive) to the release (inclusive), either way.
    dragLevels(source, 99, 102);
    QCOMPARE(marked(source), (std::vector<int>{100, 101, 102}));
    QVERIFY(dialog.mapButton().isEnabled());
    dragLevels(source, 50, 47);
    QCOMPARE(marked(source), (std::vector<int>{47, 48, 49}));
    // Pressing the destination bar makes it the active one and marks there.
    dragLevels(destination, 9, 11);
    QVERIFY(dialog.destinationRadio().isChecked());
    QVERIFY(!dialog.sourceRadio().isChecked());
    QCOMPARE(marked(destination), (std::vector<int>{10, 11}));
    QCOMPARE(marked(source), (std::vector<int>{47, 48, 49}));
    // A click without movement clears the bar and marks nothing.
    click(&destination, {destination.plotRect().left() + 30, 40});
    QVERIFY(marked(destination).empty());
    QVERIFY(!dialog.mapButton().isEnabled());
    // The radio buttons switch the active bar.
    dialog.sourceRadio().click();
    QVERIFY(dialog.sourceRadio().isChecked());
    QVERIFY(dialog.mapButton().isEnabled());
    // A channel change clears the marks.
    dialog.channelList().setCurrentIndex(1);
    QVERIFY(marked(source).empty());
    QVERIFY(!dialog.mapButton().isEnabled());
}

void TestAdjustDialogs::preciseMarkColour()
{
    Fixture f;
    CPreciseAdjustDlg dialog(f.snapshot);
    dialog.bindView(f.view.get());
    const ColorRef colour = makeColorRef(10, 20, 30);
    dialog.channelList().setCurrentIndex(3); // MASTER(RGB)
    dialog.markColor(colour);
    QCOMPARE(marked(dialog.sourceBar()), (std::vector<int>{10, 20, 30}));
    QVERIFY(dialog.mapButton().isEnabled());
    QVERIFY(marked(dialog.destinationBar()).empty());
    // One channel marks one level, in the active bar.
    dialog.destinationRadio().click();
    dialog.channelList().setCurrentIndex(1); // GREEN
    dialog.markColor(colour);
    QCOMPARE(marked(dialog.destinationBar()), (std::vector<int>{20}));
    dialog.channelList().setCurrentIndex(2); // BLUE
    dialog.markColor(colour);
    QCOMPARE(marked(dialog.destinationBar()), (std::vector<int>{30}));
    dialog.channelList().setCurrentIndex(0); // RED
    dialog.markColor(colour);
    dialog.markColor(makeColorRef(200, 0, 0));
    QCOMPARE(marked(dialog.destinationBar()), (std::vector<int>{10, 200}));
}

void TestAdjustDialogs::preciseMapAndApply()
{
    Fixture f;
    CPreciseAdjustDlg dialog(f.snapshot);
    dialog.bindView(f.view.get());
    CIntensityBar& source = dialog.sourceBar();
    CIntensityBar& destination = dialog.destinationBar();
    // Distinct source heights, to see them carried over.
    adjust::Heights heights = adjust::flatHeights();
    heights[100] = 11;
    heights[101] = 22;
    heights[102] = 33;
    source.setHeights(heights);
    dragLevels(source, 99, 102);
    dragLevels(destination, 9, 11);
    dialog.mapButton().click();
    QCOMPARE(destination.map()[10], 100);
    QCOMPARE(destination.map()[11], 101);
    QCOMPARE(destination.map()[12], 102);
    QCOMPARE(destination.map()[9], 9);
    QCOMPARE(destination.map()[13], 13);
    QCOMPARE(destination.map()[100], 100);
    QCOMPARE(destination.heights()[10], 11);
    QCOMPARE(destination.heights()[12], 33);
    // Marks gone; the source bar shows the destination's heights.
    QVERIFY(marked(source).empty() && marked(destination).empty());
    QCOMPARE(source.heights(), destination.heights());
    QVERIFY(!dialog.mapButton().isEnabled());
    // The image is changed only by Apply.
    QVERIFY(f.redIs([](int x) { return x; }));
    dialog.applyButton().click();
    QVERIFY(f.redIs([](int x) { return x >= 10 && x <= 12 ? x + 90 : x; }));
    QVERIFY(f.othersUntouched());

    // No destination marks: the levels land from 0 upwards, wrapping.
    Fixture g;
    CPreciseAdjustDlg other(g.snapshot);
    other.bindView(g.view.get());
    dragLevels(other.sourceBar(), 250, 253);
    other.mapButton().click();
    QCOMPARE(other.destinationBar().map()[0], 251);
    QCOMPARE(other.destinationBar().map()[2], 253);
    QCOMPARE(other.destinationBar().map()[3], 3);
    // The last marked destination level followed by j + 1 past 255 wraps.
    dragLevels(other.sourceBar(), 0, 3);
    dragLevels(other.destinationBar(), 253, 255);
    other.mapButton().click();
    QCOMPARE(other.destinationBar().map()[254], 1);
    QCOMPARE(other.destinationBar().map()[255], 2);
    QCOMPARE(other.destinationBar().map()[0], 3);
}

void TestAdjustDialogs::saveRestoreAndBinding()
{
    Fixture f;
    const imaging::Bitmap original = f.bitmap();
    CFlatAdjustDlg flat(f.snapshot);
    CCurveAdjustDlg curve(f.snapshot);
    QVERIFY(!flat.hasSaved());
    flat.bindView(f.view.get());
    QVERIFY(flat.hasSaved());
    QVERIFY(f.snapshot.ImageHandle() == original);
    typeInto(flat.levelBox(), QStringLiteral("51"));
    QVERIFY(f.redIs([](int) { return 50; }));
    // Binding the same view again takes no new snapshot.
    flat.bindView(f.view.get());
    flat.restoreButton().click();
    QVERIFY(f.bitmap() == original);

    // Save keeps the image as it is now; Restore brings that back.
    typeInto(flat.levelBox(), QStringLiteral("9"));
    const imaging::Bitmap saved = f.bitmap();
    flat.saveButton().click();
    typeInto(flat.levelBox(), QStringLiteral("200"));
    flat.restoreButton().click();
    QVERIFY(f.bitmap() == saved);

    // The snapshot is shared: binding the curve dialog replaces it, and the
    // Flat dialog's Restore brings back that one.
    typeInto(flat.levelBox(), QStringLiteral("100"));
    const imaging::Bitmap atCurveBind = f.bitmap();
    curve.bindView(f.view.get());
    typeInto(flat.levelBox(), QStringLiteral("3"));
    flat.restoreButton().click();
    QVERIFY(f.bitmap() == atCurveBind);

    // Hidden, the Precise dialog lets its view go; Curve and Flat keep it.
    CPreciseAdjustDlg precise(f.snapshot);
    precise.showAdjuster();
    flat.showAdjuster();
    QVERIFY(precise.isShown());
    precise.bindView(f.view.get());
    precise.closeButton().click();
    QVERIFY(!precise.isShown());
    QCOMPARE(precise.boundView(), nullptr);
    flat.closeButton().click();
    QVERIFY(!flat.isShown());
    QCOMPARE(flat.boundView(), f.view.get());
}

void TestAdjustDialogs::nothingWithoutView()
{
    Fixture f;
    const imaging::Bitmap original = f.bitmap();
    CCurveAdjustDlg curve(f.snapshot);
    CFlatAdjustDlg flat(f.snapshot);
    CPreciseAdjustDlg precise(f.snapshot);
    for (CAdjustDialogBase* d : std::initializer_list<CAdjustDialogBase*>{&curve, &flat, &precise}) {
        d->saveButton().click();
        d->restoreButton().click();
        QVERIFY(!d->hasSaved());
    }
    QVERIFY(!f.snapshot.HasImage());
    curve.resetButton().click();
    const QRect plot = curve.editor().plotRect();
    click(&curve.editor(), {plot.left() + 10, plot.top() + 10});
    typeInto(flat.levelBox(), QStringLiteral("300"));
    QCOMPARE(flat.levelBox().text(), QStringLiteral("300"));
    click(&flat.display(), {flat.display().plotRect().left() + 10, flat.display().plotRect().center().y()});
    QCOMPARE(flat.display().level(), 0);
    flat.slider().setValue(7);
    QCOMPARE(flat.display().level(), 0);
    dragLevels(precise.sourceBar(), 0, 5);
    precise.markColor(makeColorRef(200, 0, 0));
    QVERIFY(!precise.sourceBar().isMarked(200));
    precise.mapButton().click();
    QCOMPARE(precise.destinationBar().map()[0], 0);
    precise.applyButton().click();
    QVERIFY(f.bitmap() == original);
    QVERIFY(!f.document.isModified());
}

void TestAdjustDialogs::unbindClears()
{
    Fixture f;
    CCurveAdjustDlg curve(f.snapshot);
    CFlatAdjustDlg flat(f.snapshot);
    CPreciseAdjustDlg precise(f.snapshot);
    curve.bindView(f.view.get());
    flat.bindView(f.view.get());
    precise.bindView(f.view.get());
    for (ModelessAdjuster* d : std::initializer_list<ModelessAdjuster*>{&curve, &flat, &precise})
        d->setCaption(QStringLiteral("Untitled1"));
    const QRect plot = curve.editor().plotRect();
    click(&curve.editor(), {plot.left() + 10, plot.top() + 10});
    dragLevels(precise.sourceBar(), 0, 5);
    dragLevels(precise.destinationBar(), 20, 25);
    precise.mapButton().click();
    dragLevels(precise.sourceBar(), 10, 15);
    QCOMPARE(precise.destinationBar().map()[21], 1);

    curve.bindView(nullptr);
    flat.bindView(nullptr);
    precise.bindView(nullptr);
    QCOMPARE(curve.windowTitle(), QString());
    QCOMPARE(flat.windowTitle(), QString());
    QCOMPARE(precise.windowTitle(), QString());
    QCOMPARE(curve.boundView(), nullptr);
    QCOMPARE(curve.editor().points().size(), std::size_t(2));
    QCOMPARE(curve.editor().heights(), adjust::flatHeights());
    QCOMPARE(flat.display().heights(), adjust::flatHeights());
    QCOMPARE(precise.sourceBar().heights(), adjust::flatHeights());
    QVERIFY(marked(precise.sourceBar()).empty());
    QCOMPARE(precise.destinationBar().map()[21], 21);
    QVERIFY(!precise.mapButton().isEnabled());
}

void TestAdjustDialogs::viewBindsShownDialogs()
{
    Fixture f;
    CCurveAdjustDlg curve(f.snapshot);
    CFlatAdjustDlg flat(f.snapshot);
    CPreciseAdjustDlg precise(f.snapshot);
    f.host.dialogs.curve = &curve;
    f.host.dialogs.flat = &flat;
    f.host.dialogs.precise = &precise;
    curve.showAdjuster();
    precise.showAdjuster();
    f.view->bindDialogs();
    // Only the shown ones are bound, captioned with the document's title.
    QCOMPARE(curve.boundView(), f.view.get());
    QCOMPARE(precise.boundView(), f.view.get());
    QCOMPARE(curve.windowTitle(), f.document.title());
    QCOMPARE(flat.boundView(), nullptr);
    QVERIFY(curve.hasSaved() && !flat.hasSaved());
    // Picking a colour from the image while Precise is shown marks its
    // levels: the red of column 40 is 40.
    f.view->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.view.get()));
    f.host.tool = kPickColorTool;
    click(f.view->displayControl(), {40, 1});
    QCOMPARE(f.host.paint.penColor, makeColorRef(40, 215, kBlue));
    QCOMPARE(marked(precise.sourceBar()), (std::vector<int>{40}));
    f.view->unbindDialogs();
    QCOMPARE(curve.boundView(), nullptr);
    QCOMPARE(precise.boundView(), nullptr);
    QCOMPARE(curve.windowTitle(), QString());
    // The dialogs go before the view does: the host stops offering them.
    f.host.dialogs = {};
}

void TestAdjustDialogs::screenshots()
{
    Fixture f;
    // A picture with some shape to its histogram: reds bunched low.
    QImage& pixels = f.view->image().bitmapForDrawing().image();
    for (int x = 0; x < kWidth; ++x)
        pixels.setPixelColor(x, 1, QColor((x * x) / 256, 0, 0));
    CCurveAdjustDlg curve(f.snapshot);
    CFlatAdjustDlg flat(f.snapshot);
    CPreciseAdjustDlg precise(f.snapshot);
    for (CAdjustDialogBase* d : std::initializer_list<CAdjustDialogBase*>{&curve, &flat, &precise}) {
        d->show();
        QVERIFY(QTest::qWaitForWindowExposed(d));
    }
    curve.bindView(f.view.get());
    flat.bindView(f.view.get());
    precise.bindView(f.view.get());
    const QRect plot = curve.editor().plotRect();
    click(&curve.editor(), {plot.left() + 64, plot.bottom() - 160});
    click(&curve.editor(), {plot.left() + 180, plot.bottom() - 220});
    click(&flat.display(), {flat.display().plotRect().left() + 90, flat.display().plotRect().center().y()});
    dragLevels(precise.sourceBar(), 20, 40);
    dragLevels(precise.destinationBar(), 150, 160);
    precise.mapButton().click();
    dragLevels(precise.sourceBar(), 200, 230);
    saveShot(curve, QStringLiteral("curve.png"));
    saveShot(flat, QStringLiteral("flat.png"));
    saveShot(precise, QStringLiteral("precise.png"));
    // Everything inside the window: the plots and the buttons.
    for (QWidget* w : std::initializer_list<QWidget*>{&curve.editor(), &curve.closeButton(), &flat.display(),
                                                      &flat.levelBox(), &precise.destinationBar(),
                                                      &precise.closeButton()}) {
        const QRect r(w->mapTo(w->window(), QPoint(0, 0)), w->size());
        QVERIFY(w->window()->rect().contains(r));
    }
}

QTEST_MAIN(TestAdjustDialogs)
#include "test_adjust_dialogs.moc"
