// The main frame as the program builds it: every paint-settings command from
// its menu item with its check marks, the colour and depth dialogs, the
// colour wells, the palettes and bars, the font-size check, the status panes
// following the active window, and all of it kept across a restart.

#include "AppSession.h"
#include "app/CArdaneApp.h"
#include "app/CChildFrame.h"
#include "core/CommandIds.h"
#include "app/CommandRegistry.h"
#include "app/DocumentManager.h"
#include "core/ProfileFormat.h"
#include "palettes/CColorWell.h"
#include "palettes/CFontSizeCombo.h"
#include "palettes/CMainToolBar.h"
#include "palettes/CPaletteSet.h"
#include "view/CArdaneView.h"

#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

using namespace ardane;

namespace {

QTemporaryDir* g_config = nullptr;

QString profilePath()
{
    return g_config->filePath("Ardane/Ardane.ini");
}

using Session = test::AppSession;

// A run of commands each storing a value, one check mark among them.
struct Choice {
    const char* name;
    int firstId;
    std::vector<int> values;
    int (*read)(const PaintSettings&);
};

std::vector<Choice> choices()
{
    return {
        {"draw mode", ID_DRAW_COPY_PEN, {13, 4, 14, 5, 3, 12, 15, 2, 9, 8, 7, 10},
         [](const PaintSettings& p) { return int(p.drawMode); }},
        {"shuffle density", ID_SHUFFLE_DENSITY_1, {1, 2, 3, 4, 5}, [](const PaintSettings& p) { return int(p.shuffleDensity); }},
        {"area size", ID_AREA_SIZE_2, {2, 4, 8, 12, 16}, [](const PaintSettings& p) { return int(p.areaSize); }},
        {"area shape", ID_AREA_SQUARE, {2, 4}, [](const PaintSettings& p) { return int(p.areaShape); }},
        {"capture scale", ID_CAPTURE_ACTUAL, {4, 1, 2}, [](const PaintSettings& p) { return int(p.captureScale); }},
        {"start angle", ID_TEXT_START_0, {0, 90, 180, 270}, [](const PaintSettings& p) { return int(p.textDefaults.startAngle); }},
        {"direction", ID_TEXT_NORTH, {0, 1, 2, 3, 4, 5, 6, 7}, [](const PaintSettings& p) { return int(p.textDefaults.direction); }},
        {"line width", ID_LINE_WIDTH_1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
         [](const PaintSettings& p) { return int(p.objectDefaults.lineWidth); }},
    };
}

std::vector<int> checkedItems(const Session& s, const Choice& c)
{
    std::vector<int> ids;
    for (int i = 0; i < int(c.values.size()); ++i)
        if (s.checked(c.firstId + i))
            ids.push_back(c.firstId + i);
    return ids;
}

QStringList menuTexts(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* a : menu->actions())
        texts << a->text();
    return texts;
}

} // namespace

