// Whole sessions of the shell through its real code paths, with a scripted
// user in place of the dialogs: the profile, File Open and Save As for every
// format, the status panes, the document commands, closing.

#include "AppSession.h"
#include "app/CArdaneApp.h"
#include "app/CChildFrame.h"
#include "core/CommandIds.h"
#include "app/CommandRegistry.h"
#include "app/DocumentManager.h"
#include "app/HelpWindow.h"
#include "core/ProfileFormat.h"
#include "view/CArdaneView.h"

#include <QMdiArea>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using namespace ardane;

namespace {

QTemporaryDir* g_config = nullptr;

QString profilePath()
{
    return g_config->filePath("Ardane/Ardane.ini");
}

using Session = test::AppSession;

// A 64 x 48 image in four known colours.
imaging::Bitmap quadrants()
{
    imaging::Bitmap b = imaging::Bitmap::create(64, 48, 24);
    QImage& img = b.image();
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            img.setPixel(x, y, x < 32 ? (y < 24 ? qRgb(255, 0, 0) : qRgb(0, 0, 255)) : (y < 24 ? qRgb(0, 255, 0) : qRgb(255, 255, 255)));
    return b;
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestAppSession : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void firstRunWritesEveryDefault();
    void changedValuesSurviveRestart();
    void embeddingAndAutomationEndWithAMessage();
    void openAndSaveEveryFormat_data();
    void openAndSaveEveryFormat();
    void formatsWeCannotWriteAreReported();
    void layeredFileSavesAndReopens();
    void gifNeedsEightBits();
    void saveOfANeverSavedImageAsksForAName();
    void failedSaveKeepsTheOldFile();
    void unreadableFilesOpenNothing();
    void statusPanesAndSize();
    void commandsNeedADocument();
    void closingAsksToSave();
    void printSetupKeepsTheChoiceOnlyOnOk();
    void logoCursorsAndHelp();
};

void TestAppSession::initTestCase()
{
    g_config = new QTemporaryDir;
    qputenv("XDG_CONFIG_HOME", g_config->path().toLocal8Bit());
}

void TestAppSession::init()
{
    QFile::remove(profilePath());
}

void TestAppSession::cleanupTestCase()
{
    delete g_config;
}

void TestAppSession::firstRunWritesEveryDefault()
{
    {
        Session s;
        QVERIFY(s.start());
        QCOMPARE(s.app->settings().display.marginWidth, 20);
        QCOMPARE(s.app->settings().paint.backgroundColor, 0x808000u);
        QCOMPARE(s.app->ExitInstance(), 0);
    }
    QVERIFY(QFile::exists(profilePath()));
    const QString text = QString::fromUtf8(fileBytes(profilePath()));
    for (const char* section : {"[GENERAL]", "[Preference]", "[TEXT_PARAM]", "[Object_Param]"})
        QVERIFY2(text.contains(section), section);
    QVERIFY(text.contains("VIEW_BG=8421376"));   // 0x808000
    QVERIFY(text.contains("Capture_Scale=1"));
    QVERIFY(text.contains("Register_OCX=1"));    // registered on the first run
    QVERIFY(text.contains("[Recent File List]") || !text.contains("Recent"));

    AppSettings defaults;
    defaults.registerOcx = 1;
    QSettings profile(profilePath(), profileFormat());
    const auto bindings = settingBindings(defaults);
    QCOMPARE(bindings.size(), std::size_t(41));
    for (const auto& b : bindings) {
        const QString key = b.section + '/' + b.key;
        QVERIFY2(profile.contains(key), qPrintable(key));
        QCOMPARE(profile.value(key).toLongLong(), b.get());
    }
    QCOMPARE(profile.value("GENERAL/DEFAULTDOC_X").toInt(), 320);
    QCOMPARE(profile.value("Preference/Background_Color").toInt(), 0x808000);
    QCOMPARE(profile.value("TEXT_PARAM/TEXT_CRSHADOW").toInt(), 0xC0C0C0);
    QCOMPARE(profile.value("Object_Param/Fill_Color").toInt(), 0xFFFFFF);
}

void TestAppSession::changedValuesSurviveRestart()
{
    QTemporaryDir dir;
    const QString saved = dir.filePath("kept.png");
    {
        Session s;
        QVERIFY(s.start());
        s.newImage(100, 50, 150);
        QVERIFY(s.view());
        s.run(ID_PALETTE_OPTIMIZED);
        s.run(ID_DITHER_STEVENSON);
        s.run(ID_VIEW_MARGIN);
        s.run(ID_DISPLAY_ORDERED);
        s.run(ID_DISPLAY_PALETTE_AUTO);
        s.app->settings().paint.captureScale = 4;
        s.app->settings().paint.textDefaults.effect = 2;
        s.ui->saveAnswers.push_back(SaveFileChoice{saved, 10});
        s.run(ID_FILE_SAVE);
        QVERIFY(QFile::exists(saved));
        QCOMPARE(s.ui->messages.size(), std::size_t(0));
        s.app->ExitInstance();
    }
    Session s;
    QVERIFY(s.start());
    const AppSettings& a = s.app->settings();
    QCOMPARE(a.defaultDocX, 100);
    QCOMPARE(a.defaultDocY, 50);
    QCOMPARE(a.reduction.paletteOption, 2);
    QCOMPARE(a.reduction.ditherOption, 5);
    QCOMPARE(a.display.marginShown, 0);
    QCOMPARE(a.display.ditherMode, 0);
    QCOMPARE(a.display.paletteMode, 0);
    QCOMPARE(a.paint.captureScale, std::int16_t(4));
    QCOMPARE(a.paint.textDefaults.effect, std::int16_t(2));
    QCOMPARE(s.app->recentFiles().files().value(0), saved);
    QVERIFY(QString::fromUtf8(fileBytes(profilePath())).contains("[Recent File List]\nFile1=" + saved));
    // The remembered size is what the next new image proposes.
    s.ui->sizeAnswers.push_back(std::nullopt);
    s.run(ID_FILE_NEW);
    QCOMPARE(s.ui->sizeRequests.back().width, 100);
    QCOMPARE(s.ui->sizeRequests.back().height, 50);
    QCOMPARE(s.app->documents().count(), std::size_t(0)); // cancelled: no document
    s.app->ExitInstance();
}

void TestAppSession::embeddingAndAutomationEndWithAMessage()
{
    for (const char* sw : {"-Embedding", "/Automation", "/embedding"}) {
        QFile::remove(profilePath());
        Session s({"ardane", sw});
        QVERIFY(!s.start());
        QCOMPARE(s.ui->texts(), QStringList{"OLE is not yet implemented!"});
        QCOMPARE(s.ui->messages.front().icon, MessageIcon::Information);
        s.app->ExitInstance();
        QVERIFY2(!QFile::exists(profilePath()), "settings are written only after a full start");
    }
}

void TestAppSession::openAndSaveEveryFormat_data()
{
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("ext");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("bits");
    QTest::addColumn<QByteArray>("magic");
    QTest::addColumn<bool>("exact");
    QTest::newRow("GIF") << 1 << "gif" << 2 << 8 << QByteArray("GIF8") << true;
    QTest::newRow("BMP") << 2 << "bmp" << 6 << 24 << QByteArray("BM") << true;
    QTest::newRow("WMF") << 3 << "wmf" << 15 << 24 << QByteArray("\xD7\xCD\xC6\x9A", 4) << true;
    QTest::newRow("TIFF") << 4 << "tif" << 17 << 24 << QByteArray("II*\0", 4) << true;
    QTest::newRow("JPEG") << 5 << "jpg" << 10 << 24 << QByteArray("\xFF\xD8\xFF", 3) << false;
    QTest::newRow("EPS") << 7 << "ps" << 16 << 24 << QByteArray("%!PS") << false;
    QTest::newRow("OS2") << 8 << "os2" << 74 << 24 << QByteArray("BM") << true;
    QTest::newRow("PCX") << 9 << "pcx" << 1 << 24 << QByteArray("\x0A", 1) << true;
    QTest::newRow("PNG") << 10 << "png" << 75 << 24 << QByteArray("\x89PNG") << true;
    QTest::newRow("TGA") << 11 << "tga" << 4 << 24 << QByteArray() << true;
}

void TestAppSession::openAndSaveEveryFormat()
{
    QFETCH(int, entry);
    QFETCH(QString, ext);
    QFETCH(int, code);
    QFETCH(int, bits);
    QFETCH(QByteArray, magic);
    QFETCH(bool, exact);
    QTemporaryDir dir;
    const QString source = dir.filePath("source." + ext);
    imaging::ImagingControl maker;
    maker.SetImageHandle(quadrants());
    if (bits != 24)
        QCOMPARE(maker.ConvertColorDepth(bits, 1, 0, 0), imaging::result::Ok);
    QCOMPARE(maker.SaveFile(source, code, bits, 2, false), imaging::result::Ok);

    Session s;
    QVERIFY(s.start());
    s.ui->openAnswers.push_back(source);
    s.run(ID_FILE_OPEN);
    QCOMPARE(s.ui->texts(), QStringList());
    QCOMPARE(s.ui->openRequests.back().filters.size(), std::size_t(14));
    QCOMPARE(s.ui->openRequests.back().initialEntry, 13);
    QVERIFY(s.view() && s.view()->hasImage());
    QCOMPARE(s.view()->image().ProbedFormat(), std::int16_t(code));
    QCOMPARE(s.pane(2), QString("64x48(pixel)"));
    QCOMPARE(s.app->recentFiles().files().value(0), source);
    QCOMPARE(s.app->mainFrame()->activeChild()->windowTitle(), "source." + ext);

    // Save As preselects the file's own format.
    const QString target = dir.filePath("copy." + ext);
    s.ui->saveAnswers.push_back(SaveFileChoice{target, entry});
    s.run(ID_FILE_SAVE_AS);
    QCOMPARE(s.ui->texts(), QStringList());
    QCOMPARE(s.ui->saveRequests.back().initialEntry, entry);
    QCOMPARE(s.ui->saveRequests.back().filters.size(), std::size_t(13));
    QVERIFY(QFile::exists(target));
    QVERIFY(fileBytes(target).startsWith(magic));
    imaging::ImagingControl check;
    QCOMPARE(check.ProbeFile(target, 0), imaging::result::Ok);
    QCOMPARE(check.ProbedFormat(), std::int16_t(code));
    QCOMPARE(check.LoadFile(target, 24, 0), imaging::result::Ok);
    QCOMPARE(check.ImageHandle().width(), 64);
    const QRgb tl = check.ImageHandle().pixelRgb(5, 5);
    const QRgb br = check.ImageHandle().pixelRgb(60, 44);
    if (exact) {
        QCOMPARE(tl, qRgb(255, 0, 0));
        QCOMPARE(br, qRgb(255, 255, 255));
    } else {
        QVERIFY(qRed(tl) > 200 && qGreen(tl) < 60 && qBlue(tl) < 60);
        QVERIFY(qRed(br) > 200 && qGreen(br) > 200 && qBlue(br) > 200);
    }
    QCOMPARE(s.app->mainFrame()->activeChild()->windowTitle(), "copy." + ext);
    QCOMPARE(s.app->recentFiles().files().value(0), target);
    QVERIFY(!s.view()->document().isModified());
    s.app->ExitInstance();
}

void TestAppSession::formatsWeCannotWriteAreReported()
{
    QTemporaryDir dir;
    Session s;
    QVERIFY(s.start());
    s.newImage(40, 30);
    for (const auto& [entry, name] : std::vector<std::pair<int, QString>>{{6, "x.cmp"}}) {
        s.ui->messages.clear();
        s.ui->saveAnswers.push_back(SaveFileChoice{dir.filePath(name), entry});
        s.run(ID_FILE_SAVE_AS);
        QCOMPARE(s.ui->texts(), QStringList{"Not available for file format requested"});
        QVERIFY(!QFile::exists(dir.filePath(name)));
        QVERIFY(s.view()->document().path().isEmpty());
        QVERIFY(s.view()->document().isModified());
    }
    s.app->ExitInstance();
}

void TestAppSession::layeredFileSavesAndReopens()
{
    QTemporaryDir dir;
    Session s;
    QVERIFY(s.start());
    s.newImage(40, 30);
    s.view()->image().bitmapForDrawing().image().setPixel(5, 6, qRgb(1, 2, 3));
    const QString path = dir.filePath("layers.alf");
    s.ui->saveAnswers.push_back(SaveFileChoice{path, 0});
    s.run(ID_FILE_SAVE_AS);
    QCOMPARE(s.ui->texts(), QStringList{});
    QVERIFY(doc::isLayeredFile(path));
    QVERIFY(s.view()->isLayered());
    QVERIFY(!s.view()->document().isModified());
    // A plain Save writes the layered format again.
    s.view()->document().setModified(true);
    QFile::remove(path);
    s.run(ID_FILE_SAVE);
    QVERIFY(doc::isLayeredFile(path));
    const QString copy = dir.filePath("copy.alf");
    QVERIFY(QFile::copy(path, copy));
    QVERIFY(s.app->OpenDocumentFile(copy));
    QCOMPARE(s.view()->document().path(), copy);
    QVERIFY(s.view()->isLayered());
    QCOMPARE(s.view()->image().ImageHandle().width(), 40);
    QCOMPARE(s.view()->image().ImageHandle().pixelRgb(5, 6), qRgb(1, 2, 3));
    s.app->ExitInstance();
}

void TestAppSession::gifNeedsEightBits()
{
    QTemporaryDir dir;
    Session s;
    QVERIFY(s.start());
    s.newImage(40, 30);
    s.ui->saveAnswers.push_back(SaveFileChoice{dir.filePath("a.gif"), 1});
    s.run(ID_FILE_SAVE_AS);
    QCOMPARE(s.ui->texts(), QStringList{"GIF format only supports 8 bits per pixel"});
    QCOMPARE(s.ui->messages.front().icon, MessageIcon::Stop);
    QVERIFY(!QFile::exists(dir.filePath("a.gif")));
    // At 8 bits it goes through.
    s.run(ID_DEPTH_8);
    s.ui->saveAnswers.push_back(SaveFileChoice{dir.filePath("a.gif"), 1});
    s.run(ID_FILE_SAVE_AS);
    QCOMPARE(s.ui->messages.size(), std::size_t(1));
    QVERIFY(fileBytes(dir.filePath("a.gif")).startsWith("GIF8"));
    s.app->ExitInstance();
}

void TestAppSession::saveOfANeverSavedImageAsksForAName()
{
    QTemporaryDir dir;
    Session s;
    QVERIFY(s.start());
    s.newImage(40, 30);
    s.run(ID_FILE_SAVE);
    QCOMPARE(s.ui->saveRequests.size(), std::size_t(1));
    QCOMPARE(s.ui->saveRequests.back().initialEntry, 12); // "All Files (*.*)": the image has no format yet
    QVERIFY(s.ui->saveRequests.back().initialPath.isEmpty());
    QVERIFY(s.view()->document().isModified()); // cancelled

    s.ui->saveAnswers.push_back(SaveFileChoice{dir.filePath("new.tga"), 12});
    s.run(ID_FILE_SAVE);
    QCOMPARE(s.ui->saveRequests.size(), std::size_t(2));
    imaging::ImagingControl check;
    QCOMPARE(check.ProbeFile(dir.filePath("new.tga"), 0), imaging::result::Ok);
    QCOMPARE(check.ProbedFormat(), std::int16_t(4));
    QVERIFY(!s.view()->document().isModified());

    // Unknown extension through "All Files": a Windows bitmap under that name.
    s.ui->saveAnswers.push_back(SaveFileChoice{dir.filePath("odd.xyz"), 12});
    s.run(ID_FILE_SAVE_AS);
    QVERIFY(fileBytes(dir.filePath("odd.xyz")).startsWith("BM"));

    // Now it has a name: Save asks nothing and writes in the file's format.
    s.view()->document().setModified(true);
    s.run(ID_FILE_SAVE);
    QCOMPARE(s.ui->saveRequests.size(), std::size_t(3));
    QVERIFY(!s.view()->document().isModified());
    QCOMPARE(s.ui->texts(), QStringList());
    s.app->ExitInstance();
}

void TestAppSession::failedSaveKeepsTheOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("keep.gif");
    imaging::ImagingControl maker;
    maker.SetImageHandle(quadrants());
    QCOMPARE(maker.ConvertColorDepth(8, 1, 0, 0), imaging::result::Ok);
    QCOMPARE(maker.SaveFile(path, 2, 8, 2, false), imaging::result::Ok);
    const QByteArray before = fileBytes(path);

