// The shell's parts on their own: status texts, the router, the printer page
// table, the registration command, the recent files, the "New Image Size" dialog.

#include "core/CommandMap.h"
#include "app/PrinterQueries.h"
#include "app/QtUiServices.h"
#include "app/RecentFileList.h"
#include "app/ServerRegistration.h"
#include "app/StatusPanes.h"
#include "core/StringTable.h"
#include "dialogs/CImageSizeDlg.h"
#include "FakeUi.h"
#include "view/ViewHost.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using namespace ardane;

class TestAppParts : public QObject {
    Q_OBJECT
private slots:
    void statusTexts();
    void routerAsksInOrderAndDisablesUnknownIds();
    void pageSizeByPaperAndOrientation();
    void registrationCommandLine();
    void recentFilesKeepFourNewestFirst();
    void imagingErrorTexts();
    void imageSizeDialogClampsAndKeepsAspect();
    void openFilterTextsForQt();
};

void TestAppParts::statusTexts()
{
    StatusFigures f{24, 320, 200, 100, 100, 192000, 100, QString()};
    auto t = ardane::statusTexts(f);
    QCOMPARE(t[0], QString("24 bits/pixel"));
    QCOMPARE(t[1], QString("320x200(pixel)"));
    QCOMPARE(t[2], QString("Print: 3.20\"x2.00\""));
    QCOMPARE(t[3], QString("MemSize: 192K"));
    QCOMPARE(t[4], QString("View: 100% - "));

    f = {8, 300, 300, 150, 300, 0, 300, "LZW"};
    t = ardane::statusTexts(f);
    QCOMPARE(t[2], QString("Print: 2.00\"x1.00\""));
    QCOMPARE(t[3], QString("Size: n/a"));
    QCOMPARE(t[4], QString("View: 300% - LZW"));

    const auto captions = statusCaptions();
    QCOMPARE(QStringList(captions.begin(), captions.end()),
             (QStringList{"NumColor", "Size in pixels", "Print Size", "Memory Size", "View Scale - Compression"}));
    QCOMPARE(stringTableText(100),
             QString("OLE initialization failed.  Make sure that the OLE libraries are the correct version."));
}

void TestAppParts::routerAsksInOrderAndDisablesUnknownIds()
{
    CommandMap view, doc, frame;
    QStringList calls;
    view.on(1, [&] { calls << "view"; }, [](CommandState& s) { s.checked = true; });
    doc.on(1, [&] { calls << "doc"; });
    doc.on(2, [&] { calls << "doc2"; });
    frame.on(2, [&] { calls << "frame2"; });
    frame.on(3, [&] { calls << "frame3"; }, [](CommandState& s) { s.enabled = false; });
    std::vector<const CommandMap*> chain{&view, &doc, &frame};
    CommandRouter router([&] { return chain; });
    QVERIFY(router.execute(1));
    QVERIFY(router.execute(2));
    QVERIFY(!router.execute(4));
    QCOMPARE(calls, (QStringList{"view", "doc2"}));
    QCOMPARE(router.state(1).checked, std::optional<bool>(true));
    QVERIFY(router.state(2).enabled);
    QVERIFY(!router.state(2).checked);
    QVERIFY(!router.state(3).enabled);
    QVERIFY(!router.state(4).enabled);
    chain = {&frame}; // no view: the frame's handler answers
    QVERIFY(router.execute(2));
    QCOMPARE(calls.back(), QString("frame2"));
}

void TestAppParts::pageSizeByPaperAndOrientation()
{
    QCOMPARE(pageSizeForPaper(1, true), QSizeF(8.5, 11));
    QCOMPARE(pageSizeForPaper(1, false), QSizeF(11, 8.5)); // landscape letter
    QCOMPARE(pageSizeForPaper(5, true), QSizeF(8.5, 14));
    QCOMPARE(pageSizeForPaper(4, true), QSizeF(17, 11));
    QCOMPARE(pageSizeForPaper(4, false), QSizeF(11, 17));
    QCOMPARE(pageSizeForPaper(39, true), QSizeF(11, 15));
    QCOMPARE(pageSizeForPaper(12345, true), QSizeF(8.5, 11));
    const QSizeF a4 = pageSizeForPaper(256, true, 2100, 2970);
    QVERIFY(qAbs(a4.width() - 8.2677) < 0.001 && qAbs(a4.height() - 11.6929) < 0.001);
}

void TestAppParts::registrationCommandLine()
{
    QCOMPARE(ardane::registrationCommandLine("/opt/my apps/ardane"),
             QString("regsvr32 /s \"/opt/my apps/ImagingCtl.ocx\""));
    QCOMPARE(ardane::registrationCommandLine("/usr/bin/ardane"), QString("regsvr32 /s /usr/bin/ImagingCtl.ocx"));
    QCOMPARE(ardane::registrationCommandLine("ardane"), QString("regsvr32 /s ImagingCtl.ocx"));
}

