#pragma once
// One run of the shell for a test: the real application object with a
// scripted user in place of its dialogs, and short ways to run commands and
// read back what the user would see.

#include "FakeUi.h"
#include "app/CArdaneApp.h"
#include "core/CommandIds.h"
#include "app/CommandRegistry.h"
#include "view/CArdaneView.h"

#include <QAction>
#include <QCoreApplication>
#include <QtTest>

#include <memory>

namespace ardane::test {

struct AppSession {
    FakeUi* ui;
    std::unique_ptr<CArdaneApp> app;

    explicit AppSession(QStringList args = {"ardane"})
    {
        auto fake = std::make_unique<FakeUi>();
        ui = fake.get();
        app = std::make_unique<CArdaneApp>(args, std::move(fake));
    }
    bool start() { return app->InitInstance(); }
    void run(int id) { app->commands().execute(id); }
    CommandState state(int id) { return app->commands().state(id); }
    // As a click on the item: the command runs and the item shows its new state.
    void click(int id) { app->commands().action(id)->trigger(); }
    QAction* item(int id) const { return app->commands().action(id); }
    bool checked(int id) const
    {
        app->commands().updateAll();
        return item(id)->isCheckable() && item(id)->isChecked();
    }
    CMainFrame& frame() const { return *app->mainFrame(); }
    CArdaneView* view() const { return frame().activeView(); }
    PaintSettings& paint() const { return app->settings().paint; }
    QString pane(int n) const { return frame().statusPanes().text(n); }
    // Lets deferred deletions and queued events happen, as the event loop would.
    void settle()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
    // File > New with the size dialog answered.
    void newImage(int w, int h, int dpi = 100)
    {
        ImageSizeValues v;
        v.width = w;
        v.height = h;
        v.xResolution = v.yResolution = dpi;
        ui->sizeAnswers.push_back(v);
        run(ID_FILE_NEW);
    }
    // Closes the window, as at exit, and writes the profile.
    void quit()
    {
        QVERIFY(frame().close());
        QCOMPARE(app->ExitInstance(), 0);
    }
};

} // namespace ardane::test