    Session s;
    QVERIFY(s.start());
    s.ui->openAnswers.push_back(path);
    s.run(ID_FILE_OPEN);
    QVERIFY(s.view());
    s.run(ID_DEPTH_24); // GIF cannot hold 24 bits: the codec refuses
    QVERIFY(s.view()->document().isModified());
    s.run(ID_FILE_SAVE);
    QCOMPARE(s.ui->texts(),
             QStringList{"Current file format doesn't support specified number of colors - Bit Per Pixel"});
    QCOMPARE(fileBytes(path), before);
    QVERIFY(s.view()->document().isModified());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.gif"}); // nothing left beside it
    s.app->ExitInstance();
}

void TestAppSession::unreadableFilesOpenNothing()
{
    QTemporaryDir dir;
    const auto write = [&dir](const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return f.fileName();
    };
    imaging::ImagingControl maker;
    maker.SetImageHandle(quadrants());
    QCOMPARE(maker.SaveFile(dir.filePath("whole.png"), 75, 24, 2, false), imaging::result::Ok);
    const QString truncated = write("cut.png", fileBytes(dir.filePath("whole.png")).left(60));

    Session s;
    QVERIFY(s.start());
    s.ui->openAnswers.push_back(write("garbage.png", "not an image"));
    s.run(ID_FILE_OPEN);
    QCOMPARE(s.ui->texts(), QStringList{"Invalid file format"});
    QCOMPARE(s.app->documents().count(), std::size_t(0));

    // Recognised as layered by its first bytes, without asking the imaging control.
    s.ui->messages.clear();
    s.ui->openAnswers.push_back(write("layers.png", QByteArray("\x25\xE3\x04\x00junk", 8)));
    s.run(ID_FILE_OPEN);
    QCOMPARE(s.ui->texts(), QStringList{"Error reading file"});
    s.settle();
    QCOMPARE(s.app->documents().count(), std::size_t(0));

    // Described well enough to pass the examination, unreadable in full: the
    // view shows the error and its document is closed again.
    s.ui->messages.clear();
    s.ui->openAnswers.push_back(truncated);
    s.run(ID_FILE_OPEN);
    QCOMPARE(s.ui->messages.size(), std::size_t(1));
    s.settle();
    QCOMPARE(s.app->documents().count(), std::size_t(0));
    QVERIFY(!s.app->recentFiles().files().contains(truncated));
    QCOMPARE(s.pane(1), QString("NumColor"));
    s.app->ExitInstance();
}

