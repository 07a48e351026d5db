// The layered file: its bytes, the three string length forms, the round trip
// of the image and of every kind of drawing object, and damaged files refused
// without harm to the image or the object list.

#include "LayeredSamples.h"
#include "doc/LayeredFile.h"
#include "doc/SaveFormats.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <random>

using namespace ardane;
using namespace ardane::doc;
using ardane::test::makeRect;
using ardane::test::makeText;
using ardane::test::recordSpans;
using ardane::test::sampleImage;
using ardane::test::sampleObjects;
using ardane::test::u32At;

namespace {

const objects::ObjectList kNoObjects;

} // namespace

class TestLayeredFile : public QObject {
    Q_OBJECT
private slots:
    void imageWithoutObjectsIs14PlusNBytes();
    void stringLengthForms();
    void truncatedOrDamagedFilesLeaveTheImage();
    void objectRecordsNeedAReader();
    void fileRoundTripAndUnwritableTarget();
    void objectsComeBackInOrderUnselected();
    void objectRecordBytes();
    void textObjectRoundTrip();
    void unknownClassLeavesImageAndList();
    void impossibleCountsAndLengthsRefusedQuickly();
};

void TestLayeredFile::imageWithoutObjectsIs14PlusNBytes()
{
    imaging::ImagingControl image = sampleImage(7, 5);
    std::vector<std::uint8_t> block;
    QCOMPARE(image.SaveToBlock(block, kBmpFormat, 24, -1), imaging::result::Ok);
    LayeredFile file;
    std::vector<std::uint8_t> bytes;
    QCOMPARE(file.writeBytes(image, kNoObjects, kBmpFormat, 24, -1, bytes), imaging::result::Ok);
    QCOMPARE(bytes.size(), block.size() + 14);
    QCOMPARE((std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 4)), (std::vector<std::uint8_t>{0x25, 0xE3, 0x04, 0x00}));
    QCOMPARE(u32At(bytes, 4), std::uint32_t(block.size()));
    QCOMPARE(int(bytes[8] | (bytes[9] << 8)), 24);
    QVERIFY(std::equal(block.begin(), block.end(), bytes.begin() + 10));
    QCOMPARE(u32At(bytes, 10 + block.size()), 0u);

    imaging::ImagingControl back;
    objects::ObjectList list;
    QVERIFY(file.readBytes(bytes, back, list));
    QVERIFY(list.empty());
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
    QCOMPARE(file.writeBytes(source, kNoObjects, kBmpFormat, 24, -1, bytes), imaging::result::Ok);
    imaging::ImagingControl target = sampleImage(3, 3);
    const imaging::Bitmap before = target.ImageHandle();
    objects::ObjectList list;
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + std::ptrdiff_t(n));
        QVERIFY2(!file.readBytes(cut, target, list), qPrintable(QString("accepted %1 of %2 bytes").arg(n).arg(bytes.size())));
        QCOMPARE(target.ImageHandle(), before);
        QVERIFY(list.empty());
    }
    // Sizes and counts beyond the data, and random damage: refused or read, never more.
    std::mt19937 random(7);
    for (int i = 0; i < 500; ++i) {
        std::vector<std::uint8_t> damaged = bytes;
        const int flips = 1 + int(random() % 4);
        for (int k = 0; k < flips; ++k)
            damaged[random() % damaged.size()] = std::uint8_t(random());
        imaging::ImagingControl c = sampleImage(3, 3);
        if (!file.readBytes(damaged, c, list))
            QCOMPARE(c.ImageHandle(), before);
        QVERIFY(list.empty()); // the file holds no objects, damaged or not
    }
    std::vector<std::uint8_t> bigSize = bytes;
    bigSize[7] = 0x7F; // N near 2 GiB
    QVERIFY(!file.readBytes(bigSize, target, list));
    std::vector<std::uint8_t> bigCount = bytes;
    bigCount[bytes.size() - 1] = 0xFF; // 4 billion objects in no bytes
    QVERIFY(!file.readBytes(bigCount, target, list));
    QCOMPARE(target.ImageHandle(), before);
}

