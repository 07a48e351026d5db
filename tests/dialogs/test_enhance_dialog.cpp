// The Enhance Image dialog: the slider set up per operation, which inputs
// each operation shows and enables, typed values, the Size box's limits,
// binding and reset, Apply on a real view, Save and Restore, Close.

#include "FakeHost.h"
#include "core/CommandIds.h"
#include "dialogs/CEnhanceDlg.h"
#include "view/CArdaneView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

using namespace ardane;
using ardane::test::FakeHost;

namespace {

constexpr int kAddNoise = 0;
constexpr int kAverage = 1;
constexpr int kContrast = 2;
constexpr int kEmboss = 3;
constexpr int kInvert = 9;
constexpr int kMedian = 10;
constexpr int kMosaic = 11;
constexpr int kShear = 15;

struct ViewFixture {
    FakeHost host;
    doc::ColorReduction reduction;
    doc::CArdaneDoc document{reduction, 1};
    std::unique_ptr<CArdaneView> view;

    ViewFixture()
    {
        document.OnNewDocument({40, 30, 100, 100});
        view = std::make_unique<CArdaneView>(host, document);
        view->resize(200, 150);
        view->OnInitialUpdate();
    }
    QRgb at(int x, int y) const { return view->image().ImageHandle().pixelRgb(x, y) & 0xFFFFFF; }
    void fill(ColorRef c) const { QCOMPARE(view->image().FillImage(c), imaging::result::Ok); }
};

} // namespace

class TestEnhanceDialog : public QObject {
    Q_OBJECT

    imaging::ImagingControl m_snapshot;

private slots:
    void init() { m_snapshot.SetImageHandle(imaging::Bitmap{}); }

