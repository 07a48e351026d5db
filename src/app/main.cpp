// Ardane: start-up, the event loop, exit.

#include "app/CArdaneApp.h"
#include "app/QtUiServices.h"
#include "app/QuitSignals.h"
#include "app/ShellReport.h"
#include "view/CArdaneView.h"
#include "view/CImagingCtrl.h"

#include <QApplication>
#include <QFile>
#include <QTextStream>
#include <QTimer>

namespace {

// Test seam: ARDANE_TEST_OPEN names a file to open once the program runs;
// ARDANE_TEST_REPORT names a file that then receives where the image is shown.
void openForTest(ardane::CArdaneApp& app)
{
    const QString path = qEnvironmentVariable("ARDANE_TEST_OPEN");
    if (path.isEmpty())
        return;
    QTimer::singleShot(0, &app, [&app, path] {
        app.OpenDocumentFile(path);
        const QString reportPath = qEnvironmentVariable("ARDANE_TEST_REPORT");
        if (reportPath.isEmpty())
            return;
        QTimer::singleShot(500, &app, [&app, reportPath] {
            QFile report(reportPath);
            if (!report.open(QIODevice::WriteOnly | QIODevice::Truncate))
                return;
            QTextStream out(&report);
            const ardane::CArdaneView* view = app.mainFrame()->activeView();
            if (!view || !view->displayControl()) {
                out << "none\n";
                return;
            }
            const QWidget* control = view->displayControl();
            const QPoint image = control->mapToGlobal(QPoint(0, 0));
            const QPoint viewport = view->viewport()->mapToGlobal(QPoint(0, 0));
            out << "image " << image.x() << ' ' << image.y() << ' ' << control->width() << ' ' << control->height() << '\n';
            out << "viewport " << viewport.x() << ' ' << viewport.y() << '\n';
        });
    });
}

// Test seam: ARDANE_TEST_LAYOUT names a file that receives, once the logo
// has gone, where the bars, their controls and the palettes are on the screen.
void reportLayoutForTest(ardane::CArdaneApp& app)
{
    const QString path = qEnvironmentVariable("ARDANE_TEST_LAYOUT");
    if (path.isEmpty())
        return;
    QTimer::singleShot(ardane::CArdaneApp::kLogoMilliseconds + 500, &app, [&app, path] {
        QFile report(path + QStringLiteral(".part"));
        if (!report.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return;
        report.write(ardane::shellReport(*app.mainFrame()).toUtf8());
        report.close();
        // Appears complete or not at all for a script polling for it.
        QFile::remove(path);
        report.rename(path);
    });
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ardane"));
    QApplication::setOrganizationName(QStringLiteral("Ardane"));
    // Lets the desktop match the windows to the installed entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.ardane.Ardane"));
    QApplication::setApplicationVersion(QStringLiteral("0.1"));
    QApplication::setQuitOnLastWindowClosed(false);

    ardane::CArdaneApp app(QApplication::arguments(), std::make_unique<ardane::QtUiServices>());
    if (!app.InitInstance())
        return app.ExitInstance();
    ardane::QuitSignals quitSignals([&app] {
        if (app.mainFrame())
            app.mainFrame()->close();
    });
    openForTest(app);
    reportLayoutForTest(app);
    const int rc = QApplication::exec();
    const int exitRc = app.ExitInstance();
    return rc != 0 ? rc : exitRc;
}
