// The layered file's container: its bytes, the three string length forms,
// the round trip of the image, and damaged files refused without harm.

#include "doc/LayeredFile.h"
#include "doc/SaveFormats.h"

#include <QTemporaryDir>
#include <QtTest>

#include <random>

using namespace ardane;
using namespace ardane::doc;

namespace {

imaging::ImagingControl sampleImage(int w, int h)
{
    imaging::ImagingControl c;
    [[maybe_unused]] const auto r = c.CreateImage(w, h, 24);
    QImage& img = c.bitmapForDrawing().image();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x * 30, y * 40, 99));
    return c;
}

std::uint32_t u32At(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return std::uint32_t(b[at]) | (std::uint32_t(b[at + 1]) << 8) | (std::uint32_t(b[at + 2]) << 16)
         | (std::uint32_t(b[at + 3]) << 24);
}

} // namespace

class TestLayeredFile : public QObject {
    Q_OBJECT
private slots:
    void imageWithoutObjectsIs14PlusNBytes();
    void stringLengthForms();
    void truncatedOrDamagedFilesLeaveTheImage();
    void objectRecordsNeedAReader();
    void fileRoundTripAndUnwritableTarget();
};

void TestLayeredFile::imageWithoutObjectsIs14PlusNBytes()
{
    imaging::ImagingControl image = sampleImage(7, 5);
    std::vector<std::uint8_t> block;
    QCOMPARE(image.SaveToBlock(block, kBmpFormat, 24, -1), imaging::result::Ok);
    LayeredFile file;
    std::vector<std::uint8_t> bytes;
    QCOMPARE(file.writeBytes(image, kBmpFormat, 24, -1, bytes), imaging::result::Ok);
    QCOMPARE(bytes.size(), block.size() + 14);
    QCOMPARE((std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 4)), (std::vector<std::uint8_t>{0x25, 0xE3, 0x04, 0x00}));
    QCOMPARE(u32At(bytes, 4), std::uint32_t(block.size()));
    QCOMPARE(int(bytes[8] | (bytes[9] << 8)), 24);
    QVERIFY(std::equal(block.begin(), block.end(), bytes.begin() + 10));
    QCOMPARE(u32At(bytes, 10 + block.size()), 0u);

    imaging::ImagingControl back;
    QVERIFY(file.readBytes(bytes, back));
    QCOMPARE(back.ImageHandle().width(), 7);
    QCOMPARE(back.ImageHandle().pixelRgb(6, 4), qRgb(180, 160, 99));
    QCOMPARE(back.BitsPerPixel(), std::int16_t(24));
}

void TestLayeredFile::stringLengthForms()
{
    const struct {
        std::size_t length;
        std::vector<std::uint8_t> prefix;
    } cases[] = {
        {0, {0x00}},
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {0xFFFD, {0xFF, 0xFD, 0xFF}},
        {0xFFFE, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
    };
    for (const auto& c : cases) {
        const std::string text(c.length, 'x');
        std::vector<std::uint8_t> out;
        ArchiveWriter w(out);
        w.string(text);
        QCOMPARE(out.size(), c.prefix.size() + c.length);
        QVERIFY2(std::equal(c.prefix.begin(), c.prefix.end(), out.begin()), qPrintable(QString::number(c.length)));
        ArchiveReader r(out);
        QCOMPARE(r.string(), std::optional<std::string>(text));
        QCOMPARE(r.remaining(), std::size_t(0));
    }
    // A length longer than the data fails before allocating; 0xFFFE is no length.
    const std::vector<std::uint8_t> huge{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a'};
    ArchiveReader r1(huge);
    QVERIFY(!r1.string());
    QVERIFY(r1.failed());
    QVERIFY(!r1.u8()); // failed stays failed
    const std::vector<std::uint8_t> marker{0xFF, 0xFE, 0xFF, 'a'};
    ArchiveReader r2(marker);
    QVERIFY(!r2.string());
}

void TestLayeredFile::truncatedOrDamagedFilesLeaveTheImage()
{
    imaging::ImagingControl source = sampleImage(6, 4);
    LayeredFile file;
    std::vector<std::uint8_t> bytes;
    QCOMPARE(file.writeBytes(source, kBmpFormat, 24, -1, bytes), imaging::result::Ok);
    imaging::ImagingControl target = sampleImage(3, 3);
    const imaging::Bitmap before = target.ImageHandle();
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + std::ptrdiff_t(n));
        QVERIFY2(!file.readBytes(cut, target), qPrintable(QString("accepted %1 of %2 bytes").arg(n).arg(bytes.size())));
        QCOMPARE(target.ImageHandle(), before);
    }
    // Sizes and counts beyond the data, and random damage: refused or read, never more.
    std::mt19937 random(7);
    for (int i = 0; i < 500; ++i) {
        std::vector<std::uint8_t> damaged = bytes;
        const int flips = 1 + int(random() % 4);
        for (int k = 0; k < flips; ++k)
            damaged[random() % damaged.size()] = std::uint8_t(random());
        imaging::ImagingControl c = sampleImage(3, 3);
        if (!file.readBytes(damaged, c))
            QCOMPARE(c.ImageHandle(), before);
    }
    std::vector<std::uint8_t> bigSize = bytes;
    bigSize[7] = 0x7F; // N near 2 GiB
    QVERIFY(!file.readBytes(bigSize, target));
    std::vector<std::uint8_t> bigCount = bytes;
    bigCount[bytes.size() - 1] = 0xFF; // 4 billion objects in no bytes
    QVERIFY(!file.readBytes(bigCount, target));
    QCOMPARE(target.ImageHandle(), before);
}

