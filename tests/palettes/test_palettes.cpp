// The floating palettes: radio behaviour of their buttons, columns, the
// style palettes coming up with their tools, placement on the screen from
// the saved layout and recording it again, and the button images.

#include "core/CommandIds.h"
#include "palettes/CPaletteSet.h"
#include "palettes/PaletteIcons.h"
#include "palettes/PalettePlacement.h"

#include <QImage>
#include <QTest>
#include <QToolButton>
#include <QWidget>

using namespace ardane;

namespace {

std::vector<int> checkedPositions(const CPaletteBar& bar)
{
    std::vector<int> on;
    for (int i = 0; i < bar.buttonCount(); ++i)
        if (bar.isChecked(i))
            on.push_back(i);
    return on;
}

int opaquePixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += qAlpha(image.pixel(x, y)) > 128;
    return n;
}

constexpr PaletteExtent kScreen{1280, 1024};
constexpr PaletteExtent kTool{88, 290};
constexpr PaletteExtent kBrush{110, 140};

} // namespace

class TestPalettes : public QObject {
    Q_OBJECT

private slots:
    void palettesAreBuiltFromTheirDefinitions()
    {
        QWidget frame;
        CPaletteSet set(&frame);
        struct Expect {
            const CPaletteBar* bar;
            int count, idBase, columns;
            const char* caption;
        };
        for (const Expect& e : {Expect{&set.tools(), 22, 15000, 3, "Tools"},
                                Expect{&set.sprayStyles(), 12, 16000, 4, "Spray Style"},
                                Expect{&set.brushStyles(), 20, 17000, 4, "Brush Style"}}) {
            QCOMPARE(e.bar->buttonCount(), e.count);
            QCOMPARE(e.bar->columns(), e.columns);
            QCOMPARE(e.bar->windowTitle(), QString::fromLatin1(e.caption));
            QVERIFY(e.bar->isWindow());
            for (int i = 0; i < e.count; ++i)
                QCOMPARE(e.bar->commandId(i), e.idBase + i);
            QCOMPARE(checkedPositions(*e.bar), std::vector<int>{0});
            QCOMPARE(e.bar->selectedIndex(), 0);
        }
        QCOMPARE(set.tools().button(0)->toolTip(), QStringLiteral("Select an area of rectangle"));
        QCOMPARE(set.tools().button(9)->toolTip(), QStringLiteral("Sprayer"));
        QCOMPARE(set.tools().button(21)->toolTip(), QStringLiteral("Shuffle bits in large area"));
        QVERIFY(set.brushStyles().button(3)->toolTip().isEmpty());
    }

    void clicksKeepOneButtonChecked()
    {
        QWidget frame;
        CPaletteSet set(&frame);
        CPaletteBar& tools = set.tools();
        tools.SelectByIndex(2);
        QCOMPARE(checkedPositions(tools), std::vector<int>{2});

        tools.button(5)->click(); // toggles it, then the command comes back
        QCOMPARE(checkedPositions(tools), std::vector<int>{5});
        QCOMPARE(tools.selectedIndex(), 5);
        QCOMPARE(set.currentTool(), 5);

        tools.button(5)->click(); // the selected button stays selected
        QCOMPARE(checkedPositions(tools), std::vector<int>{5});
        QCOMPARE(tools.selectedIndex(), 5);

        // A tool chosen by command alone (menu, key) without a click first.
        QCOMPARE(tools.SelectByCommand(ID_TOOL_FILL), 11);
        QCOMPARE(checkedPositions(tools), std::vector<int>{11});

        QCOMPARE(tools.SelectByCommand(ID_SPRAY_STYLE_FIRST), 11); // not one of its buttons
        QCOMPARE(checkedPositions(tools), std::vector<int>{11});

        set.sprayStyles().button(7)->click();
        QCOMPARE(set.currentSprayStyle(), 7);
        set.brushStyles().button(19)->click();
        QCOMPARE(set.currentBrushStyle(), 19);
        QCOMPARE(set.currentTool(), 11);

        tools.SelectFirst();
        QCOMPARE(checkedPositions(tools), std::vector<int>{0});
        QCOMPARE(tools.selectedIndex(), 0);
    }

