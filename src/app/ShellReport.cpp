#include "app/ShellReport.h"

#include "app/CMainFrame.h"
#include "palettes/CAngleEdit.h"
#include "palettes/CColorWell.h"
#include "palettes/CFontNameCombo.h"
#include "palettes/CFontSizeCombo.h"
#include "palettes/CMainToolBar.h"
#include "palettes/CPaletteSet.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <QTextStream>
#include <QToolBar>
#include <QToolButton>

namespace ardane {

namespace {

QRect onScreen(const QWidget& w)
{
    if (w.isWindow())
        return w.frameGeometry();
    return {w.mapToGlobal(QPoint(0, 0)), w.size()};
}

void line(QTextStream& out, const char* kind, const QString& name, const QRect& r, const QString& extra = {})
{
    out << kind << ' ' << name << ' ' << r.x() << ' ' << r.y() << ' ' << r.width() << ' ' << r.height();
    if (!extra.isEmpty())
        out << ' ' << extra;
    out << '\n';
}

QString shown(const QWidget& w)
{
    return w.isVisible() ? QStringLiteral("shown") : QStringLiteral("hidden");
}

void reportButtons(QTextStream& out, const QToolBar& bar)
{
    for (QAction* action : bar.actions()) {
        bool ok = false;
        const int id = action->data().toInt(&ok);
        const QWidget* button = bar.widgetForAction(action);
        if (!ok || action->isSeparator() || !button || !button->isVisible())
            continue;
        line(out, "button", QString::number(id), onScreen(*button),
             action->icon().isNull() ? QStringLiteral("noicon") : QStringLiteral("icon"));
    }
}

} // namespace

QString shellReport(const CMainFrame& frame)
{
    QString text;
    QTextStream out(&text);
    const QScreen* screen = frame.screen() ? frame.screen() : QGuiApplication::primaryScreen();
    if (screen)
        line(out, "screen", QStringLiteral("-"), QRect(QPoint(0, 0), screen->size()));

    const CPaletteSet& palettes = frame.palettes();
    const std::pair<const char*, const CPaletteBar*> bars[] = {
        {"tools", &palettes.tools()}, {"brush", &palettes.brushStyles()}, {"spray", &palettes.sprayStyles()}};
    for (const auto& [name, bar] : bars) {
        line(out, "palette", QString::fromLatin1(name), onScreen(*bar), shown(*bar));
        for (int i = 0; i < bar->buttonCount(); ++i)
            if (const QWidget* b = bar->button(i); b && b->isVisible())
                line(out, "palbutton", QStringLiteral("%1:%2").arg(QLatin1String(name)).arg(bar->commandId(i)), onScreen(*b));
    }

    for (const auto& [name, bar] : {std::pair{"main", frame.mainToolBar()}, std::pair{"quick", frame.quickCommandBar()}}) {
        if (!bar)
            continue;
        line(out, "toolbar", QString::fromLatin1(name), onScreen(*bar), shown(*bar));
        reportButtons(out, *bar);
    }

    if (const CMainToolBar* tb = frame.toolBar()) {
        const std::pair<const char*, const QWidget*> controls[] = {
            {"fontname", &tb->fontNameCombo()}, {"fontsize", &tb->fontSizeCombo()}, {"penwell", &tb->penWell()},
            {"backgroundwell", &tb->backgroundWell()}, {"angle", &tb->angleEdit()}};
        for (const auto& [name, w] : controls)
            line(out, "control", QString::fromLatin1(name), onScreen(*w), shown(*w));
    }
    return text;
}

} // namespace ardane