void TestLayeredFile::objectRecordsNeedAReader()
{
    imaging::ImagingControl source = sampleImage(4, 4);
    LayeredFile file;
    std::vector<std::uint8_t> bytes;
    QCOMPARE(file.writeBytes(source, kBmpFormat, 24, -1, bytes), imaging::result::Ok);
    // Two records by hand: a rectangle, a name and four bytes of data each.
    bytes.resize(bytes.size() - 4);
    ArchiveWriter w(bytes);
    w.u32(2);
    const std::string names[] = {"CRectObj", std::string(255, 'Q')};
    for (const std::string& name : names) {
        w.i32(-5);
        w.i32(10);
        w.i32(300);
        w.i32(-2147483647 - 1);
        w.string(name);
        w.u32(0xABCD0000u);
    }
    imaging::ImagingControl target;
    QVERIFY(!file.readBytes(bytes, target)); // no reader: every class is unknown
    QVERIFY(!target.HasImage());

    std::vector<LayeredObjectHeader> seen;
    file.setObjectReader([&seen](const LayeredObjectHeader& h, ArchiveReader& r) {
        seen.push_back(h);
        return r.u32() == 0xABCD0000u;
    });
    QVERIFY(file.readBytes(bytes, target));
    QCOMPARE(seen.size(), std::size_t(2));
    QCOMPARE(seen[0].className, std::string("CRectObj"));
    QCOMPARE(seen[0].left, -5);
    QCOMPARE(seen[0].bottom, -2147483647 - 1);
    QCOMPARE(seen[1].className, std::string(255, 'Q'));
    QVERIFY(target.HasImage());
    // A reader that rejects the second class fails the whole read.
    seen.clear();
    imaging::ImagingControl again;
    file.setObjectReader([&seen](const LayeredObjectHeader& h, ArchiveReader& r) {
        seen.push_back(h);
        return h.className == "CRectObj" && r.u32();
    });
    QVERIFY(!file.readBytes(bytes, again));
    QVERIFY(!again.HasImage());
}

void TestLayeredFile::fileRoundTripAndUnwritableTarget()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("picture.alf");
    imaging::ImagingControl source = sampleImage(9, 9);
    LayeredFile file;
    QCOMPARE(file.write(path, source, kBmpFormat, 24, -1), imaging::result::Ok);
    QVERIFY(isLayeredFile(path));
    imaging::ImagingControl back;
    QVERIFY(file.read(path, back));
    QCOMPARE(back.ImageHandle().pixelRgb(8, 8), source.ImageHandle().pixelRgb(8, 8));
    QVERIFY(!file.read(dir.filePath("missing.alf"), back));
    QCOMPARE(file.write(dir.filePath("no/such/folder/x.alf"), source, kBmpFormat, 24, -1),
             imaging::result::CannotOpen);
    // A control with no image has nothing to save.
    imaging::ImagingControl empty;
    QCOMPARE(file.write(dir.filePath("empty.alf"), empty, kBmpFormat, 24, -1), imaging::result::OutOfMemory3);
}

QTEST_MAIN(TestLayeredFile)
#include "test_layered_file.moc"
