// The document: file filters and the format-code rules of Save As, the layered
// signature, and the document's colour-depth and colour-reduction commands.

#include "core/CommandIds.h"
#include "doc/CArdaneDoc.h"
#include "doc/LayeredFormat.h"
#include "doc/SaveFormats.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace ardane;
using namespace ardane::doc;

namespace {

// A first view that records what the document asks of it.
class FakeImage final : public DocumentImage {
public:
    int bits = 24;
    bool convertOk = true;
    std::vector<std::array<int, 3>> conversions;
    std::vector<bool> saves; // withDialog of each request
    bool saveResult = true;

    bool hasImage() const override { return true; }
    int bitsPerPixel() const override { return bits; }
    bool saveImage(bool withDialog) override
    {
        saves.push_back(withDialog);
        return saveResult;
    }
    bool convertColorDepth(int b, int palette, int dither) override
    {
        conversions.push_back({b, palette, dither});
        if (convertOk)
            bits = b;
        return convertOk;
    }
};

CommandState stateOf(CArdaneDoc& d, int id)
{
    CommandState s;
    const auto* e = d.commands().find(id);
    if (e && e->update)
        e->update(s);
    return s;
}

void run(CArdaneDoc& d, int id)
{
    d.commands().find(id)->run();
}

} // namespace

class TestDoc : public QObject {
    Q_OBJECT
private slots:
    void filtersListEveryFormatInOrder();
    void saveAsPatternRules_data();
    void saveAsPatternRules();
    void layeredSignature();
    void depthCommandsConvertCheckAndMarkModified();
    void reductionOptionsSetAndCheck();
    void saveAsksForANameOnlyWhenThereIsNone();
};

void TestDoc::filtersListEveryFormatInOrder()
{
    const auto open = openFilter();
    QCOMPARE(open.size(), std::size_t(14));
    QCOMPARE(QString(open[0].description), QString("Ardane Format+Layers(*.ALF)"));
    QCOMPARE(QString(open[6].description), QString("Photo CD(*.PCD)"));
    QCOMPARE(QString(open[9].description), QString("OS/2 Bitmap Version 2"));
    QCOMPARE(QString(open[9].pattern), QString("*.OS2"));
    QCOMPARE(QString(open[13].description), QString("All Files (*.*)"));
    QCOMPARE(kOpenInitialEntry, 13);

    const auto save = saveFilter();
    QCOMPARE(save.size(), std::size_t(13));
    const std::array<int, 12> codes{255, 2, 6, 15, 17, 10, 5, 16, 74, 1, 75, 4};
    for (std::size_t i = 0; i < codes.size(); ++i)
        QCOMPARE(save[i].formatCode, codes[i]);
    for (const auto& e : save)
        QVERIFY(QString(e.pattern) != "*.PCD");
    // The save filter is the open filter without Photo CD.
    for (std::size_t i = 0, j = 0; i < open.size(); ++i) {
        if (QString(open[i].pattern) == "*.PCD")
            continue;
        QCOMPARE(QString(save[j].description), QString(open[i].description));
        ++j;
    }
}

void TestDoc::saveAsPatternRules_data()
{
    QTest::addColumn<int>("currentCode");
    QTest::addColumn<QString>("documentName");
    QTest::addColumn<int>("chosenEntry");
    QTest::addColumn<QString>("chosenPath");
    QTest::addColumn<int>("preselectedEntry");
    QTest::addColumn<int>("expectedCode");

    QTest::newRow("tga through All Files") << 0 << "Ardane1" << 12 << "/t/a.tga" << 12 << 4;
    QTest::newRow("unknown extension through All Files") << 0 << "Ardane1" << 12 << "/t/a.xyz" << 12 << 6;
    QTest::newRow("no extension through All Files") << 0 << "Ardane1" << 12 << "/t/a" << 12 << 6;
    QTest::newRow("tiff kept with its own entry") << 17 << "/t/scan.tif" << 4 << "/t/copy.tif" << 4 << 17;
    QTest::newRow("tiff to png entry") << 17 << "/t/scan.tif" << 10 << "/t/copy.png" << 4 << 75;
    QTest::newRow("bmp content named .cmp keeps bmp") << 6 << "/t/x.cmp" << 2 << "/t/y.bmp" << 2 << 6;
    QTest::newRow("photo cd preselects the first entry") << 40 << "/t/p.pcd" << 0 << "/t/p.alf" << 0 << 255;
    QTest::newRow("photo cd as jpeg") << 40 << "/t/p.pcd" << 5 << "/t/p.jpg" << 0 << 10;
    QTest::newRow("gif through All Files by name") << 6 << "/t/a.bmp" << 12 << "/t/b.GIF" << 2 << 2;
    QTest::newRow("no entry chosen") << 6 << "/t/a.bmp" << -1 << "/t/b.pcx" << 2 << 1;
}

void TestDoc::saveAsPatternRules()
{
    QFETCH(int, currentCode);
    QFETCH(QString, documentName);
    QFETCH(int, chosenEntry);
    QFETCH(QString, chosenPath);
    QFETCH(int, preselectedEntry);
    QFETCH(int, expectedCode);
    const QString preselected = preselectedPattern(currentCode, documentName);
    QCOMPARE(saveEntryForPattern(preselected), preselectedEntry);
    const QString chosen = chosenPattern(chosenEntry, chosenPath);
    QCOMPARE(formatForPattern(chosen, preselected, currentCode), expectedCode);
}

