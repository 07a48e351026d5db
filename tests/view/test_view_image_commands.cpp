// The view's whole-image commands: rotation, enhancement, fills and Merge on
// the whole image and through rectangle, ellipse and free-hand selections;
// colour separation with the write-back into the selected plane; and the
// binding of the modeless dialogs.

#include "ViewFixture.h"
#include "core/CommandIds.h"
#include "imaging/EnhanceTable.h"
#include "raster/Region.h"
#include "view/CPastedImageWnd.h"
#include "view/ClipboardBuffer.h"

#include <QtTest>

#include <random>

using namespace ardane;
using test::kRed;
using test::kWhite;

namespace {

// A view over a picture of random colours.
struct Fixture : test::ViewFixture {
    Fixture() : ViewFixture(60, 40)
    {
        view->image().SetImageHandle(test::noiseBitmap(60, 40, 7));
        view->refitDisplay();
    }
    static Selection shape(int l, int t, int r, int b, int kind) { return test::selectionShape(l, t, r, b, kind); }
    EnhanceRequest request(EnhanceOp op, int value = 0)
    {
        EnhanceRequest r;
        r.operation = int(op);
        r.value = value;
        r.size = 4;
        return r;
    }
};

// Every pixel outside the region is as in `before`; inside, as in `inside`.
void compareThroughRegion(const imaging::Bitmap& now, const imaging::Bitmap& before, const imaging::Bitmap& inside,
                          const raster::Region& region)
{
    int changed = 0;
    for (int y = 0; y < now.height(); ++y)
        for (int x = 0; x < now.width(); ++x) {
            const QRgb expected = region.contains(x, y) ? inside.pixelRgb(x, y) : before.pixelRgb(x, y);
            if (now.pixelRgb(x, y) != expected) {
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2 differs").arg(x).arg(y)));
                return;
            }
            changed += region.contains(x, y);
        }
    QVERIFY(changed > 0);
}

// A fake modeless dialog that records what the view tells it.
struct FakeAdjuster : EnhanceAdjuster {
    bool shown = false;
    QString caption;
    CArdaneView* bound = nullptr;
    int sizeMaximum = -1;
    int resets = 0;
    bool isShown() const override { return shown; }
    void showAdjuster() override { shown = true; }
    void setCaption(const QString& c) override { caption = c; }
    void bindView(CArdaneView* v) override { bound = v; }
    CArdaneView* boundView() const override { return bound; }
    void reset() override
    {
        ++resets;
        bound = nullptr;
    }
    void setSizeMaximum(int m) override { sizeMaximum = m; }
};

} // namespace

class TestViewImageCommands : public QObject {
    Q_OBJECT
private slots:
    void fixedRotationsTurnClockwiseAndTakeUndo();
    void specifiedAngleZeroDoesNothing();
    void rotationInsideASelectionStaysInsideIt();
    void enhancementInsideEachSelectionShape();
    void enhancementPassesTheDialogsValues();
    void fillsEntirelyInsideAndOutside();
    void mergeStampsPastedImagesUnderTheDrawMode();
    void separationShowsPlaneZeroAndWritesEditsBack();
    void dialogsAreBoundToTheViewAndLetGo();
};

void TestViewImageCommands::fixedRotationsTurnClockwiseAndTakeUndo()
{
    Fixture f;
    const imaging::Bitmap before = f.bitmap();
    f.run(ID_ROTATE_90);
    QCOMPARE(f.bitmap().width(), 40);
    QCOMPARE(f.bitmap().height(), 60);
    // Clockwise: the top-left pixel goes to the top-right corner.
    QCOMPARE(f.bitmap().pixelRgb(39, 0), before.pixelRgb(0, 0));
    QCOMPARE(f.bitmap().pixelRgb(0, 0), before.pixelRgb(0, 39));
    QVERIFY(!f.view->selection().exists());
    QVERIFY(f.document.isModified());
    QVERIFY(f.view->editor().hasUndo());
    f.run(ID_EDIT_UNDO);
    QCOMPARE(f.bitmap(), before);

    f.run(ID_ROTATE_180);
    QCOMPARE(f.bitmap().pixelRgb(59, 39), before.pixelRgb(0, 0));
    f.run(ID_ROTATE_270);
    QCOMPARE(f.bitmap().width(), 40);
    // 450 degrees clockwise in all is 90 clockwise.
    QCOMPARE(f.bitmap().pixelRgb(39, 0), before.pixelRgb(0, 0));
    QVERIFY(f.enabled(ID_ROTATE_90) && f.enabled(ID_ROTATE_SPECIFIED));
}