void TestLayeredFile::objectRecordsNeedAReader()
{
    imaging::ImagingControl source = sampleImage(4, 4);
    LayeredFile file;
    std::vector<std::uint8_t> bytes;
    QCOMPARE(file.writeBytes(source, kNoObjects, kBmpFormat, 24, -1, bytes), imaging::result::Ok);
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
    // The 255-character name takes the three-byte length form.
    const std::size_t second = 10 + u32At(bytes, 4) + 4 + (16 + 1 + 8 + 4);
    QCOMPARE(bytes[second + 16], std::uint8_t(0xFF));
    QCOMPARE(bytes[second + 17], std::uint8_t(0xFF));
    QCOMPARE(bytes[second + 18], std::uint8_t(0x00));
    QCOMPARE(bytes[second + 19], std::uint8_t('Q'));
    QCOMPARE(second + 16 + 3 + 255 + 4, bytes.size());

    imaging::ImagingControl target;
    objects::ObjectList list;
    // Without a reader the objects read themselves: four bytes are no
    // rectangle, and the second class does not exist.
    QVERIFY(!file.readBytes(bytes, target, list));
    QVERIFY(!target.HasImage());
    QVERIFY(list.empty());

    std::vector<LayeredObjectHeader> seen;
    file.setObjectReader([&seen](const LayeredObjectHeader& h, ArchiveReader& r) {
        seen.push_back(h);
        return r.u32() == 0xABCD0000u;
    });
    QVERIFY(file.readBytes(bytes, target, list));
    QVERIFY(list.empty()); // the reader took the records
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
    QVERIFY(!file.readBytes(bytes, again, list));
    QVERIFY(!again.HasImage());
    QCOMPARE(seen.size(), std::size_t(2));
}

void TestLayeredFile::fileRoundTripAndUnwritableTarget()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("picture.alf");
    imaging::ImagingControl source = sampleImage(9, 9);
    LayeredFile file;
    QCOMPARE(file.write(path, source, kNoObjects, kBmpFormat, 24, -1), imaging::result::Ok);
    QVERIFY(isLayeredFile(path));
    imaging::ImagingControl back;
    objects::ObjectList list;
    QVERIFY(file.read(path, back, list));
    QCOMPARE(back.ImageHandle().pixelRgb(8, 8), source.ImageHandle().pixelRgb(8, 8));
    QVERIFY(!file.read(dir.filePath("missing.alf"), back, list));
    // With objects, through the file as well.
    const objects::ObjectList objects = sampleObjects();
    QCOMPARE(file.write(path, source, objects, kBmpFormat, 24, -1), imaging::result::Ok);
    QVERIFY(file.read(path, back, list));
    QCOMPARE(list.size(), objects.size());
    QCOMPARE(file.write(dir.filePath("no/such/folder/x.alf"), source, kNoObjects, kBmpFormat, 24, -1),
             imaging::result::CannotOpen);
    // A control with no image has nothing to save.
    imaging::ImagingControl empty;
    QCOMPARE(file.write(dir.filePath("empty.alf"), empty, kNoObjects, kBmpFormat, 24, -1), imaging::result::OutOfMemory3);
}

namespace {

// The bytes of an ALF holding `objects` over a 64x48 picture.
std::vector<std::uint8_t> alfWith(const objects::ObjectList& objects, imaging::ImagingControl* imageOut = nullptr)
{
    imaging::ImagingControl image = sampleImage(64, 48);
    std::vector<std::uint8_t> bytes;
    LayeredFile file;
    if (file.writeBytes(image, objects, kBmpFormat, 24, -1, bytes) != imaging::result::Ok)
        bytes.clear();
    if (imageOut)
        *imageOut = image;
    return bytes;
}

void putU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
}

void compareObjects(const objects::CGeneralObj& a, const objects::CGeneralObj& b)
{
    QCOMPARE(a.className(), b.className());
    QCOMPARE(a.windowRect(), b.windowRect());
    QCOMPARE(a.m_color, b.m_color);
    QCOMPARE(a.m_pts, b.m_pts);
    QCOMPARE(a.m_nAngle, b.m_nAngle);
    QCOMPARE(a.m_nZoom, b.m_nZoom);
    QCOMPARE(a.m_bDiscarded, b.m_bDiscarded);
    QCOMPARE(a.m_params, b.m_params);
}

} // namespace

