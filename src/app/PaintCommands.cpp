#include "app/PaintCommands.h"

#include "core/CommandIds.h"

#include <algorithm>
#include <span>

namespace ardane {

TextParams& PaintContext::textParams() const
{
    return currentTextParams ? currentTextParams() : settings.textDefaults;
}

ObjectParams& PaintContext::objectParams() const
{
    return currentObjectParams ? currentObjectParams() : settings.objectDefaults;
}

namespace {

// A run of consecutive ids that each store one value into the same field;
// the item whose value the field holds carries the check mark.
struct ChoiceGroup {
    int firstId;
    std::span<const int> values;
    int (*get)(const PaintContext&);
    void (*set)(PaintContext&, int);
};

constexpr auto kDrawModeCodes = [] {
    std::array<int, kDrawModes.size()> codes{};
    for (std::size_t i = 0; i < kDrawModes.size(); ++i)
        codes[i] = kDrawModes[i].rop2;
    return codes;
}();
constexpr int kDensities[] = {1, 2, 3, 4, 5};
constexpr int kAreaSizes[] = {2, 4, 8, 12, 16};
constexpr int kAreaShapes[] = {2, 4};              // square, circle
constexpr int kCaptureScales[] = {4, 1, 2};        // actual, half, quarter
constexpr int kStartAngles[] = {0, 90, 180, 270};
constexpr int kDirections[] = {0, 1, 2, 3, 4, 5, 6, 7};
constexpr int kLineWidths[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};

const ChoiceGroup kChoiceGroups[] = {
    {ID_DRAW_COPY_PEN, kDrawModeCodes,
     [](const PaintContext& c) { return int(c.settings.drawMode); },
     [](PaintContext& c, int v) { c.settings.drawMode = v; }},
    {ID_SHUFFLE_DENSITY_1, kDensities,
     [](const PaintContext& c) { return int(c.settings.shuffleDensity); },
     [](PaintContext& c, int v) { c.settings.shuffleDensity = v; }},
    {ID_AREA_SIZE_2, kAreaSizes,
     [](const PaintContext& c) { return int(c.settings.areaSize); },
     [](PaintContext& c, int v) { c.settings.areaSize = std::int16_t(v); }},
    {ID_AREA_SQUARE, kAreaShapes,
     [](const PaintContext& c) { return int(c.settings.areaShape); },
     [](PaintContext& c, int v) { c.settings.areaShape = std::int16_t(v); }},
    {ID_CAPTURE_ACTUAL, kCaptureScales,
     [](const PaintContext& c) { return int(c.settings.captureScale); },
     [](PaintContext& c, int v) { c.settings.captureScale = std::int16_t(v); }},
    {ID_TEXT_START_0, kStartAngles,
     [](const PaintContext& c) { return int(c.textParams().startAngle); },
     [](PaintContext& c, int v) { c.textParams().startAngle = std::int16_t(v); }},
    {ID_TEXT_NORTH, kDirections,
     [](const PaintContext& c) { return int(c.textParams().direction); },
     [](PaintContext& c, int v) { c.textParams().direction = std::int16_t(v); }},
    {ID_LINE_WIDTH_1, kLineWidths,
     [](const PaintContext& c) { return int(c.objectParams().lineWidth); },
     [](PaintContext& c, int v) { c.objectParams().lineWidth = v; }},
};

struct ChoiceHit {
    const ChoiceGroup* group;
    int value;
};

std::optional<ChoiceHit> findChoice(int id)
{
    for (const ChoiceGroup& g : kChoiceGroups) {
        const int offset = id - g.firstId;
        if (offset >= 0 && offset < int(g.values.size()))
            return ChoiceHit{&g, g.values[std::size_t(offset)]};
    }
    return std::nullopt;
}

// Text layouts: choosing the active one again goes back to straight text.
constexpr int kStraightText = 8;
struct LayoutCommand {
    int id;
    std::int16_t effect;
};
constexpr LayoutCommand kLayouts[] = {
    {ID_TEXT_ARC, 1}, {ID_TEXT_CIRCLE, 2}, {ID_TEXT_HALF_CIRCLE, 4}};

const LayoutCommand* findLayout(int id)
{
    auto it = std::ranges::find(kLayouts, id, &LayoutCommand::id);
    return it == std::end(kLayouts) ? nullptr : &*it;
}

// On/off flags; turning 3D on turns shadow off and the other way round.
struct FlagCommand {
    int id;
    std::int32_t& (*field)(const PaintContext&);
    std::int32_t& (*excluded)(const PaintContext&); // cleared when the flag turns on
};
const FlagCommand kFlags[] = {
    {ID_TEXT_3D, [](const PaintContext& c) -> std::int32_t& { return c.textParams().threeD; },
     [](const PaintContext& c) -> std::int32_t& { return c.textParams().shadow; }},
    {ID_TEXT_SHADOW, [](const PaintContext& c) -> std::int32_t& { return c.textParams().shadow; },
     [](const PaintContext& c) -> std::int32_t& { return c.textParams().threeD; }},
    {ID_TEXT_CLOCKWISE, [](const PaintContext& c) -> std::int32_t& { return c.textParams().clockwise; },
     nullptr},
    {ID_OBJECT_FILL_INTERIOR,
     [](const PaintContext& c) -> std::int32_t& { return c.objectParams().fillInterior; }, nullptr},
};

const FlagCommand* findFlag(int id)
{
    auto it = std::ranges::find(kFlags, id, &FlagCommand::id);
    return it == std::end(kFlags) ? nullptr : &*it;
}

// Colours chosen through the colour dialog. The pen and background items are
// always enabled; the other two have no update rule.
struct ColorCommand {
    int id;
    ColorRef& (*field)(const PaintContext&);
    bool alwaysEnabled;
};
const ColorCommand kColors[] = {
    {ID_PEN_COLOR, [](const PaintContext& c) -> ColorRef& { return c.settings.penColor; }, true},
    {ID_BACKGROUND_COLOR,
     [](const PaintContext& c) -> ColorRef& { return c.settings.backgroundColor; }, true},
    {ID_TEXT_SHADOW_COLOR,
     [](const PaintContext& c) -> ColorRef& { return c.textParams().shadowColor; }, false},
    {ID_OBJECT_FILL_COLOR,
     [](const PaintContext& c) -> ColorRef& { return c.objectParams().fillColor; }, false},
};

const ColorCommand* findColor(int id)
{
    auto it = std::ranges::find(kColors, id, &ColorCommand::id);
    return it == std::end(kColors) ? nullptr : &*it;
}

constexpr int kMinTextDepth = 1;
constexpr int kMaxTextDepth = 200;

void notify(const PaintContext& context, int id)
{
    if (context.changed)
        context.changed(id);
}

} // namespace

std::optional<int> drawModeForCommand(int id)
{
    auto it = std::ranges::find(kDrawModes, id, &DrawModeItem::id);
    if (it == kDrawModes.end())
        return std::nullopt;
    return it->rop2;
}

bool isPaintCommand(int id)
{
    return findChoice(id) || findLayout(id) || findFlag(id) || findColor(id) || id == ID_TEXT_DEPTH;
}

bool handlePaintCommand(int id, PaintContext& context)
{
    if (auto hit = findChoice(id)) {
        hit->group->set(context, hit->value);
    } else if (const LayoutCommand* layout = findLayout(id)) {
        std::int16_t& effect = context.textParams().effect;
        effect = effect == layout->effect ? std::int16_t(kStraightText) : layout->effect;
    } else if (const FlagCommand* flag = findFlag(id)) {
        std::int32_t& value = flag->field(context);
        value = value ? 0 : 1;
        if (value && flag->excluded)
            flag->excluded(context) = 0;
    } else if (const ColorCommand* color = findColor(id)) {
        ColorRef& value = color->field(context);
        const auto chosen = context.chooseColor ? context.chooseColor(value) : std::nullopt;
        if (!chosen)
            return true;
        value = *chosen & 0xFFFFFF;
    } else if (id == ID_TEXT_DEPTH) {
        std::int16_t& depth = context.textParams().depth;
        const auto chosen = context.chooseTextDepth ? context.chooseTextDepth(depth) : std::nullopt;
        if (!chosen)
            return true;
        depth = std::int16_t(std::clamp(*chosen, kMinTextDepth, kMaxTextDepth));
    } else {
        return false;
    }
    notify(context, id);
    return true;
}

std::optional<CommandState> paintCommandState(int id, const PaintContext& context)
{
    if (auto hit = findChoice(id))
        return CommandState{true, hit->group->get(context) == hit->value};
    if (const LayoutCommand* layout = findLayout(id))
        return CommandState{true, context.textParams().effect == layout->effect};
    if (const FlagCommand* flag = findFlag(id))
        return CommandState{true, flag->field(context) != 0};
    if (const ColorCommand* color = findColor(id); color && color->alwaysEnabled)
        return CommandState{true, std::nullopt};
    return std::nullopt;
}

} // namespace ardane