class TestMainFrame : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        g_config = new QTemporaryDir;
        qputenv("XDG_CONFIG_HOME", g_config->path().toLocal8Bit());
    }
    void init() { QFile::remove(profilePath()); }
    void cleanupTestCase() { delete g_config; }

    void everyChoiceStoresItsValueAndChecksOnlyItsItem()
    {
        Session s;
        QVERIFY(s.start());
        // The defaults check "Copy Pen", "Density 3", "Save 1/2 of Actual Size"...
        QVERIFY(s.checked(ID_DRAW_COPY_PEN));
        QVERIFY(s.checked(ID_SHUFFLE_DENSITY_1 + 2));
        QVERIFY(s.checked(ID_CAPTURE_HALF));
        for (const Choice& c : choices()) {
            for (int i = 0; i < int(c.values.size()); ++i) {
                const int id = c.firstId + i;
                s.app->commands().updateAll();
                QVERIFY2(s.item(id)->isEnabled(), c.name);
                s.click(id);
                QCOMPARE(c.read(s.paint()), c.values[std::size_t(i)]);
                QCOMPARE(checkedItems(s, c), std::vector<int>{id});
            }
        }
        QCOMPARE(s.item(ID_SHUFFLE_DENSITY_5)->text(), QString("High Density 5"));
        QCOMPARE(s.item(ID_DRAW_INVERT_BITWISE_XOR)->text(), QString("Invert Bitwise XOR"));
        s.app->ExitInstance();
    }

    void textAndObjectCommandsEditTheDefaults()
    {
        Session s;
        QVERIFY(s.start());
        TextParams& t = s.paint().textDefaults;
        s.click(ID_TEXT_SHADOW);
        QVERIFY(t.shadow && !t.threeD);
        s.click(ID_TEXT_3D); // 3D on turns shadow off...
        QVERIFY(t.threeD && !t.shadow);
        QVERIFY(s.checked(ID_TEXT_3D) && !s.checked(ID_TEXT_SHADOW));
        s.click(ID_TEXT_SHADOW); // ...and the other way round
        QVERIFY(t.shadow && !t.threeD);
        s.click(ID_TEXT_SHADOW); // off again leaves 3D off
        QVERIFY(!t.shadow && !t.threeD);

        s.click(ID_TEXT_ARC);
        QCOMPARE(t.effect, std::int16_t(1));
        QVERIFY(s.checked(ID_TEXT_ARC));
        s.click(ID_TEXT_ARC); // twice: straight text again
        QCOMPARE(t.effect, std::int16_t(8));
        QVERIFY(!s.checked(ID_TEXT_ARC));
        s.click(ID_TEXT_CIRCLE);
        s.click(ID_TEXT_HALF_CIRCLE);
        QCOMPARE(t.effect, std::int16_t(4));
        QVERIFY(s.checked(ID_TEXT_HALF_CIRCLE) && !s.checked(ID_TEXT_CIRCLE) && !s.checked(ID_TEXT_ARC));
        QVERIFY(s.checked(ID_TEXT_CLOCKWISE));
        s.click(ID_TEXT_CLOCKWISE);
        QCOMPARE(t.clockwise, 0);
        QVERIFY(!s.checked(ID_TEXT_CLOCKWISE));

        // "Shadow/3D Depth" through "Text Attribute", preset with the depth.
        s.ui->depthAnswer = 17;
        s.click(ID_TEXT_DEPTH);
        QCOMPARE(s.ui->depthPresets, std::vector<int>{5});
        QCOMPARE(t.depth, std::int16_t(17));
        s.ui->depthAnswer = std::nullopt; // Cancel
        s.click(ID_TEXT_DEPTH);
        QCOMPARE(t.depth, std::int16_t(17));

        // The colours of shadows and shape interiors through the colour dialog.
        s.ui->colourAnswer = 0x00123456;
        s.click(ID_TEXT_SHADOW_COLOR);
        s.click(ID_OBJECT_FILL_COLOR);
        QCOMPARE(t.shadowColor, 0x123456u);
        QCOMPARE(s.paint().objectDefaults.fillColor, 0x123456u);
        QCOMPARE(s.ui->colourPresets, (std::vector<ColorRef>{0xC0C0C0, 0xFFFFFF}));

        QVERIFY(!s.checked(ID_OBJECT_FILL_INTERIOR));
        s.click(ID_OBJECT_FILL_INTERIOR);
        QCOMPARE(s.paint().objectDefaults.fillInterior, 1);
        QVERIFY(s.checked(ID_OBJECT_FILL_INTERIOR));
        s.app->ExitInstance();
    }

    void colourWellsShowThePenAndBackgroundColours()
    {
        Session s;
        QVERIFY(s.start());
        CMainToolBar* bar = s.frame().toolBar();
        QVERIFY(bar);
        QCOMPARE(bar->penWell().fillColor(), QColor(255, 255, 255));
        QCOMPARE(bar->backgroundWell().fillColor(), QColor(0, 0x80, 0x80)); // 0x808000

        s.ui->colourAnswer = 0x000000FF; // red
        s.click(ID_PEN_COLOR);
        QCOMPARE(s.paint().penColor, 0xFFu);
        QCOMPARE(bar->penWell().fillColor(), QColor(255, 0, 0));
        s.ui->colourAnswer = 0x00FF0000; // blue
        s.click(ID_BACKGROUND_COLOR);
        QCOMPARE(s.paint().backgroundColor, 0xFF0000u);
        QCOMPARE(bar->backgroundWell().fillColor(), QColor(0, 0, 255));
        QCOMPARE(s.ui->colourPresets, (std::vector<ColorRef>{0xFFFFFF, 0x808000}));

        s.ui->colourAnswer = std::nullopt; // Cancel keeps the colour and the well
        s.click(ID_PEN_COLOR);
        QCOMPARE(s.paint().penColor, 0xFFu);
        QCOMPARE(bar->penWell().fillColor(), QColor(255, 0, 0));
        // The pixels of the well.
        const QImage well = bar->backgroundWell().grab().toImage();
        QCOMPARE(well.pixelColor(well.width() / 2, well.height() / 2), QColor(0, 0, 255));
        s.app->ExitInstance();
    }

    void settingsAndPalettesSurviveARestart()
    {
        QPoint toolAt;
        {
            Session s;
            QVERIFY(s.start());
            for (int id : {int(ID_DRAW_COPY_PEN) + 10, int(ID_SHUFFLE_DENSITY_5), int(ID_AREA_SIZE_16), int(ID_AREA_CIRCLE),
                           int(ID_CAPTURE_QUARTER), int(ID_TEXT_3D), int(ID_TEXT_CIRCLE), int(ID_TEXT_CLOCKWISE),
                           int(ID_TEXT_START_0) + 1, int(ID_TEXT_WEST), int(ID_OBJECT_FILL_INTERIOR), int(ID_LINE_WIDTH_10)})
                s.click(id);
            s.ui->colourAnswer = 0x00010203;
            s.click(ID_PEN_COLOR);
            s.ui->depthAnswer = 9;
            s.click(ID_TEXT_DEPTH);
            // The spray palette hidden from the View menu, the tool palette moved.
            s.click(ID_VIEW_SPRAY_PALETTE);
            s.frame().palettes().tools().move(640, 320);
            toolAt = s.frame().palettes().tools().pos();
            s.quit();
        }
        QSettings profile(profilePath(), profileFormat());
        QCOMPARE(profile.value("Preference/Draw_ROP2_Mode").toInt(), 7);
        QCOMPARE(profile.value("GENERAL/Shuffle_Density").toInt(), 5);
        QCOMPARE(profile.value("Preference/DEFAULT_COLOR").toInt(), 0x010203);
        QCOMPARE(profile.value("TEXT_PARAM/TEXT_3D").toInt(), 1);
        QCOMPARE(profile.value("GENERAL/SHOW_SPRAYPAL").toInt(), 0);
        QCOMPARE(profile.value("GENERAL/SHOW_BRUSHPAL").toInt(), 1);
        QCOMPARE(profile.value("GENERAL/TOOLPAL_X").toInt(), toolAt.x());

        Session s;
        QVERIFY(s.start());
        const PaintSettings& p = s.paint();
        QCOMPARE(p.drawMode, 7);
        QCOMPARE(p.shuffleDensity, 5);
        QCOMPARE(p.areaSize, std::int16_t(16));
        QCOMPARE(p.areaShape, std::int16_t(4));
        QCOMPARE(p.captureScale, std::int16_t(2));
        QCOMPARE(p.penColor, 0x010203u);
        QCOMPARE(p.textDefaults.threeD, 1);
        QCOMPARE(p.textDefaults.effect, std::int16_t(2));
        QCOMPARE(p.textDefaults.clockwise, 0);
        QCOMPARE(p.textDefaults.startAngle, std::int16_t(90));
        QCOMPARE(p.textDefaults.direction, std::int16_t(7));
        QCOMPARE(p.textDefaults.depth, std::int16_t(9));
        QCOMPARE(p.objectDefaults.fillInterior, 1);
        QCOMPARE(p.objectDefaults.lineWidth, 10);
        // The check marks show them again.
        for (int id : {int(ID_DRAW_COPY_PEN) + 10, int(ID_SHUFFLE_DENSITY_5), int(ID_AREA_CIRCLE), int(ID_CAPTURE_QUARTER),
                       int(ID_TEXT_3D), int(ID_TEXT_CIRCLE), int(ID_TEXT_WEST), int(ID_LINE_WIDTH_10), int(ID_VIEW_TOOL_PALETTE)})
            QVERIFY2(s.checked(id), qPrintable(QString::number(id)));
        QVERIFY(!s.checked(ID_TEXT_CLOCKWISE));
        QVERIFY(!s.checked(ID_VIEW_SPRAY_PALETTE));
        QCOMPARE(s.frame().toolBar()->penWell().fillColor(), QColor(3, 2, 1));
        QVERIFY(s.frame().palettes().sprayStyles().isHidden());
        QCOMPARE(s.frame().palettes().tools().pos(), toolAt);
        s.app->ExitInstance();
    }

    void palettesFromTheViewMenuAndTheirButtons()
    {
        Session s;
        QVERIFY(s.start());
        CPaletteSet& palettes = s.frame().palettes();
        QVERIFY(s.checked(ID_VIEW_BRUSH_PALETTE));
        s.click(ID_VIEW_BRUSH_PALETTE);
        QVERIFY(palettes.brushStyles().isHidden());
        QVERIFY(!s.checked(ID_VIEW_BRUSH_PALETTE));

        // Clicking the brush tool brings its palette back; the sprayer's stays.
        QTest::mouseClick(palettes.tools().button(8), Qt::LeftButton);
        QCOMPARE(palettes.currentTool(), 8);
        QVERIFY(!palettes.brushStyles().isHidden());
        QVERIFY(s.checked(ID_VIEW_BRUSH_PALETTE));
        QTest::mouseClick(palettes.brushStyles().button(6), Qt::LeftButton);
        QTest::mouseClick(palettes.sprayStyles().button(3), Qt::LeftButton);
        QCOMPARE(palettes.currentBrushStyle(), 6);
        QCOMPARE(palettes.currentSprayStyle(), 3);
        QCOMPARE(palettes.tools().isChecked(8) + palettes.tools().isChecked(0), 1);

        // The palettes' own menu items hide and show them.
        s.click(ID_VIEW_TOOL_PALETTE);
        QVERIFY(palettes.tools().isHidden());
        s.click(ID_VIEW_TOOL_PALETTE);
        QVERIFY(!palettes.tools().isHidden());
        s.app->ExitInstance();
    }

    void barsMenusAndIcons()
    {
        Session s;
        QVERIFY(s.start());
        CMainFrame& f = s.frame();
        for (QToolBar* bar : {f.mainToolBar(), f.quickCommandBar()}) {
            QVERIFY(bar);
            QCOMPARE(f.toolBarArea(bar), Qt::TopToolBarArea);
            QVERIFY(bar->isMovable());
            QCOMPARE(bar->allowedAreas(), Qt::AllToolBarAreas);
        }
        QVERIFY(f.toolBarBreak(f.quickCommandBar()));
        QVERIFY(s.checked(ID_VIEW_TOOLBAR) && s.checked(ID_VIEW_QUICK_BAR));
        s.click(ID_VIEW_QUICK_BAR);
        QVERIFY(f.quickCommandBar()->isHidden());
        QVERIFY(!s.checked(ID_VIEW_QUICK_BAR));
        s.click(ID_VIEW_TOOLBAR);
        QVERIFY(f.mainToolBar()->isHidden());

        // Menu items with a button image show it; the others none.
        QVERIFY(!s.item(ID_FILE_NEW)->icon().isNull());
        QVERIFY(!s.item(ID_PEN_COLOR)->icon().isNull());
        QVERIFY(s.item(ID_SHUFFLE_DENSITY_1)->icon().isNull());
        QCOMPARE(s.item(ID_FONT_BOLD)->text(), QString("BOLD font"));

        // The "DrawMode" and "Capture &Screen" popups.
        QCOMPARE(menuTexts(f.popupMenu(1)).size(), 12);
        QCOMPARE(menuTexts(f.popupMenu(1)).front(), QString("Copy Pen"));
        QCOMPARE(menuTexts(f.popupMenu(4)),
                 (QStringList{"Save Actual Size", QString::fromUtf8("Save \u00bd of Actual Size"),
                              QString::fromUtf8("Save \u00bc of Actual Size")}));
        s.app->commands().execute(ID_DRAW_MODE_POPUP);
        QTRY_VERIFY(f.popupMenu(1)->isVisible());
        QVERIFY(f.popupMenu(1)->actions().at(0)->isChecked()); // copy pen, the default
        f.popupMenu(1)->close();
        s.app->ExitInstance();
    }

    void fontSizeIsCheckedWhenTheBoxIsLeft()
    {
        Session s;
        QVERIFY(s.start());
        CFontSizeCombo& size = s.frame().toolBar()->fontSizeCombo();
        const auto enter = [&](const char* text) {
            size.setEditText(QString::fromLatin1(text));
            size.validate();
            return size.currentText();
        };
        // Four characters at most: "10.25" is cut to "10.2" as it is typed.
        QCOMPARE(enter("10.25"), QString("10.2"));
        QCOMPARE(size.lastValidTwips(), 204);
        QCOMPARE(enter("9.25"), QString("9.25")); // 185 twips, kept as typed
        QCOMPARE(size.lastValidTwips(), 185);
        QVERIFY(s.ui->messages.empty());
        QCOMPARE(enter("1638"), QString("1638"));
        QVERIFY(s.ui->messages.empty());
        QCOMPARE(enter("1639"), QString("1638")); // refused: back to the last good size
        QCOMPARE(enter("0.5"), QString("1638"));
        QCOMPARE(s.ui->texts(), (QStringList{"Invalid font size", "Invalid font size"}));
        QCOMPARE(s.ui->messages.front().icon, MessageIcon::Information);

        // The style buttons keep their state and belong to the font state.
        s.click(ID_FONT_BOLD);
        QVERIFY(s.checked(ID_FONT_BOLD));
        QVERIFY(s.frame().toolBar()->fontState().bold);
        QCOMPARE(s.frame().toolBar()->fontState().pointSize, 1638);
        s.app->ExitInstance();
    }

    void statusPanesFollowTheActiveWindow()
    {
        Session s;
        QVERIFY(s.start());
        s.app->printerResolution() = {100, 100};
        s.newImage(320, 200);
        s.newImage(64, 48);
        QCOMPARE(s.pane(2), QString("64x48(pixel)"));
        const auto children = s.frame().mdiArea()->subWindowList();
        QCOMPARE(children.size(), 2);

        s.frame().mdiArea()->setActiveSubWindow(children.at(0));
        QCOMPARE(s.pane(2), QString("320x200(pixel)"));
        QCOMPARE(s.pane(3), QString("Print: 3.20\"x2.00\""));
        s.frame().mdiArea()->setActiveSubWindow(children.at(1));
        QCOMPARE(s.pane(2), QString("64x48(pixel)"));

        // A resize refreshes the panes of the window resized.
        s.frame().statusPanes().reset();
        children.at(1)->resize(children.at(1)->size() + QSize(10, 10));
        QCOMPARE(s.pane(2), QString("64x48(pixel)"));

        // Closing one shows the other; closing the last puts the captions back.
        s.app->commands().execute(ID_FILE_CLOSE);
        s.settle();
        QCOMPARE(s.pane(2), QString("320x200(pixel)"));
        s.app->commands().execute(ID_FILE_CLOSE);
        s.settle();
        QCOMPARE(s.app->documents().count(), std::size_t(0));
        QStringList panes;
        for (int i = 1; i <= 5; ++i)
            panes << s.pane(i);
        QCOMPARE(panes, (QStringList{"NumColor", "Size in pixels", "Print Size", "Memory Size", "View Scale - Compression"}));
        s.app->ExitInstance();
    }
};

QTEST_MAIN(TestMainFrame)
#include "test_main_frame.moc"