void TestLayeredFile::objectsComeBackInOrderUnselected()
{
    objects::ObjectList written = sampleObjects();
    written[1]->m_nZoom = 300; // kept as stored, not rescaled
    written[2]->m_bDiscarded = 1;
    imaging::ImagingControl source;
    const std::vector<std::uint8_t> bytes = alfWith(written, &source);
    QVERIFY(!bytes.empty());
    QCOMPARE(u32At(bytes, 10 + u32At(bytes, 4)), 4u);

    // The objects are appended after those already in the list.
    imaging::ImagingControl target = sampleImage(5, 5);
    objects::ObjectList list;
    list.push_back(makeRect({1, 1, 4, 4}, 0x00111111));
    const objects::CGeneralObj* first = list.front().get();
    LayeredFile file;
    QVERIFY(file.readBytes(bytes, target, list));
    QCOMPARE(target.ImageHandle().width(), 64);
    QCOMPARE(target.ImageHandle().pixelRgb(63, 47), source.ImageHandle().pixelRgb(63, 47));
    QCOMPARE(list.size(), std::size_t(5));
    QCOMPARE(list.front().get(), first);
    const objects::ObjectKind kinds[] = {objects::ObjectKind::Rect, objects::ObjectKind::Ellipse,
                                         objects::ObjectKind::Line, objects::ObjectKind::Text};
    for (std::size_t i = 0; i < 4; ++i) {
        const objects::CGeneralObj& back = *list[i + 1];
        QCOMPARE(back.kind(), kinds[i]);
        QVERIFY(written[i]->isSelected());
        QVERIFY(!back.isSelected());
        compareObjects(back, *written[i]);
    }
    QCOMPARE(list[1]->m_nAngle, 30);
    QCOMPARE(static_cast<const objects::CLineObj&>(*list[3]).m_nDirection, objects::CLineObj::kRising);

    // Written again, the file is the same but for the selection flags.
    list.erase(list.begin());
    const std::vector<std::uint8_t> again = alfWith(list);
    std::vector<std::uint8_t> expected = bytes;
    for (const auto& span : recordSpans(expected)) {
        QCOMPARE(u32At(expected, span.dataAt + 36), 1u);
        putU32(expected, span.dataAt + 36, 0);
    }
    QCOMPARE(again.size(), expected.size());
    QVERIFY(again == expected);
}

void TestLayeredFile::objectRecordBytes()
{
    objects::ObjectList one;
    one.push_back(makeRect({-3, 7, 40, 30}, 0x00ABCDEF, 4, true, 0x00010203));
    one.front()->m_nAngle = -45;
    std::vector<std::uint8_t> block;
    QCOMPARE(sampleImage(64, 48).SaveToBlock(block, kBmpFormat, 24, -1), imaging::result::Ok);
    const std::vector<std::uint8_t> bytes = alfWith(one);
    const std::size_t at = 14 + block.size();
    QCOMPARE(bytes.size(), at + 16 + 9 + 64);
    QCOMPARE(u32At(bytes, at - 4), 1u);
    QCOMPARE(std::int32_t(u32At(bytes, at)), -3);
    QCOMPARE(u32At(bytes, at + 4), 7u);
    QCOMPARE(u32At(bytes, at + 8), 40u);
    QCOMPARE(u32At(bytes, at + 12), 30u);
    QCOMPARE(bytes[at + 16], std::uint8_t(8));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(bytes.data() + at + 17), 8), QByteArray("CRectObj"));
    const std::size_t d = at + 25;
    const std::int32_t expected[] = {0x00ABCDEF, -3, 7, 40, 7, 40, 30, -3, 30, 1, -45, 100, 0, 1, 0x00010203, 4};
    for (std::size_t i = 0; i < std::size(expected); ++i)
        QVERIFY2(std::int32_t(u32At(bytes, d + 4 * i)) == expected[i], qPrintable(QString("field %1").arg(i)));
}

void TestLayeredFile::textObjectRoundTrip()
{
    QString text;
    for (int i = 0; i < 300; ++i)
        text += QChar(u'a' + i % 26);
    objects::ObjectList written;
    written.push_back(makeText({10, 12, 90, 60}, text, 0x00204080));
    const auto& source = static_cast<const objects::CTextObj&>(*written.front());
    QCOMPARE(source.m_options.depth, std::int16_t(7));
    const std::vector<std::uint8_t> bytes = alfWith(written);
    const auto spans = recordSpans(bytes);
    QCOMPARE(spans.size(), std::size_t(1));
    QCOMPARE(spans[0].end, bytes.size());
    // The 16-bit field after the font record and the options, then the
    // text in the three-byte form.
    const std::size_t field = spans[0].dataAt + 64 + 64 + 28;
    QCOMPARE(bytes[field], std::uint8_t(0xEF));
    QCOMPARE(bytes[field + 1], std::uint8_t(0xBE));
    QCOMPARE(bytes[field + 2], std::uint8_t(0xFF));
    QCOMPARE(int(bytes[field + 3] | (bytes[field + 4] << 8)), 300);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(bytes.data() + field + 5), 300), text.toLatin1());
    // The font record begins with bold, italic, underline and the point size.
    QVERIFY(u32At(bytes, spans[0].dataAt + 64) != 0);
    QCOMPARE(u32At(bytes, spans[0].dataAt + 64 + 12), 14u);

    imaging::ImagingControl target;
    objects::ObjectList list;
    LayeredFile file;
    QVERIFY(file.readBytes(bytes, target, list));
    QCOMPARE(list.size(), std::size_t(1));
    const auto& back = static_cast<const objects::CTextObj&>(*list.front());
    compareObjects(back, source);
    QCOMPARE(back.text(), text);
    QCOMPARE(back.fontRecord(), source.fontRecord());
    QCOMPARE(back.m_options, source.m_options);
    QCOMPARE(back.m_field, std::uint16_t(0xBEEF));
    QVERIFY(!back.isSelected());
}