    void startsUnboundOnAddNoise()
    {
        CEnhanceDlg dlg(m_snapshot);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("No associated image"));
        QVERIFY(!dlg.applyButton()->isEnabled());
        QCOMPARE(dlg.operationList()->count(), 16);
        QCOMPARE(dlg.operationList()->itemText(4), QStringLiteral("Gamma  Correct(Brighten)"));
        QCOMPARE(dlg.operationList()->currentIndex(), kAddNoise);
        QCOMPARE(dlg.minimumLabel()->text(), QStringLiteral("0"));
        QCOMPARE(dlg.maximumLabel()->text(), QStringLiteral("1000"));
        QCOMPARE(dlg.slider()->value(), 500);
        QCOMPARE(dlg.valueField()->text(), QStringLiteral("500"));
        QCOMPARE(dlg.sizeField()->text(), QStringLiteral("4"));
        QVERIFY(dlg.sizeField()->isHidden());
        QVERIFY(dlg.sizeLabel()->isHidden());
        QVERIFY(dlg.horizontalBox()->isHidden());
        QVERIFY(!dlg.channelList()->isHidden());
        QCOMPARE(dlg.channelList()->count(), 4);
        QCOMPARE(dlg.channelList()->itemText(3), QStringLiteral("Blue"));
        QCOMPARE(dlg.directionList()->count(), 8);
        QCOMPARE(dlg.directionList()->itemText(2), QStringLiteral("North West"));
        QCOMPARE(dlg.directionList()->itemText(7), QStringLiteral("West"));
        QCOMPARE(dlg.sizeMaximum(), 100);
        QVERIFY(dlg.boundView() == nullptr);
    }

    void sliderPerOperation_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<QString>("min");
        QTest::addColumn<QString>("max");
        QTest::addColumn<int>("start");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("Posterize") << 12 << "2" << "64" << 33 << true;
        QTest::newRow("Hue") << 7 << "0" << "360" << 180 << true;
        QTest::newRow("Contrast") << kContrast << "-1000" << "1000" << -1000 << true;
        QTest::newRow("Gamma") << 4 << "220" << "250" << 235 << true;
        QTest::newRow("Shear") << kShear << "0" << "45" << 22 << true;
        QTest::newRow("Mosaic") << kMosaic << "0" << "0" << 0 << false;
        QTest::newRow("Grayscale") << 5 << "0" << "0" << 0 << false;
    }
    void sliderPerOperation()
    {
        QFETCH(int, op);
        QFETCH(QString, min);
        QFETCH(QString, max);
        QFETCH(int, start);
        QFETCH(bool, enabled);
        CEnhanceDlg dlg(m_snapshot);
        dlg.operationList()->setCurrentIndex(op);
        QCOMPARE(dlg.minimumLabel()->text(), min);
        QCOMPARE(dlg.maximumLabel()->text(), max);
        QCOMPARE(dlg.slider()->value(), start);
        QCOMPARE(dlg.valueField()->text(), QString::number(start));
        QCOMPARE(dlg.slider()->isEnabled(), enabled);
    }

    // Which of Size, Channel and Horizontal an operation shows, and which
    // lists it enables.
    void inputsPerOperation()
    {
        CEnhanceDlg dlg(m_snapshot);
        for (int op = 0; op < 16; ++op) {
            dlg.operationList()->setCurrentIndex(op);
            const QString name = dlg.operationList()->currentText();
            const bool size = op == kAverage || op == kMedian || op == kMosaic;
            const bool shear = op == kShear;
            QCOMPARE(!dlg.sizeField()->isHidden(), size);
            QCOMPARE(!dlg.sizeLabel()->isHidden(), size);
            QCOMPARE(!dlg.horizontalBox()->isHidden(), shear);
            QCOMPARE(!dlg.channelList()->isHidden(), !size && !shear);
            QCOMPARE(!dlg.channelLabel()->isHidden(), !size && !shear);
            QVERIFY2(!dlg.directionList()->isHidden(), qPrintable(name));
            QCOMPARE(dlg.directionList()->isEnabled(), name == QStringLiteral("Emboss"));
            QCOMPARE(dlg.channelList()->isEnabled(), name == QStringLiteral("Add Noise"));
        }
    }

    void requestCarriesTheInputs()
    {
        CEnhanceDlg dlg(m_snapshot);
        dlg.operationList()->setCurrentIndex(kMosaic);
        dlg.sizeField()->setText(QStringLiteral("7"));
        EnhanceRequest r = dlg.request();
        QCOMPARE(r.operation, kMosaic);
        QCOMPARE(r.size, 7);

        dlg.operationList()->setCurrentIndex(kShear);
        dlg.horizontalBox()->setChecked(true);
        dlg.slider()->setValue(30);
        r = dlg.request();
        QCOMPARE(r.operation, kShear);
        QCOMPARE(r.value, 30);
        QVERIFY(r.horizontal);

        dlg.operationList()->setCurrentIndex(kEmboss);
        dlg.directionList()->setCurrentIndex(7);
        dlg.channelList()->setCurrentIndex(2);
        r = dlg.request();
        QCOMPARE(r.direction, 7);
        QCOMPARE(r.channel, 2);
        QCOMPARE(r.value, 500);
    }

    void typedValues()
    {
        CEnhanceDlg dlg(m_snapshot);
        dlg.operationList()->setCurrentIndex(kContrast);
        dlg.valueField()->clear();
        QTest::keyClicks(dlg.valueField(), QStringLiteral("-12x"));
        QCOMPARE(dlg.slider()->value(), -120);
        QCOMPARE(dlg.valueField()->text(), QStringLiteral("-12x")); // not rewritten

        dlg.valueField()->setText(QStringLiteral("2000"));
        QCOMPARE(dlg.slider()->value(), -120);
        QCOMPARE(dlg.valueField()->text(), QStringLiteral("2000"));

        // A '-' after the first place counts as a 0.
        dlg.valueField()->setText(QStringLiteral("5-0"));
        QCOMPARE(dlg.slider()->value(), 500);

        // Only the first seven characters count: "0000000".
        dlg.operationList()->setCurrentIndex(kAddNoise);
        dlg.valueField()->setText(QStringLiteral("0000000999"));
        QCOMPARE(dlg.slider()->value(), 0);

        QCOMPARE(typedValue(QStringLiteral("-")), 0);
        QCOMPARE(typedValue(QString()), 0);
        QCOMPARE(typedValue(QStringLiteral("--5")), -5);
        QCOMPARE(typedValue(QStringLiteral("9999999999")), 9999999);
    }

    void sliderWritesTheBoxExceptWhileDragged()
    {
        CEnhanceDlg dlg(m_snapshot);
        dlg.slider()->setValue(300);
        QCOMPARE(dlg.valueField()->text(), QStringLiteral("300"));
        dlg.slider()->setSliderDown(true);
        dlg.slider()->setValue(400);
        QCOMPARE(dlg.valueField()->text(), QStringLiteral("300"));
        dlg.slider()->setSliderDown(false); // the release
        QCOMPARE(dlg.valueField()->text(), QStringLiteral("400"));
        dlg.slider()->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(dlg.valueField()->text(), QString::number(dlg.slider()->value()));
        QVERIFY(dlg.slider()->value() > 400);
    }

    void sizeBoxLimits()
    {
        CEnhanceDlg dlg(m_snapshot);
        dlg.operationList()->setCurrentIndex(kMosaic);
        dlg.sizeField()->setText(QStringLiteral("150"));
        QCOMPARE(dlg.sizeField()->text(), QStringLiteral("100")); // the initial maximum
        dlg.setSizeMaximum(300);
        dlg.sizeField()->setText(QStringLiteral("500"));
        QCOMPARE(dlg.sizeField()->text(), QStringLiteral("300"));
        dlg.sizeField()->setText(QStringLiteral("-8"));
        QCOMPARE(dlg.sizeField()->text(), QStringLiteral("0"));
        dlg.sizeField()->setText(QStringLiteral("120"));
        QCOMPARE(dlg.sizeField()->text(), QStringLiteral("120"));
        QCOMPARE(dlg.request().size, 120);
        dlg.sizeField()->setText(QStringLiteral("99999999999"));
        QCOMPARE(dlg.sizeField()->text(), QStringLiteral("300"));
        dlg.setSizeMaximum(-4); // never below the minimum
        QCOMPARE(dlg.sizeMaximum(), 0);
    }

    void bindResetAndClose()
    {
        ViewFixture f;
        CEnhanceDlg dlg(m_snapshot);
        dlg.showAdjuster();
        QVERIFY(dlg.isShown());
        dlg.bindView(f.view.get());
        QVERIFY(dlg.boundView() == f.view.get());
        QVERIFY(dlg.applyButton()->isEnabled());
        QVERIFY(!m_snapshot.HasImage()); // binding takes no snapshot
        dlg.setCaption(QStringLiteral("Untitled1"));
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Untitled1"));

        QTest::mouseClick(dlg.closeButton(), Qt::LeftButton);
        QVERIFY(!dlg.isShown());
        QVERIFY(!dlg.applyButton()->isEnabled());
        QVERIFY(dlg.boundView() == f.view.get());
        dlg.showAdjuster();
        dlg.bindView(f.view.get());
        QVERIFY(dlg.applyButton()->isEnabled());

        dlg.reset();
        QVERIFY(dlg.boundView() == nullptr);
        QVERIFY(!dlg.applyButton()->isEnabled());
        QCOMPARE(dlg.windowTitle(), QStringLiteral("No associated image"));
        dlg.apply(); // unbound: nothing happens
        dlg.save();
        QVERIFY(!dlg.hasSaved());
        QVERIFY(!m_snapshot.HasImage());
    }

    // The view's "Enhance/Effects" command shows and binds the dialog:
    // the document's title, Apply on, the Size box limited to half the
    // image's width; the view going away resets it. Closing unplanes a
    // planes dialog of the view too.
    void shownAndBoundByTheView()
    {
        ViewFixture f;
        CEnhanceDlg dlg(m_snapshot);
        f.host.dialogs.enhance = &dlg;
        const CommandMap::Entry* show = f.view->commands().find(ID_ENHANCE);
        QVERIFY(show && show->run);
        show->run();
        QVERIFY(dlg.isShown());
        QVERIFY(dlg.boundView() == f.view.get());
        QCOMPARE(dlg.windowTitle(), f.document.title());
        QVERIFY(dlg.applyButton()->isEnabled());
        QCOMPARE(dlg.sizeMaximum(), 20);
        dlg.operationList()->setCurrentIndex(kMosaic);
        dlg.sizeField()->setText(QStringLiteral("500"));
        QCOMPARE(dlg.sizeField()->text(), QStringLiteral("20"));

        f.view->unbindDialogs();
        QVERIFY(dlg.boundView() == nullptr);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("No associated image"));
        QVERIFY(!dlg.applyButton()->isEnabled());
        f.host.dialogs.enhance = nullptr;
    }

    void applyRunsTheOperationOnTheView()
    {
        ViewFixture f;
        f.fill(makeColorRef(10, 20, 30));
        CEnhanceDlg dlg(m_snapshot);
        dlg.bindView(f.view.get());
        dlg.operationList()->setCurrentIndex(kInvert);
        QTest::mouseClick(dlg.applyButton(), Qt::LeftButton);
        QCOMPARE(f.at(5, 5), qRgb(245, 235, 225) & 0xFFFFFF);
        QCOMPARE(f.at(39, 29), qRgb(245, 235, 225) & 0xFFFFFF);
        QVERIFY(f.document.isModified());
    }

    void saveAndRestore()
    {
        ViewFixture f;
        f.fill(makeColorRef(200, 0, 0));
        CEnhanceDlg dlg(m_snapshot);
        dlg.bindView(f.view.get());

        // Restore before any Save in this dialog does nothing.
        f.fill(makeColorRef(0, 200, 0));
        m_snapshot.SetImageHandle(imaging::Bitmap::create(40, 30, 24));
        QTest::mouseClick(dlg.restoreButton(), Qt::LeftButton);
        QCOMPARE(f.at(3, 3), qRgb(0, 200, 0) & 0xFFFFFF);

        QTest::mouseClick(dlg.saveButton(), Qt::LeftButton);
        QVERIFY(dlg.hasSaved());
        QCOMPARE(m_snapshot.ImageHandle().pixelRgb(3, 3) & 0xFFFFFF, qRgb(0, 200, 0) & 0xFFFFFF);

        f.fill(makeColorRef(0, 0, 200));
        QCOMPARE(m_snapshot.ImageHandle().pixelRgb(3, 3) & 0xFFFFFF, qRgb(0, 200, 0) & 0xFFFFFF);
        QTest::mouseClick(dlg.restoreButton(), Qt::LeftButton);
        QCOMPARE(f.at(3, 3), qRgb(0, 200, 0) & 0xFFFFFF);

        // An emptied shared snapshot does not blank the image.
        m_snapshot.SetImageHandle(imaging::Bitmap{});
        dlg.restore();
        QVERIFY(f.view->image().HasImage());
    }

    // A picture of the dialog, for looking at its layout.
    void screenshot()
    {
        CEnhanceDlg dlg(m_snapshot);
        dlg.setCaption(QStringLiteral("Untitled1"));
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QDir().mkpath(QStringLiteral("/tmp/enhance-shots"));
        QVERIFY(dlg.grab().save(QStringLiteral("/tmp/enhance-shots/enhance-add-noise.png")));
        dlg.operationList()->setCurrentIndex(kMosaic);
        QVERIFY(dlg.grab().save(QStringLiteral("/tmp/enhance-shots/enhance-mosaic.png")));
        dlg.operationList()->setCurrentIndex(kShear);
        QVERIFY(dlg.grab().save(QStringLiteral("/tmp/enhance-shots/enhance-shear.png")));
    }
};

QTEST_MAIN(TestEnhanceDialog)
#include "test_enhance_dialog.moc"