    void clicksGoThroughTheFramesRouter()
    {
        QWidget frame;
        std::vector<int> routed;
        CPaletteSet* set = nullptr;
        CPaletteSet palettes(&frame, [&](int id) {
            routed.push_back(id);
            set->handleCommand(id);
        });
        set = &palettes;
        palettes.brushStyles().button(4)->click();
        QCOMPARE(routed, std::vector<int>{17004});
        QCOMPARE(palettes.currentBrushStyle(), 4);
    }

    void columnsStayWithinTwoToFour()
    {
        CPaletteBar bar;
        std::vector<int> list{0, 1, 2, 3, 4, 5, 6, 7, 8, -1, 9};
        bar.setButtonList(list);
        bar.setIdBase(500);
        bar.BuildButtons();
        QCOMPARE(bar.buttonCount(), 9); // the list ends at its negative value
        QCOMPARE(bar.columns(), 2);
        QCOMPARE(bar.windowTitle(), QStringLiteral("Palette"));

        bar.SetColumns(1);
        QCOMPARE(bar.columns(), 2);
        bar.SetColumns(5);
        QCOMPARE(bar.columns(), 2);
        bar.SetColumns(4);
        QCOMPARE(bar.columns(), 4);
        QVERIFY(bar.wrapsAfter(3));
        QVERIFY(bar.wrapsAfter(7));
        QVERIFY(!bar.wrapsAfter(4));

        bar.adjustSize();
        const QPoint first = bar.button(0)->pos();
        QCOMPARE(first, QPoint(CPaletteBar::kBorder, CPaletteBar::kBorder));
        QCOMPARE(bar.button(4)->x(), first.x()); // a new row
        QVERIFY(bar.button(4)->y() > first.y());
        QCOMPARE(bar.button(3)->y(), first.y());
        QCOMPARE(bar.width(), bar.button(3)->geometry().right() + 1 + CPaletteBar::kBorder);
    }

    void brushAndSprayerBringUpTheirPalette()
    {
        QWidget frame;
        CPaletteSet set(&frame);
        QVERIFY(set.brushStyles().isHidden());
        QCOMPARE(set.commandChecked(ID_VIEW_BRUSH_PALETTE), std::optional<bool>(false));

        QVERIFY(set.handleCommand(ID_TOOL_BRUSH));
        QVERIFY(!set.brushStyles().isHidden());
        QVERIFY(set.sprayStyles().isHidden());
        QCOMPARE(set.commandChecked(ID_VIEW_BRUSH_PALETTE), std::optional<bool>(true));

        QVERIFY(set.handleCommand(ID_TOOL_BRUSH)); // shown: stays shown
        QVERIFY(!set.brushStyles().isHidden());
        QVERIFY(set.handleCommand(ID_TOOL_SPRAY));
        QVERIFY(!set.sprayStyles().isHidden());
        QVERIFY(set.handleCommand(ID_TOOL_PEN)); // hides nothing
        QVERIFY(!set.brushStyles().isHidden());

        QVERIFY(set.handleCommand(ID_VIEW_BRUSH_PALETTE));
        QVERIFY(set.brushStyles().isHidden());
        QVERIFY(set.handleCommand(ID_VIEW_TOOL_PALETTE));
        QVERIFY(!set.tools().isHidden());
        QCOMPARE(set.commandChecked(ID_VIEW_TOOL_PALETTE), std::optional<bool>(true));
        QVERIFY(!set.handleCommand(ID_VIEW_QUICK_BAR));
        QCOMPARE(set.commandChecked(ID_VIEW_QUICK_BAR), std::nullopt);
    }