void TestAppParts::recentFilesKeepFourNewestFirst()
{
    QTemporaryDir dir;
    RecentFileList list;
    for (const char* name : {"a.png", "b.png", "c.png", "d.png", "e.png", "c.png"})
        list.add(dir.filePath(name));
    QCOMPARE(list.files(), (QStringList{dir.filePath("c.png"), dir.filePath("e.png"), dir.filePath("d.png"),
                                        dir.filePath("b.png")}));
    QSettings profile(dir.filePath("p.ini"), QSettings::IniFormat);
    list.write(profile);
    profile.sync();
    RecentFileList again;
    again.read(profile);
    QCOMPARE(again.files(), list.files());
    QCOMPARE(profile.value("Recent File List/File1").toString(), dir.filePath("c.png"));
}

void TestAppParts::imagingErrorTexts()
{
    test::FakeUi ui;
    for (const int code : {20001, 20003, 62473, 20007, 20009, 20014, 20015, 20016, 20019, 20022, 20023, 20027, 20050, 12345})
        showImagingError(ui, imaging::Result(code));
    QCOMPARE(ui.texts(), (QStringList{
                             "Not enough memory available", "Not enough memory available", "Not enough memory available",
                             "Error reading file", "Invalid file format", "Not able to open file",
                             "Unknown compression format", "Not available for file format requested",
                             "Data CRC check error", "TARGA not installed", "Invalid compression format",
                             "Current file format doesn't support specified number of colors - Bit Per Pixel",
                             "Error Writing file", "Unknown error"}));
    QCOMPARE(ui.messages.front().icon, MessageIcon::None);
}

void TestAppParts::imageSizeDialogClampsAndKeepsAspect()
{
    ImageSizeValues v;
    v.width = 320;
    v.height = 200;
    v.xResolution = v.yResolution = 100;
    CImageSizeDlg dlg(v);
    QCOMPARE(dlg.windowTitle(), QString("New Image Size"));
    QCOMPARE(dlg.inchText(), QString("3.20 x 2.00"));
    QCOMPARE(dlg.millimetreText(), QString("81 x 50"));
    QCOMPARE(dlg.widthField()->maxLength(), 7);
    QVERIFY(dlg.keepAspectBox()->isChecked());

    dlg.widthField()->setText("640");
    dlg.widthFinished();
    QCOMPARE(dlg.heightField()->text(), QString("400"));
    QCOMPARE(dlg.inchText(), QString("6.40 x 4.00"));
    dlg.widthField()->setText("5");
    dlg.widthFinished();
    QCOMPARE(dlg.widthField()->text(), QString("10"));
    QCOMPARE(dlg.heightField()->text(), QString("6"));
    dlg.heightField()->setText("30000");
    dlg.heightFinished();
    QCOMPARE(dlg.heightField()->text(), QString("24000"));
    QCOMPARE(dlg.widthField()->text(), QString("38400")); // the aspect may take the other side past the limit ...

    dlg.keepAspectBox()->setChecked(false);
    dlg.widthField()->setText("640");
    dlg.widthFinished();
    QCOMPARE(dlg.heightField()->text(), QString("24000")); // ... keep aspect off: the height stays

    QTest::keyClicks(dlg.xResolutionField(), "");
    dlg.xResolutionField()->clear();
    QTest::keyClicks(dlg.xResolutionField(), "0");
    QCOMPARE(dlg.xResolutionField()->text(), QString("1"));
    dlg.yResolutionField()->clear();
    QTest::keyClicks(dlg.yResolutionField(), "5000");
    QCOMPARE(dlg.yResolutionField()->text(), QString("2400"));
    dlg.accept();
    const ImageSizeValues out = dlg.values();
    QCOMPARE(out.width, 640);
    QCOMPARE(out.height, 24000);
    QCOMPARE(out.xResolution, 1);
    QCOMPARE(out.yResolution, 2400);

    // A caption replaces the title; typing alone changes nothing until focus leaves.
    v.caption = "photo.png";
    CImageSizeDlg resize(v);
    QCOMPARE(resize.windowTitle(), QString("photo.png"));
    QTest::keyClicks(resize.widthField(), "0");
    QCOMPARE(resize.heightField()->text(), QString("200"));
}

void TestAppParts::openFilterTextsForQt()
{
    QCOMPARE(qtNameFilter({"CompuServe(*.GIF)", "*.GIF"}), QString("CompuServe(*.GIF) (*.GIF *.gif)"));
    QCOMPARE(qtNameFilter({"All Files (*.*)", "*.*"}), QString("All Files (*.*) (*.*)"));
}

QTEST_MAIN(TestAppParts)
#include "test_app_parts.moc"
