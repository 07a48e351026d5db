// The image view: loading, scroll sizes, zoom and margin rules, what it paints.

#include "FakeHost.h"
#include "core/CommandIds.h"
#include "view/CArdaneView.h"

#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

using namespace ardane;
using ardane::test::FakeHost;

namespace {

struct Fixture {
    FakeHost host;
    doc::ColorReduction reduction;
    doc::CArdaneDoc document{reduction, 1};
    std::unique_ptr<CArdaneView> view;

    explicit Fixture(const QString& path = {}, int width = 320, int height = 200)
    {
        if (path.isEmpty())
            document.OnNewDocument({width, height, 100, 100});
        else
            document.OnOpenDocument(path);
        view = std::make_unique<CArdaneView>(host, document);
        view->resize(200, 150);
        host.onMargin = [this](int delta) { view->applyMarginChange(delta); };
        view->OnInitialUpdate();
    }
    void run(int id)
    {
        const auto* e = view->commands().find(id);
        QVERIFY(e);
        e->run();
    }
    CommandState state(int id)
    {
        CommandState s;
        if (const auto* e = view->commands().find(id); e && e->update)
            e->update(s);
        return s;
    }
};

QImage grab(QWidget* w)
{
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestView : public QObject {
    Q_OBJECT
private slots:
    void scaleExposedPicksNearestPixels();
    void newImageIsFilledAndModified();
    void scrollSizesFollowZoomAndMargin();
    void zoomEnableAndCheckRules();
    void zoomIntoSelectionBoundingBox();
    void unreadableFilesLeaveAnEmptyView_data();
    void unreadableFilesLeaveAnEmptyView();
    void paintsImageAtTheMarginOnViewBackground();
    void displayPreferencesAreStoredAndChecked();
};

void TestView::scaleExposedPicksNearestPixels()
{
    // 3 x 2 RGB image; zoom x3, exposed part starting inside the first pixel.
    QImage img(3, 2, QImage::Format_RGB888);
    const QRgb colours[2][3] = {{qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)},
                                {qRgb(10, 20, 30), qRgb(40, 50, 60), qRgb(70, 80, 90)}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            img.setPixel(x, y, colours[y][x]);
    const QImage part = scaleExposed(img, img.rect(), QSize(9, 6), QRect(2, 2, 5, 3));
    QCOMPARE(part.size(), QSize(5, 3));
    QCOMPARE(part.pixel(0, 0), colours[0][0]); // dest (2,2) -> src (0,0)
    QCOMPARE(part.pixel(1, 0), colours[0][1]); // dest (3,2) -> src (1,0)
    QCOMPARE(part.pixel(4, 0), colours[0][2]); // dest (6,2) -> src (2,0)
    QCOMPARE(part.pixel(0, 1), colours[1][0]); // dest (2,3) -> src (0,1)
    QCOMPARE(part.pixel(3, 2), colours[1][1]); // dest (5,4) -> src (1,1)

    // Indexed pixels through their colour table, and a source rectangle.
    QImage indexed(4, 1, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(1, 2, 3), qRgb(200, 100, 50)});
    indexed.setPixel(0, 0, 0);
    indexed.setPixel(1, 0, 1);
    indexed.setPixel(2, 0, 0);
    indexed.setPixel(3, 0, 1);
    const QImage z = scaleExposed(indexed, QRect(1, 0, 2, 1), QSize(4, 2), QRect(0, 0, 4, 2));
    QCOMPARE(z.pixel(0, 0), qRgb(200, 100, 50));
    QCOMPARE(z.pixel(1, 1), qRgb(200, 100, 50));
    QCOMPARE(z.pixel(2, 0), qRgb(1, 2, 3));
    QCOMPARE(z.pixel(3, 1), qRgb(1, 2, 3));
}

void TestView::newImageIsFilledAndModified()
{
    Fixture f;
    QVERIFY(!f.view->hasNoImage());
    const auto& bmp = f.view->image().ImageHandle();
    QCOMPARE(bmp.bitsPerPixel(), 24);
    QCOMPARE(bmp.width(), 320);
    QCOMPARE(bmp.pixelRgb(0, 0), qRgb(0x00, 0x80, 0x80)); // 0x808000 as 0x00BBGGRR
    QCOMPARE(bmp.pixelRgb(319, 199), qRgb(0x00, 0x80, 0x80));
    QVERIFY(f.document.isModified());
    QVERIFY(f.host.fakeUi.messages.empty());
}

void TestView::scrollSizesFollowZoomAndMargin()
{
    Fixture f;
    f.view->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.view.get()));
    QCOMPARE(f.view->totalSize(), QSize(360, 240));
    QCOMPARE(f.view->displayControl()->pos(), QPoint(20, 20));
    QCOMPARE(f.view->horizontalScrollBar()->maximum(), 360 - f.view->viewport()->width());

    f.run(ID_VIEW_200);
    QCOMPARE(f.view->zoom(), 200);
    QCOMPARE(f.view->totalSize(), QSize(680, 440));
    QCOMPARE(f.document.width(), 640);
    QCOMPARE(f.view->displayControl()->size(), QSize(640, 400));
    QCOMPARE(f.view->verticalScrollBar()->maximum(), 440 - f.view->viewport()->height());
    QVERIFY(f.host.refreshes > 0);

    // Margin off: the control goes to the corner and the scroll size shrinks.
    f.run(ID_VIEW_MARGIN);
    QCOMPARE(f.host.prefs.marginShown, 0);
    QCOMPARE(f.view->totalSize(), QSize(640, 400));
    QCOMPARE(f.view->displayControl()->pos(), QPoint(0, 0));
    QCOMPARE(f.state(ID_VIEW_MARGIN).checked, std::optional<bool>(false));
    f.run(ID_VIEW_MARGIN);
    QCOMPARE(f.view->totalSize(), QSize(680, 440));
    QCOMPARE(f.state(ID_VIEW_MARGIN).checked, std::optional<bool>(true));

    // Scrolled, the control moves with the contents.
    f.view->horizontalScrollBar()->setValue(50);
    QCOMPARE(f.view->displayControl()->pos(), QPoint(20 - 50, 20));
}

