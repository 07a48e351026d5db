// A main window with the main toolbar, the quick command bar and the three
// palettes placed as on a first run, for looking at under a real X server:
//
//   xvfb-run -s "-screen 0 1280x1024x24" palette_showcase shot.png
//
// Saves a picture of the screen to the file given and exits with 1 when a
// palette is not where the placement rules put it.

#include "TestActions.h"

#include "core/CommandIds.h"
#include "app/PaintCommands.h"
#include "palettes/CColorWell.h"
#include "palettes/CMainToolBar.h"
#include "palettes/CPaletteSet.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QScreen>
#include <QStatusBar>
#include <QTextStream>
#include <QTimer>

using namespace ardane;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString shot = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("palettes.png");

    TestActions actions;
    for (const DrawModeItem& mode : kDrawModes)
        actions(mode.id)->setText(QString::fromLatin1(mode.label.data(), qsizetype(mode.label.size())));

    QMainWindow frame;
    frame.setWindowTitle(QStringLiteral("Ardane"));
    frame.setCentralWidget(new QMdiArea(&frame));
    auto* mainBar = new CMainToolBar(std::ref(actions), &frame);
    frame.addToolBar(Qt::TopToolBarArea, mainBar);
    frame.addToolBarBreak();
    frame.addToolBar(Qt::TopToolBarArea, createQuickCommandBar(std::ref(actions), &frame));
    for (const char* pane : {"NumColor", "Size in pixels", "Print Size", "Memory Size", "View Scale - Compression"})
        frame.statusBar()->addPermanentWidget(new QLabel(QString::fromLatin1(pane), &frame));
    mainBar->penWell().setFillColor(CColorWell::fromColorRef(PaintSettings{}.penColor));
    mainBar->backgroundWell().setFillColor(CColorWell::fromColorRef(PaintSettings{}.backgroundColor));

    const QSize screen = app.primaryScreen()->size();
    frame.setGeometry(QRect(QPoint(0, 0), screen));
    frame.show();

    CPaletteSet palettes(&frame);
    palettes.handleCommand(ID_TOOL_BRUSH);
    palettes.brushStyles().SelectByIndex(6);
    palettes.sprayStyles().SelectByIndex(1);
    // Nothing saved yet for the tool palette and saved places off the screen
    // for the style palettes: each goes to its own place.
    PaletteLayout layout;
    layout.toolX = layout.toolY = 0;
    layout.brushX = screen.width() + 50;
    layout.sprayY = -20;
    palettes.applyLayout(layout, screen);

    int status = 0;
    QTimer::singleShot(1500, &app, [&] {
        const PalettePositions want = placePalettes(
            layout, {screen.width(), screen.height()},
            {palettes.tools().frameGeometry().width(), palettes.tools().frameGeometry().height()},
            {palettes.brushStyles().frameGeometry().width(), palettes.brushStyles().frameGeometry().height()});
        QTextStream out(stdout);
        const struct {
            const char* name;
            const CPaletteBar& bar;
            PalettePoint at;
        } checks[] = {{"tools", palettes.tools(), want.tool},
                      {"brush styles", palettes.brushStyles(), want.brush},
                      {"spray styles", palettes.sprayStyles(), want.spray}};
        for (const auto& c : checks) {
            const QPoint got = c.bar.frameGeometry().topLeft();
            const bool ok = got == QPoint(c.at.x, c.at.y) && c.bar.isVisible();
            out << c.name << " at " << got.x() << "," << got.y() << " size " << c.bar.width() << "x"
                << c.bar.height() << (ok ? " ok" : " WRONG") << Qt::endl;
            if (!ok)
                status = 1;
        }
        if (!app.primaryScreen()->grabWindow(0).save(shot))
            status = 1;
        app.exit(status);
    });
    return app.exec();
}
