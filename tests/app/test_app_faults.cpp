// Faults a new user ran into in the shell: the start for embedding, recent
// files that no longer open, File Open's name field, new images that cannot
// be made, and the string table with its message helper.

#include "AppSession.h"
#include "app/CArdaneApp.h"
#include "app/DocumentManager.h"
#include "core/ProfileFormat.h"
#include "app/QtUiServices.h"
#include "core/CommandIds.h"
#include "core/StringTable.h"
#include "palettes/PaletteDefs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace ardane;

namespace {

QTemporaryDir* g_config = nullptr;

QString profilePath() { return g_config->filePath("Ardane/Ardane.ini"); }

// A user who notes which windows of the program were on the screen when a
// message was shown.
class WatchingUi final : public test::FakeUi {
public:
    std::vector<QStringList> windowsAtMessage;
    void message(const QString& text, MessageIcon icon) override
    {
        QStringList shown;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible())
                shown << (w->windowTitle().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->windowTitle());
        windowsAtMessage.push_back(shown);
        FakeUi::message(text, icon);
    }
};

QString writeImage(const QString& path, int w, int h)
{
    imaging::ImagingControl c;
    if (c.CreateImage(w, h, 24) != imaging::result::Ok || c.FillImage(0x203040) != imaging::result::Ok
        || c.SaveFile(path, int(imaging::FileFormat::Bmp), 24, 0, false) != imaging::result::Ok)
        return {};
    return path;
}

} // namespace

class TestAppFaults : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void embeddingShowsNoWindowBeforeItsMessage();
    void recentEntryThatFailsToOpenLeavesTheList();
    void fileOpenNameFieldStartsWithAllFiles();
    void newImageThatCannotBeMadeLeavesNoWindow();
    void hugeNewImageIsMadeShownZoomedAndSaved();
    void stringTableHoldsTheProgramsTexts();
};

void TestAppFaults::initTestCase()
{
    g_config = new QTemporaryDir;
    qputenv("XDG_CONFIG_HOME", g_config->path().toLocal8Bit());
}

void TestAppFaults::init() { QFile::remove(profilePath()); }

void TestAppFaults::cleanupTestCase() { delete g_config; }

void TestAppFaults::embeddingShowsNoWindowBeforeItsMessage()
{
    for (const char* sw : {"-Embedding", "/Embedding", "-Automation", "/Automation"}) {
        auto ui = std::make_unique<WatchingUi>();
        WatchingUi* watch = ui.get();
        CArdaneApp app({"ardane", sw}, std::move(ui));
        QVERIFY(!app.InitInstance());
        QCOMPARE(watch->texts(), QStringList{"OLE is not yet implemented!"});
        QCOMPARE(watch->windowsAtMessage.size(), std::size_t(1));
        QVERIFY2(watch->windowsAtMessage.front().isEmpty(),
                 qPrintable(sw + QStringLiteral(": shown before the message: ") + watch->windowsAtMessage.front().join(", ")));
        app.ExitInstance();
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY2(!w->isVisible(), qPrintable(w->windowTitle()));
    }
}

void TestAppFaults::recentEntryThatFailsToOpenLeavesTheList()
{
    QTemporaryDir dir;
    const QString kept = writeImage(dir.filePath("kept.bmp"), 8, 6);
    const QString gone = writeImage(dir.filePath("gone.bmp"), 8, 6);
    QVERIFY(!kept.isEmpty() && !gone.isEmpty());
    {
        test::AppSession s;
        QVERIFY(s.start());
        QVERIFY(s.app->OpenDocumentFile(gone));
        QVERIFY(s.app->OpenDocumentFile(kept));
        QCOMPARE(s.app->recentFiles().files(), (QStringList{kept, gone}));
        s.quit();
    }
    QVERIFY(QFile::remove(gone));
    {
        test::AppSession s;
        QVERIFY(s.start());
        QCOMPARE(s.app->recentFiles().files(), (QStringList{kept, gone}));
        s.run(ID_FILE_MRU_FILE1 + 1); // gone.bmp
        s.settle();
        QCOMPARE(s.app->documents().count(), std::size_t(0));
        QCOMPARE(s.ui->messages.size(), std::size_t(1)); // the reason, once
        QCOMPARE(s.app->recentFiles().files(), QStringList{kept});
        QVERIFY(!s.state(ID_FILE_MRU_FILE1 + 1).enabled);
        s.run(ID_FILE_MRU_FILE1); // a good entry stays where it is
        QCOMPARE(s.app->documents().count(), std::size_t(1));
        QCOMPARE(s.app->recentFiles().files(), QStringList{kept});
        s.quit();
    }
    QSettings profile(profilePath(), profileFormat());
    profile.beginGroup("Recent File List");
    QCOMPARE(profile.value("File1").toString(), kept);
    QVERIFY(!profile.contains("File2") || profile.value("File2").toString().isEmpty());
}

void TestAppFaults::fileOpenNameFieldStartsWithAllFiles()
{
    // The application asks for it ...
    {
        test::AppSession s;
        QVERIFY(s.start());
        s.run(ID_FILE_OPEN);
        QCOMPARE(s.ui->openRequests.size(), std::size_t(1));
        QCOMPARE(s.ui->openRequests.front().initialName, QString("*.*"));
        s.quit();
    }
    // ... and the real dialog shows it in its name field.
    QtUiServices ui;
    OpenFileRequest request;
    request.filters = {{"PNG(*.PNG)", "*.PNG"}, {"All Files (*.*)", "*.*"}};
    request.initialEntry = 1;
    request.initialName = QStringLiteral("*.*");
    QString seen = QStringLiteral("<no dialog>");
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            seen = edit->text();
        dialog->reject();
    });
    QVERIFY(!ui.openFileName(request));
    QCOMPARE(seen, QString("*.*"));
}