void TestLayeredFile::unknownClassLeavesImageAndList()
{
    const std::vector<std::uint8_t> good = alfWith(sampleObjects());
    const auto spans = recordSpans(good);
    QCOMPARE(spans.size(), std::size_t(4));
    LayeredFile file;
    const struct {
        const char* what;
        std::size_t record;
        const char* name; // same length as the class it replaces
    } cases[] = {
        {"last letter", 2, "CLineObx"},
        {"case", 0, "crectobj"},
        {"text class", 3, "CTextOb\x01"},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> bad = good;
        std::memcpy(bad.data() + spans[c.record].nameAt + 1, c.name, std::strlen(c.name));
        imaging::ImagingControl target = sampleImage(3, 2);
        const imaging::Bitmap before = target.ImageHandle();
        objects::ObjectList list;
        list.push_back(makeRect({1, 1, 4, 4}, 0x00111111));
        const objects::CGeneralObj* mine = list.front().get();
        QVERIFY2(!file.readBytes(bad, target, list), c.what);
        QCOMPARE(target.ImageHandle(), before);
        QCOMPARE(list.size(), std::size_t(1));
        QCOMPARE(list.front().get(), mine);
    }
}

void TestLayeredFile::impossibleCountsAndLengthsRefusedQuickly()
{
    LayeredFile file;
    const std::vector<std::uint8_t> empty = alfWith({});
    const std::size_t countAt = empty.size() - 4;
    const auto refusedQuickly = [&file](const std::vector<std::uint8_t>& bytes, const char* what) {
        imaging::ImagingControl target = sampleImage(2, 2);
        const imaging::Bitmap before = target.ImageHandle();
        objects::ObjectList list;
        QElapsedTimer timer;
        timer.start();
        const bool read = file.readBytes(bytes, target, list);
        const qint64 ms = timer.elapsed();
        QVERIFY2(!read, what);
        QVERIFY2(ms < 500, qPrintable(QString("%1: %2 ms").arg(what).arg(ms)));
        QCOMPARE(target.ImageHandle(), before);
        QVERIFY(list.empty());
    };

    std::vector<std::uint8_t> bytes = empty;
    putU32(bytes, countAt, 0xFFFFFFFFu);
    refusedQuickly(bytes, "four billion objects in no bytes");
    bytes.resize(bytes.size() + 200, 0);
    refusedQuickly(bytes, "four billion objects in 200 bytes");

    // More objects than records.
    const std::vector<std::uint8_t> two = alfWith(sampleObjects());
    const auto spans = recordSpans(two);
    bytes.assign(two.begin(), two.begin() + std::ptrdiff_t(spans[1].end));
    refusedQuickly(bytes, "count 4, two records");
    bytes = two;
    putU32(bytes, spans[0].start - 4, 5);
    refusedQuickly(bytes, "count 5, four records");

    // A class name that claims 4 GB.
    bytes.assign(two.begin(), two.begin() + std::ptrdiff_t(spans[0].nameAt));
    const std::uint8_t longName[] = {0xFF, 0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0xFF, 'C', 'R'};
    bytes.insert(bytes.end(), std::begin(longName), std::end(longName));
    bytes.insert(bytes.end(), 100, 0);
    refusedQuickly(bytes, "class name of 4 GB");

    // A text that claims 2 GB, or 0xFFFD bytes in a short file.
    const std::size_t textAt = spans[3].dataAt + 64 + 64 + 28 + 2;
    QCOMPARE(two[textAt], std::uint8_t(6)); // "Ardane"
    bytes.assign(two.begin(), two.begin() + std::ptrdiff_t(textAt));
    const std::uint8_t longText[] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'A'};
    bytes.insert(bytes.end(), std::begin(longText), std::end(longText));
    refusedQuickly(bytes, "text of 2 GB");
    bytes.assign(two.begin(), two.begin() + std::ptrdiff_t(textAt));
    const std::uint8_t mediumText[] = {0xFF, 0xFD, 0xFF, 'A', 'r'};
    bytes.insert(bytes.end(), std::begin(mediumText), std::end(mediumText));
    refusedQuickly(bytes, "text of 65533 bytes in 2");
}

QTEST_MAIN(TestLayeredFile)
#include "test_layered_file.moc"