void TestViewImageCommands::specifiedAngleZeroDoesNothing()
{
    Fixture f;
    const imaging::Bitmap before = f.bitmap();
    f.host.angle = 0;
    f.run(ID_ROTATE_SPECIFIED);
    QCOMPARE(f.bitmap(), before);
    QVERIFY(!f.view->editor().hasUndo());
    QVERIFY(!f.document.isModified());

    // Any typed angle turns clockwise and grows the canvas.
    f.host.angle = 30;
    f.run(ID_ROTATE_SPECIFIED);
    QVERIFY(f.bitmap().width() > 60 && f.bitmap().height() > 40);
    QCOMPARE(imaging::rgbToColorRef(f.bitmap().pixelRgb(0, 0)), kWhite); // the uncovered corner: background
    QVERIFY(f.host.refreshes > 0);
}

void TestViewImageCommands::rotationInsideASelectionStaysInsideIt()
{
    Fixture f;
    const imaging::Bitmap before = f.bitmap();
    const Selection s = f.shape(10, 10, 30, 30, kSelectRect);
    f.view->setSelection(s);
    f.run(ID_ROTATE_90);
    QCOMPARE(f.bitmap().width(), 60); // the image keeps its size
    // The box turned in place: its top-left pixel is now its top-right.
    QCOMPARE(f.bitmap().pixelRgb(29, 10), before.pixelRgb(10, 10));
    const raster::Region region = s.region();
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x)
            if (!region.contains(x, y) && f.bitmap().pixelRgb(x, y) != before.pixelRgb(x, y))
                QFAIL("a pixel outside the selection changed");
    QVERIFY(!f.view->selection().exists());
}

void TestViewImageCommands::enhancementInsideEachSelectionShape()
{
    for (const int kind : {int(kSelectRect), int(kSelectEllipse), int(kSelectFreehand)}) {
        for (const EnhanceOp op : {EnhanceOp::Invert, EnhanceOp::Grayscale, EnhanceOp::Mosaic}) {
            Fixture f;
            const imaging::Bitmap before = f.bitmap();
            const Selection s = f.shape(5, 4, 41, 30, kind);
            f.view->setSelection(s);
            // What the operation makes of the selection's box on its own.
            imaging::ImagingControl box;
            box.SetImageHandle(before);
            QCOMPARE(box.CropImage(5, 4, 36, 26), imaging::result::Ok);
            EnhanceArgs args;
            args.size = 4;
            QCOMPARE(kEnhanceOps[std::size_t(op)].apply(box, args), imaging::result::Ok);
            imaging::Bitmap inside = before;
            {
                imaging::ImagingControl whole;
                whole.SetImageHandle(before);
                imaging::Bitmap& pixels = whole.bitmapForDrawing();
                QVERIFY(pixels.detach());
                QImage& img = pixels.image();
                for (int y = 0; y < box.ImageHandle().height(); ++y)
                    for (int x = 0; x < box.ImageHandle().width(); ++x)
                        img.setPixel(5 + x, 4 + y, box.ImageHandle().pixelRgb(x, y));
                inside = whole.ImageHandle();
            }
            f.view->applyEnhancement(f.request(op));
            compareThroughRegion(f.bitmap(), before, inside, s.region());
            QVERIFY(f.view->selection().exists()); // the outline stays
            QVERIFY(f.document.isModified());
            QVERIFY(!f.view->editor().hasUndo()); // enhancement takes no undo image
        }
    }
}

void TestViewImageCommands::enhancementPassesTheDialogsValues()
{
    // "West" in the Direction list passes compass code 6, "North West" 7.
    for (const auto& [listIndex, code] : {std::pair{7, 6}, std::pair{2, 7}, std::pair{6, 2}}) {
        Fixture f;
        imaging::ImagingControl expected;
        expected.SetImageHandle(f.bitmap());
        QCOMPARE(expected.Emboss(code, 700), imaging::result::Ok);
        EnhanceRequest r = f.request(EnhanceOp::Emboss, 700);
        r.direction = listIndex;
        f.view->applyEnhancement(r);
        QCOMPARE(f.bitmap(), expected.ImageHandle());
    }
    // Shear grows the image and fills its uncovered corners with the background.
    Fixture f;
    f.host.background = 0x00FF00;
    EnhanceRequest r = f.request(EnhanceOp::Shear, 30);
    r.horizontal = true;
    f.view->applyEnhancement(r);
    QVERIFY(f.bitmap().width() > 60);
    QCOMPARE(f.bitmap().height(), 40);
    QCOMPARE(imaging::rgbToColorRef(f.bitmap().pixelRgb(f.bitmap().width() - 1, 0)), ColorRef(0x00FF00));
    QCOMPARE(f.view->displayControl()->source().width(), f.bitmap().width());
    // An index outside the list does nothing.
    const imaging::Bitmap kept = f.bitmap();
    f.document.setModified(false);
    f.view->applyEnhancement(f.request(EnhanceOp(16)));
    QCOMPARE(f.bitmap(), kept);
    QVERIFY(!f.document.isModified());
}