void TestDoc::layeredSignature()
{
    QTemporaryDir dir;
    const auto write = [&dir](const char* name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return f.fileName();
    };
    QVERIFY(isLayeredFile(write("a.bmp", QByteArray("\x25\xE3\x04\x00", 4))));
    QVERIFY(!isLayeredFile(write("b.alf", QByteArray("\x00\x04\xE3\x25", 4))));
    QVERIFY(!isLayeredFile(write("c.alf", QByteArray("\x25\xE3\x04", 3))));
    QVERIFY(!isLayeredFile(dir.filePath("missing.alf")));
    QVERIFY(!isLayeredFile(dir.path()));

    NoLayeredFormat none;
    imaging::ImagingControl control;
    objects::ObjectList objects;
    QVERIFY(!none.read(dir.filePath("a.bmp"), control, objects));
    QCOMPARE(none.write(dir.filePath("x.alf"), control, objects, 6, 24, -1), imaging::result::NotAvailable);
    QVERIFY(!QFile::exists(dir.filePath("x.alf")));
}

void TestDoc::depthCommandsConvertCheckAndMarkModified()
{
    ColorReduction reduction{2, 5};
    CArdaneDoc d(reduction, 1);
    FakeImage image;
    d.setImage(&image);
    QCOMPARE(stateOf(d, ID_DEPTH_24).checked, std::optional<bool>(true));
    QCOMPARE(stateOf(d, ID_DEPTH_8).checked, std::optional<bool>(false));
    QSignalSpy changed(&d, &CArdaneDoc::imageChanged);

    run(d, ID_DEPTH_8);
    QCOMPARE(image.conversions.back(), (std::array<int, 3>{8, 2, 5}));
    QVERIFY(d.isModified());
    QCOMPARE(changed.count(), 1);
    QCOMPARE(stateOf(d, ID_DEPTH_8).checked, std::optional<bool>(true));

    // The current depth still converts and marks the document modified.
    d.setModified(false);
    run(d, ID_DEPTH_8);
    QCOMPARE(image.conversions.size(), std::size_t(2));
    QVERIFY(d.isModified());

    // A failed conversion leaves the document as it was.
    d.setModified(false);
    image.convertOk = false;
    run(d, ID_DEPTH_1);
    QVERIFY(!d.isModified());
    QCOMPARE(stateOf(d, ID_DEPTH_8).checked, std::optional<bool>(true));

    for (const auto& [id, bits] : std::vector<std::pair<int, int>>{{ID_DEPTH_4, 4}, {ID_DEPTH_16, 16}, {ID_DEPTH_32, 32}}) {
        image.convertOk = true;
        run(d, id);
        QCOMPARE(image.conversions.back()[0], bits);
    }

    // Without a view holding the image nothing happens.
    d.setImage(nullptr);
    d.setModified(false);
    run(d, ID_DEPTH_24);
    QVERIFY(!d.isModified());
}

void TestDoc::reductionOptionsSetAndCheck()
{
    ColorReduction reduction;
    CArdaneDoc d(reduction, 1);
    QCOMPARE(stateOf(d, ID_PALETTE_FIXED).checked, std::optional<bool>(true));
    QCOMPARE(stateOf(d, ID_DITHER_NONE).checked, std::optional<bool>(true));
    const std::vector<std::pair<int, int>> palettes{{ID_PALETTE_ORDER_RGB, 0}, {ID_PALETTE_FIXED, 1},
                                                    {ID_PALETTE_OPTIMIZED, 2}, {ID_PALETTE_ORDERED_BGR, 4},
                                                    {ID_PALETTE_IDENTITY, 8}};
    for (const auto& [id, value] : palettes) {
        run(d, id);
        QCOMPARE(reduction.paletteOption, value);
        for (const auto& [other, v] : palettes)
            QCOMPARE(stateOf(d, other).checked, std::optional<bool>(other == id));
    }
    for (int id = ID_DITHER_NONE; id <= ID_DITHER_ORDERED; ++id) {
        run(d, id);
        QCOMPARE(reduction.ditherOption, id - ID_DITHER_NONE);
        QCOMPARE(stateOf(d, id).checked, std::optional<bool>(true));
        QCOMPARE(stateOf(d, id == ID_DITHER_NONE ? ID_DITHER_ORDERED : ID_DITHER_NONE).checked,
                 std::optional<bool>(false));
    }
}

void TestDoc::saveAsksForANameOnlyWhenThereIsNone()
{
    ColorReduction reduction;
    CArdaneDoc d(reduction, 3);
    FakeImage image;
    d.setImage(&image);
    d.OnNewDocument({100, 50, 72, 72});
    QCOMPARE(d.title(), QString("Ardane3"));
    d.setModified(true);
    run(d, ID_FILE_SAVE);
    QCOMPARE(image.saves, std::vector<bool>{true});
    QVERIFY(!d.isModified());

    QSignalSpy saved(&d, &CArdaneDoc::pathSaved);
    d.setPathName("/tmp/picture.png");
    QCOMPARE(d.title(), QString("picture.png"));
    QCOMPARE(saved.count(), 1);
    d.setModified(true);
    image.saveResult = false; // a failed save keeps the modified flag
    run(d, ID_FILE_SAVE);
    QCOMPARE(image.saves.back(), false);
    QVERIFY(d.isModified());
    run(d, ID_FILE_SAVE_AS);
    QCOMPARE(image.saves.back(), true);
    QVERIFY(d.isModified());
}

QTEST_MAIN(TestDoc)
#include "test_doc.moc"
