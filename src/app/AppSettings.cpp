#include "app/AppSettings.h"

#include <QSettings>

namespace ardane {

namespace {

template <typename T>
SettingBinding bind(const char* section, const char* key, T& field)
{
    return SettingBinding{QString::fromLatin1(section), QString::fromLatin1(key),
                          [&field] { return qint64(field); },
                          [&field](qint64 v) { field = T(v); }};
}

} // namespace

std::vector<SettingBinding> settingBindings(AppSettings& s)
{
    PaintSettings& p = s.paint;
    TextParams& t = p.textDefaults;
    ObjectParams& o = p.objectDefaults;
    return {
        bind("GENERAL", "MARGIN_OFFSET", s.display.marginWidth),
        bind("GENERAL", "VIEW_MARGIN", s.display.marginShown),
        bind("GENERAL", "DEFAULTDOC_X", s.defaultDocX),
        bind("GENERAL", "DEFAULTDOC_Y", s.defaultDocY),
        bind("GENERAL", "Register_OCX", s.registerOcx),
        bind("GENERAL", "UNIT_MEASURE", s.unitMeasure),
        bind("GENERAL", "VIEW_BG", s.display.viewBackground),
        bind("GENERAL", "Shuffle_Density", p.shuffleDensity),
        bind("GENERAL", "TOOLPAL_X", s.palettes.toolX),
        bind("GENERAL", "TOOLPAL_Y", s.palettes.toolY),
        bind("GENERAL", "BRUSHPAL_X", s.palettes.brushX),
        bind("GENERAL", "BRUSHPAL_Y", s.palettes.brushY),
        bind("GENERAL", "SPRAYPAL_X", s.palettes.sprayX),
        bind("GENERAL", "SPRAYPAL_Y", s.palettes.sprayY),
        bind("GENERAL", "SHOW_TOOLPAL", s.palettes.showTool),
        bind("GENERAL", "SHOW_BRUSHPAL", s.palettes.showBrush),
        bind("GENERAL", "SHOW_SPRAYPAL", s.palettes.showSpray),
        bind("Preference", "DITHER_MODE", s.display.ditherMode),
        bind("Preference", "PAINT_PALETTE", s.display.paletteMode),
        bind("Preference", "CRP_FLAG", s.reduction.paletteOption),
        bind("Preference", "CRD_FLAG", s.reduction.ditherOption),
        bind("Preference", "Draw_ROP2_Mode", p.drawMode),
        bind("Preference", "Blur_Area", p.areaSize),
        bind("Preference", "Blur_Shape", p.areaShape),
        bind("Preference", "PAGE_OFFSETCX", s.pageOffsetX),
        bind("Preference", "PAGE_OFFSETCY", s.pageOffsetY),
        bind("Preference", "DEFAULT_COLOR", p.penColor),
        bind("Preference", "Background_Color", p.backgroundColor),
        bind("Preference", "Capture_Scale", p.captureScale),
        bind("TEXT_PARAM", "TEXT_DEPTH", t.depth),
        bind("TEXT_PARAM", "TEXT_SHADOW", t.shadow),
        bind("TEXT_PARAM", "TEXT_3D", t.threeD),
        bind("TEXT_PARAM", "TEXT_CRSHADOW", t.shadowColor),
        bind("TEXT_PARAM", "TEXT_DIRECTION", t.direction),
        bind("TEXT_PARAM", "TEXT_EFFECT", t.effect),
        bind("TEXT_PARAM", "TEXT_STARTAT", t.startAngle),
        bind("TEXT_PARAM", "TEXT_CLOCKWISE", t.clockwise),
        bind("Object_Param", "FILL_OBJECT", o.fillInterior),
        bind("Object_Param", "Fill_Color", o.fillColor),
        bind("Object_Param", "Line_Width", o.lineWidth),
        bind("Settings", "PreviewPages", s.previewPages),
    };
}

void readSettings(QSettings& profile, AppSettings& settings)
{
    for (const SettingBinding& b : settingBindings(settings)) {
        profile.beginGroup(b.section);
        bool ok = false;
        const qint64 v = profile.value(b.key).toLongLong(&ok);
        if (ok)
            b.set(v);
        profile.endGroup();
    }
}

void writeSettings(QSettings& profile, AppSettings settings, int edgeWidth, int captionHeight)
{
    settings.palettes.toolX -= edgeWidth;
    settings.palettes.brushX -= edgeWidth;
    settings.palettes.sprayX -= edgeWidth;
    settings.palettes.toolY -= captionHeight;
    settings.palettes.brushY -= captionHeight;
    settings.palettes.sprayY -= captionHeight;
    for (const SettingBinding& b : settingBindings(settings)) {
        profile.beginGroup(b.section);
        profile.setValue(b.key, b.get());
        profile.endGroup();
    }
    profile.sync();
}

} // namespace ardane