void TestViewImageCommands::fillsEntirelyInsideAndOutside()
{
    Fixture f;
    const imaging::Bitmap before = f.bitmap();
    QVERIFY(f.enabled(ID_FILL_ENTIRELY));
    QVERIFY(!f.enabled(ID_FILL_INSIDE));
    QVERIFY(!f.enabled(ID_FILL_OUTSIDE));
    f.run(ID_FILL_INSIDE); // no selection: nothing
    QCOMPARE(f.bitmap(), before);

    const Selection s = f.shape(10, 5, 40, 30, kSelectEllipse);
    const raster::Region region = s.region();
    f.view->setSelection(s);
    QVERIFY(f.enabled(ID_FILL_INSIDE) && f.enabled(ID_FILL_OUTSIDE));
    f.run(ID_FILL_INSIDE);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) {
            const QRgb want = region.contains(x, y) ? QRgb(0xFFFF0000) : before.pixelRgb(x, y);
            QCOMPARE(f.bitmap().pixelRgb(x, y), want);
        }
    QCOMPARE(f.host.backgroundSnaps, 1);
    f.run(ID_EDIT_UNDO);
    QCOMPARE(f.bitmap(), before);

    f.view->setSelection(s);
    f.run(ID_FILL_OUTSIDE);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) {
            const QRgb want = region.contains(x, y) ? before.pixelRgb(x, y) : QRgb(0xFFFF0000);
            QCOMPARE(f.bitmap().pixelRgb(x, y), want);
        }

    f.run(ID_FILL_ENTIRELY); // the pen colour, not the background
    QCOMPARE(imaging::rgbToColorRef(f.bitmap().pixelRgb(0, 0)), kRed);
    QCOMPARE(imaging::rgbToColorRef(f.bitmap().pixelRgb(59, 39)), kRed);
    QCOMPARE(f.host.backgroundSnaps, 3);
    QVERIFY(f.view->editor().hasUndo());
}

void TestViewImageCommands::mergeStampsPastedImagesUnderTheDrawMode()
{
    Fixture f;
    const imaging::Bitmap before = f.bitmap();
    QVERIFY(!f.enabled(ID_MERGE));
    // An elliptic piece copied and pasted (it lands at the top-left).
    f.view->setSelection(f.shape(20, 10, 40, 30, kSelectEllipse));
    f.run(ID_EDIT_COPY);
    f.run(ID_EDIT_PASTE);
    f.run(ID_EDIT_PASTE);
    QCOMPARE(f.view->pastedWindows().size(), std::size_t(2));
    QVERIFY(f.enabled(ID_MERGE));
    f.host.paint.drawMode = 13; // plain copy
    f.run(ID_MERGE);
    QVERIFY(f.view->pastedWindows().empty());
    const raster::Region at0 = f.shape(0, 0, 20, 20, kSelectEllipse).region();
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) {
            const QRgb want = at0.contains(x, y) ? before.pixelRgb(x + 20, y + 10) : before.pixelRgb(x, y);
            QCOMPARE(f.bitmap().pixelRgb(x, y), want);
        }
    QVERIFY(f.document.isModified());
    f.run(ID_EDIT_UNDO);
    QCOMPARE(f.bitmap(), before);

    // Under exclusive or (mode 7), stamping the same piece twice cancels.
    f.view->setSelection(f.shape(20, 10, 40, 30, kSelectRect));
    f.run(ID_EDIT_COPY);
    f.run(ID_EDIT_PASTE);
    f.run(ID_EDIT_PASTE);
    f.host.paint.drawMode = 7;
    f.run(ID_MERGE);
    QCOMPARE(f.bitmap(), before);
}

