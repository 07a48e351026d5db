// The painting-settings commands: the value each stores, the one check mark
// of each group, the toggles of the text effects, the colour and depth
// dialogs through their seams, and editing an object's parameters instead of
// the defaults.

#include "core/CommandIds.h"
#include "app/PaintCommands.h"

#include <QTest>

#include <vector>

using namespace ardane;

namespace {

// A group of items of which exactly one carries the check mark.
struct Group {
    const char* name;
    int firstId;
    std::vector<int> values;           // stored by firstId, firstId + 1, ...
    int (*read)(const PaintSettings&); // the field the group sets (in the defaults)
    int defaultValue;
};

std::vector<Group> groups()
{
    return {
        {"draw mode", 32927, {13, 4, 14, 5, 3, 12, 15, 2, 9, 8, 7, 10},
         [](const PaintSettings& s) { return int(s.drawMode); }, 13},
        {"shuffle density", 33027, {1, 2, 3, 4, 5}, [](const PaintSettings& s) { return int(s.shuffleDensity); }, 3},
        {"area size", 32990, {2, 4, 8, 12, 16}, [](const PaintSettings& s) { return int(s.areaSize); }, 4},
        {"area shape", 32995, {2, 4}, [](const PaintSettings& s) { return int(s.areaShape); }, 2},
        {"capture scale", 32965, {4, 1, 2}, [](const PaintSettings& s) { return int(s.captureScale); }, 1},
        {"start angle", 32998, {0, 90, 180, 270},
         [](const PaintSettings& s) { return int(s.textDefaults.startAngle); }, 180},
        {"direction", 33003, {0, 1, 2, 3, 4, 5, 6, 7},
         [](const PaintSettings& s) { return int(s.textDefaults.direction); }, 1},
        {"line width", 33011, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
         [](const PaintSettings& s) { return int(s.objectDefaults.lineWidth); }, 1},
    };
}

// The ids of a group's items that carry a check mark.
std::vector<int> checkedIds(const Group& g, const PaintContext& c)
{
    std::vector<int> ids;
    for (int i = 0; i < int(g.values.size()); ++i) {
        const auto state = paintCommandState(g.firstId + i, c);
        if (!state || !state->checked)
            return {-1}; // every item of a group is a check item
        if (*state->checked)
            ids.push_back(g.firstId + i);
    }
    return ids;
}

bool checked(int id, const PaintContext& c)
{
    const auto state = paintCommandState(id, c);
    return state && state->checked.value_or(false);
}

} // namespace

class TestPaintCommands : public QObject {
    Q_OBJECT

private slots:
    void defaultsCheckTheirItem()
    {
        PaintSettings settings;
        PaintContext c{settings};
        for (const Group& g : groups()) {
            const auto at = std::find(g.values.begin(), g.values.end(), g.defaultValue) - g.values.begin();
            QCOMPARE(checkedIds(g, c), std::vector<int>{g.firstId + int(at)});
        }
        // "Density 3" for the default 3; "Save 1/2 of Actual Size" for scale 1.
        QVERIFY(checked(ID_SHUFFLE_DENSITY_1 + 2, c));
        QVERIFY(checked(ID_CAPTURE_HALF, c));
    }

    void everyChoiceStoresItsValueAndChecksOnlyItself()
    {
        for (const Group& g : groups()) {
            PaintSettings settings;
            PaintContext c{settings};
            for (int i = 0; i < int(g.values.size()); ++i) {
                const int id = g.firstId + i;
                QVERIFY2(isPaintCommand(id), g.name);
                QVERIFY(handlePaintCommand(id, c));
                QCOMPARE(g.read(settings), g.values[std::size_t(i)]);
                QCOMPARE(checkedIds(g, c), std::vector<int>{id});
            }
        }
    }

    void highDensityFive()
    {
        PaintSettings settings;
        PaintContext c{settings};
        QVERIFY(handlePaintCommand(ID_SHUFFLE_DENSITY_5, c));
        QCOMPARE(settings.shuffleDensity, 5);
        QVERIFY(checked(ID_SHUFFLE_DENSITY_5, c));
        QVERIFY(!checked(ID_SHUFFLE_DENSITY_1 + 2, c));
    }

