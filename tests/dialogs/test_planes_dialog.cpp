// The Color Planes dialog over a real view: buttons and labels per colour
// model, what the view shows as buttons are selected, Merge of an edited
// plane, Close with and without Merge, and the view told once.

#include "FakeHost.h"
#include "core/CommandIds.h"
#include "dialogs/CColorPlanesDlg.h"
#include "view/CArdaneView.h"

#include <QDir>
#include <QGroupBox>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

using namespace ardane;
using ardane::test::FakeHost;

namespace {

constexpr int kRgb = 0;
constexpr int kCmyk = 1;
constexpr int kHsv = 2;
constexpr int kHls = 3;
constexpr int kCmy = 4;

struct Fixture {
    FakeHost host;
    doc::ColorReduction reduction;
    doc::CArdaneDoc document{reduction, 1};
    std::unique_ptr<CArdaneView> view;

    Fixture()
    {
        document.OnNewDocument({40, 30, 100, 100});
        view = std::make_unique<CArdaneView>(host, document);
        view->resize(200, 150);
        view->OnInitialUpdate();
        // Left half (10, 20, 200), right half (250, 128, 5).
        QImage& px = view->image().bitmapForDrawing().image();
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                px.setPixel(x, y, x < 20 ? qRgb(10, 20, 200) : qRgb(250, 128, 5));
    }
    QRgb at(int x, int y) const { return view->image().ImageHandle().pixelRgb(x, y) & 0xFFFFFF; }
};

bool runCommand(CArdaneView& view, int id)
{
    const CommandMap::Entry* entry = view.commands().find(id);
    if (!entry || !entry->run)
        return false;
    entry->run();
    return true;
}

bool commandEnabled(CArdaneView& view, int id)
{
    const CommandMap::Entry* entry = view.commands().find(id);
    CommandState state;
    if (entry && entry->update)
        entry->update(state);
    return entry && state.enabled;
}

QRgb rgb(int r, int g, int b)
{
    return qRgb(r, g, b) & 0xFFFFFF;
}

} // namespace

class TestPlanesDialog : public QObject {
    Q_OBJECT

    // The view's separation command for `model`, with a host that opens
    // this dialog.
    static QPointer<CColorPlanesDlg> separate(Fixture& f, int model)
    {
        static constexpr int kCommands[] = {ID_SEPARATE_RGB, ID_SEPARATE_CMYK, ID_SEPARATE_HSV, ID_SEPARATE_HLS,
                                            ID_SEPARATE_CMY};
        QPointer<CColorPlanesDlg> opened;
        f.host.planesFactory = [&opened](CArdaneView& v) -> PlanesPanel* {
            opened = new CColorPlanesDlg(v);
            return opened.data();
        };
        if (!runCommand(*f.view, kCommands[model]))
            return {};
        f.host.planesFactory = nullptr;
        if (opened && f.view->planesDialog() != opened.data())
            return {};
        return opened;
    }

    static void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

private slots:
    void labelTables()
    {
        const auto names = [](int type) {
            QStringList out;
            for (std::string_view s : planeLabelTexts(type))
                out << QString::fromUtf8(s.data(), qsizetype(s.size()));
            return out;
        };
        QCOMPARE(names(kRgb), (QStringList{"RGB", "BLUE", "GREEN", "RED"}));
        QCOMPARE(names(kCmyk), (QStringList{"CMYK", "Cyan", "Mag", "Yellow", "Black"}));
        QCOMPARE(names(kCmy), (QStringList{"CMY", "Cyan", "Mag", "Yellow"}));
        QCOMPARE(names(kHsv), (QStringList{"HSV", "Hue", "Sat", "Value"}));
        QCOMPARE(names(kHls), (QStringList{"HLS", "Hue", "Lt", "Sat"}));
        QCOMPARE(names(9), names(kRgb));
        QCOMPARE(names(-1), names(kRgb));
    }