void TestViewImageCommands::separationShowsPlaneZeroAndWritesEditsBack()
{
    Fixture f;
    const imaging::Bitmap before = f.bitmap();
    QVERIFY(f.enabled(ID_SEPARATE_RGB));
    f.run(ID_SEPARATE_RGB);
    QVERIFY(f.host.panel);
    QCOMPARE(f.view->planesDialog(), f.host.panel.get());
    QCOMPARE(f.view->separationType(), 0);
    QCOMPARE(f.view->planeControl().PlaneCount(), 3);
    for (int id : {ID_SEPARATE_RGB, ID_SEPARATE_CMYK, ID_SEPARATE_CMY, ID_SEPARATE_HSV, ID_SEPARATE_HLS})
        QVERIFY(!f.enabled(id));
    QCOMPARE(f.view->backupControl().ImageHandle(), before);

    // The planes dialog shows plane 0 (blue) in the view; an edit goes back into it.
    f.view->showBitmap(f.view->planeControl().PlaneImage(0));
    QCOMPARE(qRed(f.bitmap().pixelRgb(3, 3)), qBlue(before.pixelRgb(3, 3)));
    f.view->applyEnhancement(f.request(EnhanceOp::Invert));
    QCOMPARE(f.view->planeControl().PlaneImage(0), f.bitmap());
    QCOMPARE(qRed(f.view->planeControl().PlaneImage(0).pixelRgb(3, 3)), 255 - qBlue(before.pixelRgb(3, 3)));
    QCOMPARE(f.host.panel->previewRepaints, 1);
    // With "Planes" selected nothing is stored.
    f.host.panel->selected = 0;
    const imaging::Bitmap plane0 = f.view->planeControl().PlaneImage(0);
    f.run(ID_ROTATE_180);
    QCOMPARE(f.view->planeControl().PlaneImage(0), plane0);
    QCOMPARE(f.host.panel->previewRepaints, 1);

    // Merging the edited planes inverts the blue channel of the whole image.
    QCOMPARE(f.view->planeControl().MergePlanes(0), imaging::result::Ok);
    const imaging::Bitmap merged = f.view->planeControl().ImageHandle();
    QCOMPARE(qBlue(merged.pixelRgb(3, 3)), 255 - qBlue(before.pixelRgb(3, 3)));
    QCOMPARE(qRed(merged.pixelRgb(3, 3)), qRed(before.pixelRgb(3, 3)));

    // Closing without keeping the merge puts the image from before back.
    f.host.panel->closePanel();
    QCOMPARE(f.bitmap(), before);
    QVERIFY(!f.view->planesDialog());
    QVERIFY(f.enabled(ID_SEPARATE_CMYK));
    f.run(ID_SEPARATE_CMYK);
    QCOMPARE(f.view->planeControl().PlaneCount(), 4);
    QCOMPARE(f.view->separationType(), 1);

    // A host that cannot make the dialog: the message, and no separation.
    Fixture g;
    g.host.planesFactory = [](CArdaneView&) -> PlanesPanel* { return nullptr; };
    g.run(ID_SEPARATE_HSV);
    QVERIFY(!g.view->planesDialog());
    QVERIFY(!g.view->planeControl().HasImage());
    QCOMPARE(g.host.fakeUi.messages.size(), std::size_t(1));
    QCOMPARE(g.host.fakeUi.messages.front().text, QStringLiteral("Insufficient memory!"));
}

void TestViewImageCommands::dialogsAreBoundToTheViewAndLetGo()
{
    FakeAdjuster enhance;
    FakeAdjuster curve; // stands in for the others: only the shared interface is used
    auto f = std::make_unique<Fixture>();
    f->host.dialogs.enhance = &enhance;
    f->host.dialogs.curve = &curve;
    QVERIFY(f->enabled(ID_ENHANCE));
    QVERIFY(f->enabled(ID_CURVE_ADJUSTMENT));
    QVERIFY(!f->enabled(ID_FLAT_ADJUSTMENT)); // no such dialog here
    // A hidden dialog is not bound; showing it binds it.
    f->view->bindDialogs();
    QVERIFY(!enhance.bound);
    f->run(ID_ENHANCE);
    QVERIFY(enhance.shown);
    QCOMPARE(enhance.bound, f->view.get());
    QCOMPARE(enhance.caption, f->document.title());
    QCOMPARE(enhance.sizeMaximum, 30); // half of 60
    QVERIFY(!f->enabled(ID_ENHANCE));
    QVERIFY(!curve.bound);
    f->run(ID_CURVE_ADJUSTMENT);
    QCOMPARE(curve.bound, f->view.get());
    // The view goes: every dialog lets go of it.
    f.reset();
    QCOMPARE(enhance.resets, 1);
    QVERIFY(!curve.bound);
}

QTEST_MAIN(TestViewImageCommands)
#include "test_view_image_commands.moc"