    void drawModeTable()
    {
        QCOMPARE(drawModeForCommand(32937), std::optional<int>(7));
        QCOMPARE(drawModeForCommand(32928), std::optional<int>(4));
        QCOMPARE(drawModeForCommand(32939), std::nullopt);
        QCOMPARE(kDrawModes[10].label, std::string_view("Bitwise XOR"));
        QCOMPARE(kDrawModes[11].label, std::string_view("Invert Bitwise XOR"));
    }

    void threeDAndShadowExcludeEachOther()
    {
        PaintSettings settings;
        PaintContext c{settings};
        TextParams& t = settings.textDefaults;

        QVERIFY(handlePaintCommand(ID_TEXT_SHADOW, c));
        QCOMPARE(t.shadow, 1);
        QVERIFY(checked(ID_TEXT_SHADOW, c));

        QVERIFY(handlePaintCommand(ID_TEXT_3D, c)); // on: shadow goes off
        QCOMPARE(t.threeD, 1);
        QCOMPARE(t.shadow, 0);
        QVERIFY(checked(ID_TEXT_3D, c));
        QVERIFY(!checked(ID_TEXT_SHADOW, c));

        QVERIFY(handlePaintCommand(ID_TEXT_3D, c)); // off: shadow stays off
        QCOMPARE(t.threeD, 0);
        QCOMPARE(t.shadow, 0);

        QVERIFY(handlePaintCommand(ID_TEXT_3D, c));
        QVERIFY(handlePaintCommand(ID_TEXT_SHADOW, c)); // on: 3D goes off
        QCOMPARE(t.shadow, 1);
        QCOMPARE(t.threeD, 0);
    }

    void layoutsToggleBackToStraight()
    {
        PaintSettings settings;
        PaintContext c{settings};
        std::int16_t& effect = settings.textDefaults.effect;
        QCOMPARE(effect, 8);
        QVERIFY(handlePaintCommand(ID_TEXT_ARC, c));
        QCOMPARE(effect, 1);
        QVERIFY(checked(ID_TEXT_ARC, c));
        QVERIFY(handlePaintCommand(ID_TEXT_ARC, c));
        QCOMPARE(effect, 8);
        QVERIFY(!checked(ID_TEXT_ARC, c));

        QVERIFY(handlePaintCommand(ID_TEXT_CIRCLE, c));
        QCOMPARE(effect, 2);
        QVERIFY(handlePaintCommand(ID_TEXT_HALF_CIRCLE, c)); // another layout replaces it
        QCOMPARE(effect, 4);
        QVERIFY(checked(ID_TEXT_HALF_CIRCLE, c));
        QVERIFY(!checked(ID_TEXT_CIRCLE, c));
        QVERIFY(!checked(ID_TEXT_ARC, c));
    }

    void flagsToggle()
    {
        PaintSettings settings;
        PaintContext c{settings};
        QVERIFY(checked(ID_TEXT_CLOCKWISE, c)); // on by default
        QVERIFY(handlePaintCommand(ID_TEXT_CLOCKWISE, c));
        QCOMPARE(settings.textDefaults.clockwise, 0);
        QVERIFY(!checked(ID_TEXT_CLOCKWISE, c));

        QVERIFY(!checked(ID_OBJECT_FILL_INTERIOR, c));
        QVERIFY(handlePaintCommand(ID_OBJECT_FILL_INTERIOR, c));
        QCOMPARE(settings.objectDefaults.fillInterior, 1);
        QVERIFY(checked(ID_OBJECT_FILL_INTERIOR, c));
    }

    void selectedObjectIsEditedInsteadOfTheDefaults()
    {
        PaintSettings settings;
        TextParams textObject;
        textObject.shadow = 1;
        ObjectParams shapeObject;
        PaintContext c{settings};
        c.currentTextParams = [&]() -> TextParams& { return textObject; };
        c.currentObjectParams = [&]() -> ObjectParams& { return shapeObject; };

        QVERIFY(handlePaintCommand(ID_TEXT_3D, c));
        QCOMPARE(textObject.threeD, 1);
        QCOMPARE(textObject.shadow, 0);
        QVERIFY(handlePaintCommand(ID_TEXT_NORTH + 6, c));
        QCOMPARE(textObject.direction, 6);
        QVERIFY(handlePaintCommand(ID_LINE_WIDTH_1 + 4, c));
        QCOMPARE(shapeObject.lineWidth, 5);
        QVERIFY(checked(ID_LINE_WIDTH_1 + 4, c));
        QVERIFY(checked(ID_TEXT_3D, c));

        QCOMPARE(settings.textDefaults, TextParams{});
        QCOMPARE(settings.objectDefaults, ObjectParams{});
    }