    void firstRunUsesTheDefaults()
    {
        const PalettePositions at = placePalettes(PaletteLayout{}, kScreen, kTool, kBrush);
        QCOMPARE(at.tool, (PalettePoint{200, 100}));
        QCOMPARE(at.brush, (PalettePoint{250, 150}));
        QCOMPARE(at.spray, (PalettePoint{300, 200}));
    }

    void shownPalettesAreMovedApart()
    {
        // The first run's places: the brush palette would cover the tool
        // palette's last column and the spray palette the brush palette.
        const PaletteSpot tool{{200, 100}, kTool};
        const PaletteSpot brush{{250, 150}, kBrush};
        const PaletteSpot spray{{300, 200}, {110, 80}};
        const PalettePositions at = keepPalettesApart(tool, brush, spray, kScreen);
        QCOMPARE(at.tool, (PalettePoint{200, 100}));
        QCOMPARE(at.brush, (PalettePoint{200 + 88 + 10, 150}));
        QCOMPARE(at.spray, (PalettePoint{298 + 110 + 10, 200}));

        // A hidden palette neither moves nor pushes another.
        QCOMPARE(keepPalettesApart(tool, {{250, 150}, kBrush, false}, spray, kScreen).brush, (PalettePoint{250, 150}));
        QCOMPARE(keepPalettesApart(tool, {{250, 150}, kBrush, false}, spray, kScreen).spray, (PalettePoint{300, 200}));
        // Palettes apart already, and one that would leave the screen, stay.
        QCOMPARE(keepPalettesApart(tool, {{400, 150}, kBrush}, {{600, 150}, kBrush}, kScreen),
                 (PalettePositions{{200, 100}, {400, 150}, {600, 150}}));
        QCOMPARE(keepPalettesApart({{1100, 100}, kTool}, {{1120, 150}, kBrush}, spray, kScreen).brush,
                 (PalettePoint{1120, 150}));
    }

    void unsavedOrUnusablePositionsGoToTheirPlaces()
    {
        PaletteLayout saved;
        saved.toolX = saved.toolY = 0;
        saved.brushX = kScreen.width - 5; // too near the right edge
        saved.brushY = 40;
        saved.sprayX = 0;                  // not beyond the left edge
        saved.sprayY = 300;
        const PalettePositions at = placePalettes(saved, kScreen, kTool, kBrush);
        QCOMPARE(at.tool, (PalettePoint{1280 - 88 - 10, 512}));
        QCOMPARE(at.brush, (PalettePoint{1280 / 3, 1024 - 140 - 60}));
        QCOMPARE(at.spray, (PalettePoint{1280 / 3 + 110 + 20, 1024 - 140 - 60}));

        saved.sprayX = 700;
        saved.sprayY = kScreen.height - 10; // too near the bottom
        QCOMPARE(placePalettes(saved, kScreen, kTool, kBrush).spray, at.spray);
        saved.sprayY = kScreen.height - 11;
        QCOMPARE(placePalettes(saved, kScreen, kTool, kBrush).spray, (PalettePoint{700, 1013}));
    }

    void toolPaletteKeepsAnyReachablePosition()
    {
        PaletteLayout saved;
        saved.toolX = 0; // the left edge is a place like any other
        saved.toolY = 50;
        QCOMPARE(placePalettes(saved, kScreen, kTool, kBrush).tool, (PalettePoint{0, 50}));
        saved.toolX = 1500; // saved on a wider screen than this one
        saved.toolY = 300;
        QCOMPARE(placePalettes(saved, kScreen, kTool, kBrush).tool, (PalettePoint{1182, 512}));
    }