    // RGB: four buttons and labels, "Plane 0" selected, the view showing
    // the blue plane.
    void opensOnTheFirstPlane()
    {
        Fixture f;
        QPointer<CColorPlanesDlg> dlg = separate(f, kRgb);
        QVERIFY(dlg);
        QCOMPARE(dlg->windowTitle(), f.document.title());
        QCOMPARE(dlg->buttonCount(), 4);
        QVERIFY(dlg->button(4)->isHidden());
        QVERIFY(dlg->label(4)->isHidden());
        const QStringList texts{"RGB", "BLUE", "GREEN", "RED"};
        for (int k = 0; k < 4; ++k) {
            QVERIFY(!dlg->button(k)->isHidden());
            QCOMPARE(dlg->label(k)->text(), texts[k]);
        }
        QCOMPARE(dlg->button(0)->text(), QStringLiteral("Planes"));
        QCOMPARE(dlg->button(0)->planeIndex(), CPlaneButton::kWholeImage);
        QCOMPARE(dlg->button(1)->planeIndex(), 0);
        QCOMPARE(dlg->separationBox()->title(), QStringLiteral("Color Separation"));
        QVERIFY(dlg->mergeButton()->isDefault());

        QCOMPARE(dlg->selectedButton(), 1);
        QCOMPARE(dlg->label(1)->fillColor(), makeColorRef(128, 0, 0));
        QCOMPARE(dlg->label(1)->textColor(), makeColorRef(255, 255, 255));
        for (int k : {0, 2, 3}) {
            QCOMPARE(dlg->label(k)->fillColor(), makeColorRef(255, 255, 255));
            QCOMPARE(dlg->label(k)->textColor(), makeColorRef(0, 0, 0));
        }
        // The blue plane: 200 on the left, 5 on the right, as grey.
        QCOMPARE(f.view->image().BitsPerPixel(), 8);
        QCOMPARE(f.at(0, 0), rgb(200, 200, 200));
        QCOMPARE(f.at(39, 29), rgb(5, 5, 5));
        dlg->closePanel();
        flushDeletes();
        QVERIFY(!dlg);
    }

    void selectingShowsPlanesAndTheWholeImage()
    {
        Fixture f;
        QPointer<CColorPlanesDlg> dlg = separate(f, kRgb);
        QVERIFY(dlg);
        QTest::mouseClick(dlg->button(3), Qt::LeftButton); // "Plane 2": red
        QCOMPARE(dlg->selectedButton(), 3);
        QCOMPARE(f.at(0, 0), rgb(10, 10, 10));
        QCOMPARE(f.at(39, 0), rgb(250, 250, 250));
        QVERIFY(dlg->focusWidget() == dlg->mergeButton());
        QCOMPARE(dlg->label(3)->fillColor(), makeColorRef(128, 0, 0));
        QCOMPARE(dlg->label(1)->fillColor(), makeColorRef(255, 255, 255));
        for (int k = 0; k < 4; ++k)
            QCOMPARE(dlg->button(k)->isSelected(), k == 3);

        QTest::mouseClick(dlg->button(0), Qt::LeftButton); // "Planes"
        QCOMPARE(dlg->selectedButton(), 0);
        QCOMPARE(f.view->image().BitsPerPixel(), 24);
        QCOMPARE(f.at(0, 0), rgb(10, 20, 200));
        QCOMPARE(f.at(39, 0), rgb(250, 128, 5));
        QCOMPARE(dlg->label(0)->fillColor(), makeColorRef(128, 0, 0));
        QCOMPARE(dlg->label(3)->fillColor(), makeColorRef(255, 255, 255));

        // Whatever the view shows while "Planes" is selected, repainting
        // that preview puts the whole image back.
        QVERIFY(f.view->image().FillImage(makeColorRef(1, 2, 3)) == imaging::result::Ok);
        dlg->repaintSelectedPreview();
        QCOMPARE(f.at(0, 0), rgb(10, 20, 200));

        // A selected button stays selected on a second click; the hidden
        // fifth button cannot be selected.
        QTest::mouseClick(dlg->button(0), Qt::LeftButton);
        QCOMPARE(dlg->selectedButton(), 0);
        dlg->selectButton(4);
        dlg->selectButton(-1);
        QCOMPARE(dlg->selectedButton(), 0);
        dlg->closePanel();
    }