    void coloursComeFromTheDialog()
    {
        PaintSettings settings;
        std::vector<ColorRef> presets;
        std::vector<int> changes;
        std::optional<ColorRef> answer = 0x123456;
        PaintContext c{settings};
        c.chooseColor = [&](ColorRef initial) {
            presets.push_back(initial);
            return answer;
        };
        c.changed = [&](int id) { changes.push_back(id); };

        QVERIFY(handlePaintCommand(ID_PEN_COLOR, c));
        QCOMPARE(settings.penColor, 0x123456u);
        QVERIFY(handlePaintCommand(ID_BACKGROUND_COLOR, c));
        QCOMPARE(settings.backgroundColor, 0x123456u);
        QVERIFY(handlePaintCommand(ID_TEXT_SHADOW_COLOR, c));
        QCOMPARE(settings.textDefaults.shadowColor, 0x123456u);
        QVERIFY(handlePaintCommand(ID_OBJECT_FILL_COLOR, c));
        QCOMPARE(settings.objectDefaults.fillColor, 0x123456u);
        QCOMPARE(presets, (std::vector<ColorRef>{0xFFFFFF, 0x808000, 0xC0C0C0, 0xFFFFFF}));
        QCOMPARE(changes, (std::vector<int>{ID_PEN_COLOR, ID_BACKGROUND_COLOR, ID_TEXT_SHADOW_COLOR,
                                            ID_OBJECT_FILL_COLOR}));

        answer = std::nullopt; // Cancel changes nothing and tells nobody
        QVERIFY(handlePaintCommand(ID_PEN_COLOR, c));
        QCOMPARE(settings.penColor, 0x123456u);
        QCOMPARE(changes.size(), std::size_t(4));

        QCOMPARE(paintCommandState(ID_PEN_COLOR, c), (CommandState{true, std::nullopt}));
        QCOMPARE(paintCommandState(ID_BACKGROUND_COLOR, c), (CommandState{true, std::nullopt}));
        QCOMPARE(paintCommandState(ID_TEXT_SHADOW_COLOR, c), std::nullopt);
    }

    void depthComesFromTextAttribute()
    {
        PaintSettings settings;
        std::optional<int> answer = 12;
        int preset = 0;
        PaintContext c{settings};
        c.chooseTextDepth = [&](int initial) {
            preset = initial;
            return answer;
        };
        QVERIFY(handlePaintCommand(ID_TEXT_DEPTH, c));
        QCOMPARE(preset, 5);
        QCOMPARE(settings.textDefaults.depth, 12);
        answer = std::nullopt;
        QVERIFY(handlePaintCommand(ID_TEXT_DEPTH, c));
        QCOMPARE(settings.textDefaults.depth, 12);
        answer = 500;
        QVERIFY(handlePaintCommand(ID_TEXT_DEPTH, c));
        QCOMPARE(settings.textDefaults.depth, 200);
        QCOMPARE(paintCommandState(ID_TEXT_DEPTH, c), std::nullopt);
    }

    void otherCommandsAreNotTaken()
    {
        PaintSettings settings;
        const PaintSettings before = settings;
        PaintContext c{settings};
        for (int id : {int(ID_FILE_OPEN), int(ID_TOOL_BRUSH), int(ID_CAPTURE_SCREEN), 32939, 33032, 32989}) {
            QVERIFY(!isPaintCommand(id));
            QVERIFY(!handlePaintCommand(id, c));
            QCOMPARE(paintCommandState(id, c), std::nullopt);
        }
        QCOMPARE(settings.drawMode, before.drawMode);
        QCOMPARE(settings.shuffleDensity, before.shuffleDensity);
    }
};

QTEST_GUILESS_MAIN(TestPaintCommands)
#include "test_paint_commands.moc"