void TestAppSession::statusPanesAndSize()
{
    Session s;
    QVERIFY(s.start());
    s.app->printerResolution() = {100, 100};
    QCOMPARE(s.pane(1), QString("NumColor"));
    s.newImage(320, 200, 100);
    QCOMPARE(s.pane(1), QString("24 bits/pixel"));
    QCOMPARE(s.pane(2), QString("320x200(pixel)"));
    QCOMPARE(s.pane(3), QString("Print: 3.20\"x2.00\""));
    QCOMPARE(s.pane(4), QString("MemSize: 192K"));
    QCOMPARE(s.pane(5), QString("View: 100% - "));
    s.run(ID_VIEW_ZOOM_IN);
    QCOMPARE(s.pane(5), QString("View: 200% - "));
    s.run(ID_VIEW_NORMAL);

    ImageSizeValues v;
    v.width = 640;
    v.height = 400;
    v.xResolution = 200;
    v.yResolution = 200;
    v.resizeMode = 1;
    s.ui->sizeAnswers.push_back(v);
    s.view()->document().setModified(false);
    s.run(ID_IMAGE_SIZE);
    const ImageSizeValues asked = s.ui->sizeRequests.back();
    QCOMPARE(asked.caption, QString("Ardane1"));
    QCOMPARE(asked.width, 320);
    QCOMPARE(asked.xResolution, 100);
    QCOMPARE(s.view()->image().ImageHandle().width(), 640);
    QCOMPARE(s.view()->image().XResolution(), std::int16_t(200));
    QCOMPARE(s.view()->totalSize(), QSize(680, 440));
    QCOMPARE(s.pane(2), QString("640x400(pixel)"));
    QCOMPARE(s.pane(3), QString("Print: 3.20\"x2.00\""));
    QVERIFY(s.view()->document().isModified());
    QCOMPARE(s.app->printerResolution().x, 200);

    // A colour-depth change refreshes the panes.
    s.run(ID_PALETTE_OPTIMIZED);
    s.run(ID_DEPTH_8);
    QCOMPARE(s.pane(1), QString("8 bits/pixel"));
    QCOMPARE(s.state(ID_DEPTH_8).checked, std::optional<bool>(true));
    QCOMPARE(s.state(ID_DEPTH_24).checked, std::optional<bool>(false));
    QCOMPARE(s.state(ID_PALETTE_OPTIMIZED).checked, std::optional<bool>(true));
    s.run(ID_DEPTH_1);
    QCOMPARE(s.pane(1), QString("1 bits/pixel"));

    // Closing the last window puts the captions back.
    s.ui->saveChangesAnswers.push_back(SaveChangesAnswer::No);
    s.run(ID_FILE_CLOSE);
    s.settle();
    QCOMPARE(s.app->documents().count(), std::size_t(0));
    QCOMPARE(s.pane(1), QString("NumColor"));
    QCOMPARE(s.pane(5), QString("View Scale - Compression"));
    s.app->ExitInstance();
}

