// The Color Planes dialog over a real view: buttons and labels per colour
// model, what the view shows as buttons are selected, Merge of an edited
// plane, Close with and without Merge, and the view told once.

#include "FakeHost.h"
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

QRgb rgb(int r, int g, int b)
{
    return qRgb(r, g, b) & 0xFFFFFF;
}

} // namespace

class TestPlanesDialog : public QObject {
    Q_OBJECT

    // A separation of the view's image into the planes of `model`, with the
    // dialog it opens.
    static QPointer<CColorPlanesDlg> separate(Fixture& f, int model)
    {
        (void)model;
        f.view->backupControl().SetImageHandle(f.view->image().ImageHandle());
        f.view->planeControl().SetImageHandle(f.view->image().ImageHandle());
        if (f.view->planeControl().SplitPlanes(kRgb) != imaging::result::Ok)
            return {};
        return new CColorPlanesDlg(*f.view);
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

    // Pictures of both layouts, for looking at them.
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