void TestView::zoomEnableAndCheckRules()
{
    Fixture f;
    QCOMPARE(f.state(ID_VIEW_100).checked, std::optional<bool>(true));
    QVERIFY(!f.state(ID_VIEW_100).enabled);
    QVERIFY(f.state(ID_VIEW_200).enabled);
    QCOMPARE(f.state(ID_VIEW_200).checked, std::optional<bool>(false));
    QVERIFY(!f.state(ID_VIEW_NORMAL).enabled);
    QVERIFY(!f.state(ID_VIEW_ZOOM_OUT).enabled);
    QVERIFY(f.state(ID_VIEW_ZOOM_IN).enabled);

    f.run(ID_VIEW_ZOOM_OUT); // from 100: nothing
    QCOMPARE(f.view->zoom(), 100);
    for (int i = 0; i < 7; ++i)
        f.run(ID_VIEW_ZOOM_IN);
    QCOMPARE(f.view->zoom(), 800);
    QVERIFY(!f.state(ID_VIEW_ZOOM_IN).enabled);
    QVERIFY(f.state(ID_VIEW_ZOOM_OUT).enabled);
    QVERIFY(f.state(ID_VIEW_NORMAL).enabled);
    f.run(ID_VIEW_ZOOM_IN); // from 800: nothing
    QCOMPARE(f.view->zoom(), 800);
    QCOMPARE(f.view->displayControl()->size(), QSize(2560, 1600));

    // "View 200%" at 200 does nothing: the selection made at 200 survives.
    f.run(ID_VIEW_200);
    QCOMPARE(f.view->zoom(), 200);
    QCOMPARE(f.state(ID_VIEW_200).checked, std::optional<bool>(true));
    QVERIFY(!f.state(ID_VIEW_200).enabled);
    Selection two;
    two.points = {Selection::pack(1, 1), Selection::pack(5, 5)};
    f.view->setSelection(two);
    f.run(ID_VIEW_200);
    QCOMPARE(f.view->selection().points.size(), std::size_t(2));
    f.run(ID_VIEW_NORMAL);
    QCOMPARE(f.view->zoom(), 100);
    QCOMPARE(f.view->totalSize(), QSize(360, 240));
}

void TestView::zoomIntoSelectionBoundingBox()
{
    Fixture f;
    Selection selection;
    selection.points = {Selection::pack(10, 10), Selection::pack(30, 10), Selection::pack(30, 20)};
    f.view->setSelection(selection);
    f.run(ID_VIEW_200);
    QCOMPARE(f.view->zoomRect(), QRect(10, 10, 20, 10));
    QCOMPARE(f.view->displayControl()->source(), QRect(10, 10, 20, 10));
    QCOMPARE(f.view->displayControl()->size(), QSize(40, 20));
    QCOMPARE(f.view->totalSize(), QSize(80, 60));
    QVERIFY(!f.view->selection().exists());
    f.run(ID_VIEW_100);
    QVERIFY(f.view->zoomRect().isEmpty());
    QCOMPARE(f.view->selection().points, selection.points);
    QCOMPARE(f.view->displayControl()->size(), QSize(320, 200));

    // Two points are no area: the whole image is zoomed.
    Selection line;
    line.points = {Selection::pack(1, 1), Selection::pack(9, 9)};
    f.view->setSelection(line);
    f.run(ID_VIEW_300);
    QVERIFY(f.view->zoomRect().isEmpty());
    QCOMPARE(f.view->displayControl()->size(), QSize(960, 600));
}