void TestAppSession::commandsNeedADocument()
{
    Session s;
    QVERIFY(s.start());
    for (int id : {ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_DEPTH_8, ID_PALETTE_FIXED, ID_VIEW_200, ID_VIEW_MARGIN, ID_FILE_CLOSE})
        QVERIFY2(!s.state(id).enabled, qPrintable(QString::number(id)));
    for (int id : {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_PRINT_SETUP, ID_APP_ABOUT, ID_HELP_CONTENTS, ID_APP_EXIT,
                   ID_VIEW_QUICK_BAR})
        QVERIFY2(s.state(id).enabled, qPrintable(QString::number(id)));
    s.run(ID_IMAGE_SIZE); // nothing to resize: no dialog
    QVERIFY(s.ui->sizeRequests.empty());
    // The router hands view commands to the active view.
    s.newImage(40, 30);
    QVERIFY(s.state(ID_VIEW_200).enabled);
    QCOMPARE(s.state(ID_VIEW_100).checked, std::optional<bool>(true));
    QCOMPARE(s.state(ID_VIEW_MARGIN).checked, std::optional<bool>(true));
    s.run(ID_VIEW_300);
    QCOMPARE(s.view()->zoom(), 300);
    s.app->commands().updateAll();
    QVERIFY(s.app->commands().action(ID_VIEW_300)->isChecked());
    QVERIFY(!s.app->commands().action(ID_VIEW_300)->isEnabled());
    QVERIFY(!s.app->commands().action(ID_VIEW_200)->isChecked());
    s.app->ExitInstance();
}

