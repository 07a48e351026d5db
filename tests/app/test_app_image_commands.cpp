// The image commands in the running shell: the modeless dialogs made at
// start-up, shown and bound by their commands, let go when their image
// closes; the colour planes window of a separation; the Image menu.

#include "AppSession.h"
#include "core/StringTable.h"
#include "dialogs/CColorPlanesDlg.h"
#include "dialogs/CEnhanceDlg.h"

#include <QMenuBar>
#include <QTemporaryDir>
#include <QtTest>

using namespace ardane;
using Session = test::AppSession;

class TestAppImageCommands : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void dialogsExistFromStartAndFollowTheImage();
    void separationOpensThePlanesWindow();
    void imageMenuHoldsTheCommands();

private:
    QTemporaryDir m_config;
};

void TestAppImageCommands::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
}

void TestAppImageCommands::dialogsExistFromStartAndFollowTheImage()
{
    Session s;
    QVERIFY(s.start());
    const AdjustDialogs dialogs = s.app->adjustDialogs();
    QVERIFY(dialogs.enhance && dialogs.precise && dialogs.curve && dialogs.flat);
    QVERIFY(!dialogs.enhance->isShown());
    auto* enhance = dynamic_cast<CEnhanceDlg*>(dialogs.enhance);
    QVERIFY(enhance);
    QCOMPARE(enhance->windowTitle(), QStringLiteral("No associated image"));

    s.newImage(120, 80);
    QVERIFY(s.view());
    QVERIFY(s.state(ID_ENHANCE).enabled);
    s.run(ID_ENHANCE);
    QVERIFY(dialogs.enhance->isShown());
    QCOMPARE(dialogs.enhance->boundView(), s.view());
    QCOMPARE(enhance->windowTitle(), s.view()->document().title());
    QVERIFY(!s.state(ID_ENHANCE).enabled); // enabled only while hidden
    s.run(ID_CURVE_ADJUSTMENT);
    QCOMPARE(dialogs.curve->boundView(), s.view());
    QVERIFY(!dialogs.flat->boundView()); // still hidden: not bound

    // Closing the image lets every dialog go.
    s.ui->saveChangesAnswers.push_back(SaveChangesAnswer::No);
    s.run(ID_FILE_CLOSE);
    s.settle();
    QVERIFY(!dialogs.enhance->boundView());
    QVERIFY(!dialogs.curve->boundView());
    QCOMPARE(enhance->windowTitle(), QStringLiteral("No associated image"));
    s.app->ExitInstance();
}

void TestAppImageCommands::separationOpensThePlanesWindow()
{
    Session s;
    QVERIFY(s.start());
    s.newImage(64, 48);
    CArdaneView* view = s.view();
    QVERIFY(view);
    QVERIFY(s.state(ID_SEPARATE_CMYK).enabled);
    s.run(ID_SEPARATE_CMYK);
    auto* planes = dynamic_cast<CColorPlanesDlg*>(view->planesDialog());
    QVERIFY(planes);
    QVERIFY(planes->isVisible());
    QCOMPARE(planes->buttonCount(), 5);
    QCOMPARE(planes->selectedButton(), 1);
    for (int id : {ID_SEPARATE_RGB, ID_SEPARATE_CMYK, ID_SEPARATE_CMY, ID_SEPARATE_HSV, ID_SEPARATE_HLS})
        QVERIFY(!s.state(id).enabled);
    planes->closePanel();
    s.settle();
    QVERIFY(!view->planesDialog());
    QVERIFY(s.state(ID_SEPARATE_HLS).enabled);

    // A window still open when its image closes goes with it.
    s.run(ID_SEPARATE_HLS);
    QPointer<CColorPlanesDlg> open = dynamic_cast<CColorPlanesDlg*>(view->planesDialog());
    QVERIFY(open);
    s.ui->saveChangesAnswers.push_back(SaveChangesAnswer::No);
    s.run(ID_FILE_CLOSE);
    s.settle();
    QVERIFY(open.isNull());
    s.app->ExitInstance();
}

void TestAppImageCommands::imageMenuHoldsTheCommands()
{
    Session s;
    QVERIFY(s.start());
    QMenu* image = nullptr;
    for (QAction* a : s.frame().menuBar()->actions())
        if (a->text() == QStringLiteral("&Image"))
            image = a->menu();
    QVERIFY(image);
    QStringList all;
    const std::function<void(QMenu*)> collect = [&](QMenu* m) {
        for (QAction* a : m->actions()) {
            if (a->menu())
                collect(a->menu());
            else if (!a->isSeparator())
                all << a->text();
        }
    };
    collect(image);
    for (const char* text : {"RGB", "CMYK", "CMY", "HSV", "HLS", "9&0 degree", "&180 degree", "&270 degree",
                             "&Specified Angle", "Enh&ance/Effects", "Detailed Adjustment", "Curve Adjustment",
                             "Flat Adjustment", "Entirely", "Inside Selection", "Outside Selection", "&Merge"})
        QVERIFY2(all.contains(QString::fromUtf8(text)), text);
    // Without an image the view's commands are off.
    QVERIFY(!s.state(ID_ENHANCE).enabled);
    QVERIFY(!s.state(ID_ROTATE_90).enabled);
    s.app->ExitInstance();
}

QTEST_MAIN(TestAppImageCommands)
#include "test_app_image_commands.moc"