    void closeWithoutMergeRestoresTheImage()
    {
        Fixture f;
        QPointer<CColorPlanesDlg> dlg = separate(f, kRgb);
        QVERIFY(dlg);
        QTest::mouseClick(dlg->button(2), Qt::LeftButton);
        // An edit of the plane in the view, stored into the plane.
        QVERIFY(f.view->image().FillImage(makeColorRef(0, 0, 0)) == imaging::result::Ok);
        f.view->planeControl().SetPlaneImage(1, f.view->image().ImageHandle());
        dlg->repaintSelectedPreview();
        QCOMPARE(f.at(0, 0), rgb(0, 0, 0));

        QTest::mouseClick(dlg->closeButton(), Qt::LeftButton);
        QCOMPARE(f.view->image().BitsPerPixel(), 24);
        QCOMPARE(f.at(0, 0), rgb(10, 20, 200));
        QCOMPARE(f.at(39, 29), rgb(250, 128, 5));
        QVERIFY(!f.view->planeControl().HasImage());
        QCOMPARE(f.view->planeControl().PlaneCount(), 0);
        QVERIFY(!f.view->backupControl().HasImage());
        flushDeletes();
        QVERIFY(!dlg);
    }

    void mergeRecombinesAnEditedPlane()
    {
        Fixture f;
        QPointer<CColorPlanesDlg> dlg = separate(f, kRgb);
        QVERIFY(dlg);
        // Plane 0 (blue) edited to 77 everywhere.
        imaging::Bitmap blue = f.view->planeControl().PlaneImage(0);
        blue.image().fill(77);
        f.view->planeControl().SetPlaneImage(0, blue);

        QTest::mouseClick(dlg->mergeButton(), Qt::LeftButton);
        flushDeletes();
        QVERIFY(dlg); // Merge leaves the separation open
        const imaging::Bitmap& whole = f.view->backupControl().ImageHandle();
        QCOMPARE(whole.pixelRgb(0, 0) & 0xFFFFFF, rgb(10, 20, 77));
        QCOMPARE(whole.pixelRgb(39, 29) & 0xFFFFFF, rgb(250, 128, 77));
        // The planes are split again from the merged image.
        QCOMPARE(f.view->planeControl().PlaneCount(), 3);
        QCOMPARE(f.view->planeControl().PlaneImage(2).pixelRgb(0, 0) & 0xFF, 10u);

        QTest::mouseClick(dlg->button(0), Qt::LeftButton);
        QCOMPARE(f.at(39, 29), rgb(250, 128, 77));
        QTest::mouseClick(dlg->button(1), Qt::LeftButton);
        QCOMPARE(f.at(5, 5), rgb(77, 77, 77));

        dlg->close(); // the close box
        QCOMPARE(f.view->image().BitsPerPixel(), 24);
        QCOMPARE(f.at(0, 0), rgb(10, 20, 77));
        flushDeletes();
        QVERIFY(!dlg);
    }

    void cmykShowsFiveButtonsInAWiderDialog()
    {
        Fixture rgbFixture;
        QPointer<CColorPlanesDlg> rgbDlg = separate(rgbFixture, kRgb);
        Fixture cmykFixture;
        QPointer<CColorPlanesDlg> cmykDlg = separate(cmykFixture, kCmyk);
        QVERIFY(rgbDlg && cmykDlg);
        rgbDlg->show();
        cmykDlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(rgbDlg.data()));
        QVERIFY(QTest::qWaitForWindowExposed(cmykDlg.data()));
        QCOMPARE(cmykDlg->buttonCount(), 5);
        QVERIFY(!cmykDlg->button(4)->isHidden());
        QCOMPARE(cmykDlg->button(4)->planeIndex(), 3);
        QCOMPARE(cmykDlg->label(0)->text(), QStringLiteral("CMYK"));
        QCOMPARE(cmykDlg->label(4)->text(), QStringLiteral("Black"));
        // The fifth column's width, give or take the spacing.
        const int narrower = cmykDlg->width() - rgbDlg->width();
        QVERIFY2(narrower >= CPlaneButton::kPreviewSize, qPrintable(QString::number(narrower)));
        QVERIFY(cmykDlg->separationBox()->width() - rgbDlg->separationBox()->width() >= CPlaneButton::kPreviewSize);
        QVERIFY(rgbDlg->mergeButton()->x() < cmykDlg->mergeButton()->x());
        QCOMPARE(rgbDlg->mergeButton()->x(), rgbDlg->closeButton()->x());