void TestAppSession::closingAsksToSave()
{
    Session s;
    QVERIFY(s.start());
    s.newImage(40, 30);
    s.newImage(20, 20);
    QCOMPARE(s.app->documents().count(), std::size_t(2));
    s.ui->saveChangesAnswers = {SaveChangesAnswer::No, SaveChangesAnswer::Cancel};
    QVERIFY(!s.app->mainFrame()->close()); // the second document's Cancel keeps everything open
    s.settle();
    QCOMPARE(s.app->documents().count(), std::size_t(2));
    QCOMPARE(s.ui->saveChangesQuestions, (QStringList{"Ardane1", "Ardane2"}));
    s.ui->saveChangesAnswers = {SaveChangesAnswer::No, SaveChangesAnswer::No};
    QVERIFY(s.app->mainFrame()->close());
    s.settle();
    QCOMPARE(s.app->documents().count(), std::size_t(0));
    s.app->ExitInstance();
}

void TestAppSession::printSetupKeepsTheChoiceOnlyOnOk()
{
    Session s;
    QVERIFY(s.start());
    QCOMPARE(s.app->commands().action(ID_FILE_PRINT_SETUP)->text(), QString("P&rint Setup..."));
    QCOMPARE(s.app->printer().pageLayout().orientation(), QPageLayout::Portrait);
    // Without a printer there is nothing to set up.
    s.app->setPrinterNamesSource([] { return QStringList(); });
    s.run(ID_FILE_PRINT_SETUP);
    QCOMPARE(s.ui->printSetups, 0);
    QCOMPARE(s.ui->texts(), QStringList{"No printers are installed."});
    QCOMPARE(s.ui->messages.back().icon, MessageIcon::Information);

    s.app->setPrinterNamesSource([] { return QStringList{"Laser"}; });
    s.ui->printSetupAnswer = false; // Cancel
    s.run(ID_FILE_PRINT_SETUP);
    QCOMPARE(s.ui->printSetups, 1);
    QCOMPARE(s.app->printer().pageLayout().orientation(), QPageLayout::Portrait);
    s.ui->printSetupAnswer = true; // OK
    s.run(ID_FILE_PRINT_SETUP);
    QCOMPARE(s.ui->printSetups, 2);
    QCOMPARE(s.app->printer().pageLayout().orientation(), QPageLayout::Landscape);
    s.app->ExitInstance();
}

void TestAppSession::logoCursorsAndHelp()
{
    Session s;
    QVERIFY(s.start());
    QVERIFY(s.app->isLogoShown());
    QCOMPARE(s.app->cursors().isLoaded(), true);
    QVERIFY(!s.app->cursors().cursor(9).pixmap().isNull()); // "CURSORPEN"
    QTest::keyClick(s.app->mainFrame(), Qt::Key_Shift);
    s.settle();
    QVERIFY(!s.app->isLogoShown());

    s.run(ID_HELP_CONTENTS);
    auto* help = s.app->mainFrame()->findChild<HelpWindow*>();
    QVERIFY(help && help->isVisible());
    QCOMPARE(help->documentTitle(), QString("Ardane User Manual"));
    s.app->ExitInstance();
}

QTEST_MAIN(TestAppSession)
#include "test_app_session.moc"