void TestView::unreadableFilesLeaveAnEmptyView_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    QTest::newRow("garbage") << QByteArray("this is no image at all") << "Invalid file format";
    QTest::newRow("layered signature") << QByteArray("\x25\xE3\x04\x00garbage", 11) << "Error reading file";
    QTest::newRow("missing") << QByteArray() << "Not able to open file";
}

void TestView::unreadableFilesLeaveAnEmptyView()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("broken.bmp"));
    if (!content.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    Fixture f(path);
    QVERIFY(f.view->hasNoImage());
    QCOMPARE(f.host.fakeUi.texts(), QStringList{message});
    QVERIFY(!f.view->displayControl()->isVisible());
    QVERIFY(!f.document.isModified());

    // Zoom, margin and save do nothing.
    f.run(ID_VIEW_ZOOM_IN);
    f.run(ID_VIEW_300);
    QCOMPARE(f.view->zoom(), 100);
    f.run(ID_VIEW_MARGIN);
    QCOMPARE(f.host.prefs.marginShown, 1);
    QVERIFY(!f.document.OnSaveDocument());
    QVERIFY(!f.document.saveAs());
    QVERIFY(f.host.fakeUi.saveRequests.empty());
    QCOMPARE(f.host.fakeUi.messages.size(), std::size_t(1));
    QVERIFY(!f.view->hasImage());
}

void TestView::paintsImageAtTheMarginOnViewBackground()
{
    Fixture f(QString(), 40, 30);
    f.host.prefs.viewBackground = 0x0000FF; // red around the image
    QVERIFY(f.view->image().FillImage(0xFF0000) == 0); // blue image
    f.view->resize(200, 150);
    f.view->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.view.get()));
    const QImage shot = grab(f.view->viewport());
    QCOMPARE(shot.pixel(5, 5), qRgb(255, 0, 0));     // margin: view background
    QCOMPARE(shot.pixel(19, 19), qRgb(255, 0, 0));
    QCOMPARE(shot.pixel(20, 20), qRgb(0, 0, 255));   // first image pixel
    QCOMPARE(shot.pixel(59, 49), qRgb(0, 0, 255));   // last image pixel
    QCOMPARE(shot.pixel(65, 55), qRgb(255, 0, 0));   // margin after the image (80 x 70 in all)
    QVERIFY(shot.pixel(150, 100) != qRgb(255, 0, 0)); // outside the scroll size: not the view background

    f.run(ID_VIEW_200);
    const QImage zoomed = grab(f.view->viewport());
    QCOMPARE(zoomed.pixel(99, 79), qRgb(0, 0, 255)); // 20 + 80 - 1, 20 + 60 - 1
    QCOMPARE(zoomed.pixel(101, 81), qRgb(255, 0, 0));
}

void TestView::displayPreferencesAreStoredAndChecked()
{
    Fixture f;
    QCOMPARE(f.state(ID_DISPLAY_DIFFUSION).checked, std::optional<bool>(true));
    f.run(ID_DISPLAY_ORDERED);
    QCOMPARE(f.host.prefs.ditherMode, 0);
    QCOMPARE(f.state(ID_DISPLAY_ORDERED).checked, std::optional<bool>(true));
    QCOMPARE(f.state(ID_DISPLAY_DIFFUSION).checked, std::optional<bool>(false));
    f.run(ID_DISPLAY_PALETTE_AUTO);
    QCOMPARE(f.host.prefs.paletteMode, 0);
    QCOMPARE(f.state(ID_DISPLAY_PALETTE_AUTO).checked, std::optional<bool>(true));
    QCOMPARE(f.state(ID_DISPLAY_PALETTE_FIXED).checked, std::optional<bool>(false));

    f.host.fakeUi.colourAnswer = 0x123456;
    f.run(ID_VIEW_BACKGROUND_COLOR);
    QCOMPARE(f.host.prefs.viewBackground, ColorRef(0x123456));
    f.host.fakeUi.colourAnswer.reset(); // cancelled: nothing changes
    f.run(ID_VIEW_BACKGROUND_COLOR);
    QCOMPARE(f.host.prefs.viewBackground, ColorRef(0x123456));
}

QTEST_MAIN(TestView)
#include "test_view.moc"