void TestAppFaults::newImageThatCannotBeMadeLeavesNoWindow()
{
    test::AppSession s;
    QVERIFY(s.start());
    // Beyond what any bitmap can hold: refused with the memory message.
    s.newImage(65535, 65535 * 4);
    s.settle();
    QCOMPARE(s.ui->texts(), QStringList{"Not enough memory available"});
    QCOMPARE(s.app->documents().count(), std::size_t(0));
    QCOMPARE(s.pane(1), QString("NumColor"));
    QCOMPARE(s.pane(2), QString("Size in pixels"));
    // The next one is made as usual.
    s.ui->messages.clear();
    s.newImage(40, 30);
    QCOMPARE(s.ui->texts(), QStringList{});
    QCOMPARE(s.app->documents().count(), std::size_t(1));
    QCOMPARE(s.pane(2), QString("40x30(pixel)"));
    s.quit();
}

void TestAppFaults::hugeNewImageIsMadeShownZoomedAndSaved()
{
    // 24000 x 24000 at 24 bits: 1.7 GB of pixels, more than 2^28 pixels.
    QTemporaryDir dir;
    test::AppSession s;
    QVERIFY(s.start());
    s.newImage(24000, 24000);
    QCOMPARE(s.ui->texts(), QStringList{});
    QVERIFY(s.view() && s.view()->hasImage());
    QCOMPARE(s.pane(2), QString("24000x24000(pixel)"));
    QCOMPARE(s.pane(1), QString("24 bits/pixel"));
    const QColor background(0, 128, 128); // the default background colour 0x808000
    s.view()->resize(400, 300);
    QCOMPARE(s.view()->viewport()->grab().toImage().pixelColor(100, 100), background);
    s.run(ID_VIEW_200);
    QCOMPARE(s.view()->zoom(), 200);
    QCOMPARE(s.view()->totalSize().width(), 48000 + 2 * 20);
    QCOMPARE(s.view()->viewport()->grab().toImage().pixelColor(200, 150), background);
    s.run(ID_VIEW_100);

    const QString path = dir.filePath("huge.bmp");
    s.ui->saveAnswers.push_back(SaveFileChoice{path, 2}); // "Windows(*.BMP)"
    s.run(ID_FILE_SAVE_AS);
    QCOMPARE(s.ui->texts(), QStringList{});
    QCOMPARE(QFileInfo(path).size(), qint64(54) + qint64(24000) * 24000 * 3);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray head = f.read(54);
    QCOMPARE(head.left(2), QByteArray("BM"));
    f.seek(f.size() - 3);
    QCOMPARE(f.read(3), QByteArray("\x80\x80\x00", 3)); // blue, green, red of the last pixel
    f.close();
    QFile::remove(path);
    s.quit();
}

void TestAppFaults::stringTableHoldsTheProgramsTexts()
{
    QCOMPARE(stringTableText(IDS_INSUFFICIENT_MEMORY), QString("Insufficient memory!"));
    QCOMPARE(stringTableText(IDS_INVALID_FONT_SIZE), QString("Invalid font size"));
    QCOMPARE(stringTableText(kToolPalette.captionId), QString("Tools"));
    QCOMPARE(stringTableText(kSprayPalette.captionId), QString("Spray Style"));
    QCOMPARE(stringTableText(kBrushPalette.captionId), QString("Brush Style"));
    QCOMPARE(stringTableText(ID_INDICATOR_NUM_COLOR), QString("NumColor"));
    QVERIFY(stringTableText(12345).isEmpty());
    // Every tool button has its prompt; the tooltip is the part after the break.
    for (int id = ID_TOOL_SELECT_RECT; id <= ID_TOOL_SHUFFLE_LARGE; ++id) {
        QVERIFY2(stringTableText(id).startsWith('\n'), qPrintable(QString::number(id)));
        QVERIFY(!promptToolTip(id).isEmpty());
    }
    QCOMPARE(promptToolTip(ID_TOOL_SPRAY), QString("Sprayer"));
    QCOMPARE(promptToolTip(ID_ROTATE_90), QString("Rotate image 90 degree"));
    QCOMPARE(promptStatusText(ID_PRINT_OPTION), QString("How the single-image is printed on the page"));

    // The helper shows an entry by id; a command with a prompt carries it.
    test::AppSession s;
    QVERIFY(s.start());
    s.ui->showStringMessage(IDS_INSUFFICIENT_MEMORY, MessageIcon::Stop);
    QCOMPARE(s.ui->texts(), QStringList{"Insufficient memory!"});
    QCOMPARE(s.ui->messages.back().icon, MessageIcon::Stop);
    QCOMPARE(s.item(ID_FILL_INSIDE)->toolTip(), QString("Fill inside of selection"));
    QCOMPARE(s.item(ID_CAPTURE_SCREEN)->toolTip(), QString("Capture screen"));
    s.quit();
}

QTEST_MAIN(TestAppFaults)
#include "test_app_faults.moc"