    void layoutIsAppliedAndRecorded()
    {
        QWidget frame;
        CPaletteSet set(&frame);
        PaletteLayout saved;
        saved.toolX = 640;
        saved.toolY = 120;
        saved.showSpray = 0;
        set.applyLayout(saved, QSize(kScreen.width, kScreen.height));
        QCOMPARE(set.tools().pos(), QPoint(640, 120));
        QCOMPARE(set.brushStyles().pos(), QPoint(250, 150));
        QCOMPARE(set.sprayStyles().pos(), QPoint(300, 200));
        QVERIFY(!set.tools().isHidden());
        QVERIFY(set.sprayStyles().isHidden());

        set.brushStyles().move(333, 444);
        set.handleCommand(ID_VIEW_TOOL_PALETTE); // hidden before closing
        PaletteLayout recorded;
        set.recordLayout(recorded);
        QCOMPARE(recorded.toolX, 640);
        QCOMPARE(recorded.toolY, 120);
        QCOMPARE(recorded.brushX, 333);
        QCOMPARE(recorded.brushY, 444);
        QCOMPARE(recorded.sprayX, 300);
        QCOMPARE(recorded.showTool, 0);
        QCOMPARE(recorded.showBrush, 1);
        QCOMPARE(recorded.showSpray, 0);
    }

    void firstRunPlacesTheToolPaletteByItsOwnWidth()
    {
        QWidget frame;
        CPaletteSet set(&frame);
        PaletteLayout saved;
        saved.toolX = saved.toolY = 0;
        const int width = set.tools().frameGeometry().width();
        QVERIFY(width > 3 * 16);
        set.applyLayout(saved, QSize(1024, 768));
        QCOMPARE(set.tools().x(), 1024 - width - 10);
        QCOMPARE(set.tools().y(), 384);
    }

    void everyButtonHasBothImages()
    {
        struct Set {
            PaletteImages palette;
            int count;
        };
        for (const Set& s : {Set{PaletteImages::Tools, 22}, Set{PaletteImages::SprayStyles, 12},
                             Set{PaletteImages::BrushStyles, 20}}) {
            for (int i = 0; i < s.count; ++i) {
                const QString path = paletteIconPath(s.palette, i);
                const QImage small(path);
                QString large = path;
                large.insert(large.size() - 4, QStringLiteral("@2x"));
                const QImage big(large);
                QCOMPARE(small.size(), QSize(16, 15));
                QCOMPARE(big.size(), QSize(32, 30));
                QVERIFY2(opaquePixels(small) >= 3, qPrintable(path));
                QVERIFY(!paletteIcon(s.palette, i).isNull());
            }
            QVERIFY(paletteIcon(s.palette, s.count).isNull());
        }
        for (int id : {ID_FONT_BOLD, ID_FILE_SAVE, ID_PEN_COLOR, ID_ROTATE_SPECIFIED, ID_VIEW_ZOOM_IN,
                       ID_CAPTURE_POPUP, ID_DRAW_MODE_POPUP, ID_VISUAL_PATCH, ID_FLAT_ADJUSTMENT, ID_TOOL_SPRAY}) {
            const QIcon icon = commandIcon(id);
            QVERIFY2(!icon.isNull(), qPrintable(QString::number(id)));
            const QList<QSize> sizes = icon.availableSizes();
            QVERIFY(sizes.contains(QSize(16, 15)));
            QVERIFY(sizes.contains(QSize(32, 30)));
            QVERIFY(opaquePixels(icon.pixmap(QSize(16, 15)).toImage()) > 10);
        }
        QVERIFY(commandIcon(ID_APP_EXIT).isNull());
    }

    void brushImagesShowTheirDab()
    {
        // Style 3 is a 12 x 12 square, style 0 a 3 x 3 one, style 16 a bar of 3.
        auto dark = [](int style) {
            const QImage img(paletteIconPath(PaletteImages::BrushStyles, style));
            int n = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    n += qAlpha(img.pixel(x, y)) > 200 && qGray(img.pixel(x, y)) < 80;
            return n;
        };
        QCOMPARE(dark(0), 9);
        QCOMPARE(dark(3), 144);
        QCOMPARE(dark(16), 3);
        QCOMPARE(dark(19), 13);
    }
};

QTEST_MAIN(TestPalettes)
#include "test_palettes.moc"