        // The black plane of (10, 20, 200) and (250, 128, 5): 255 - max.
        QTest::mouseClick(cmykDlg->button(4), Qt::LeftButton);
        QCOMPARE(cmykDlg->selectedButton(), 4);
        QCOMPARE(cmykFixture.at(0, 0), rgb(55, 55, 55));
        QCOMPARE(cmykFixture.at(39, 0), rgb(5, 5, 5));

        QDir().mkpath(QStringLiteral("/tmp/enhance-shots"));
        QVERIFY(cmykDlg->grab().save(QStringLiteral("/tmp/enhance-shots/planes-cmyk.png")));
        rgbDlg->closePanel();
        cmykDlg->closePanel();
    }

    // An edit in the view while a plane is selected goes into that plane;
    // Merge then builds the whole image from it.
    void editInTheViewThenMerge()
    {
        Fixture f;
        QPointer<CColorPlanesDlg> dlg = separate(f, kRgb);
        QVERIFY(dlg);
        EnhanceRequest invert;
        invert.operation = 9; // "Invert(film nagative)"
        f.view->applyEnhancement(invert);
        QCOMPARE(f.at(0, 0), rgb(55, 55, 55));
        QCOMPARE(f.view->planeControl().PlaneImage(0).pixelRgb(0, 0) & 0xFF, 55u);
        QTest::mouseClick(dlg->mergeButton(), Qt::LeftButton);
        QCOMPARE(f.view->backupControl().ImageHandle().pixelRgb(0, 0) & 0xFFFFFF, rgb(10, 20, 55));
        QCOMPARE(f.view->backupControl().ImageHandle().pixelRgb(39, 0) & 0xFFFFFF, rgb(250, 128, 250));

        // With "Planes" selected an edit stays out of the planes.
        QTest::mouseClick(dlg->button(0), Qt::LeftButton);
        f.view->applyEnhancement(invert);
        QCOMPARE(f.view->planeControl().PlaneImage(0).pixelRgb(0, 0) & 0xFF, 55u);
        dlg->closePanel();
        QCOMPARE(f.at(0, 0), rgb(10, 20, 55));
    }

    // The view hears of the end once: a dialog deleted after a second
    // separation has opened leaves the new dialog in place.
    void viewToldOnce()
    {
        Fixture f;
        QPointer<CColorPlanesDlg> first = separate(f, kRgb);
        QVERIFY(first);
        QVERIFY(!commandEnabled(*f.view, ID_SEPARATE_HSV));
        first->closePanel();
        QVERIFY(f.view->planesDialog() == nullptr);
        QVERIFY(commandEnabled(*f.view, ID_SEPARATE_HSV));
        QPointer<CColorPlanesDlg> second = separate(f, kHsv);
        QVERIFY(second);
        QVERIFY(first); // not deleted yet
        flushDeletes();
        QVERIFY(!first);
        QVERIFY(f.view->planesDialog() == second.data());
        QCOMPARE(second->label(3)->text(), QStringLiteral("Value"));
        QCOMPARE(second->buttonCount(), 4);
        delete second.data(); // destroyed without Close: still ends the separation
        QVERIFY(f.view->planesDialog() == nullptr);
        QCOMPARE(f.at(0, 0), rgb(10, 20, 200));
    }

    // A picture of the RGB layout, for looking at it.
    void screenshots()
    {
        Fixture f;
        QPointer<CColorPlanesDlg> dlg = separate(f, kRgb);
        QVERIFY(dlg);
        dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(dlg.data()));
        QDir().mkpath(QStringLiteral("/tmp/enhance-shots"));
        QVERIFY(dlg->grab().save(QStringLiteral("/tmp/enhance-shots/planes-rgb.png")));
        dlg->closePanel();
    }
};

QTEST_MAIN(TestPlanesDialog)
#include "test_planes_dialog.moc"
