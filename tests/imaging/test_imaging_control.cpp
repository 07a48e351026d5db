// The imaging control as callers see it: result texts, value semantics of
// ImageHandle, and files that are missing, empty, foreign or corrupt.

#include "imaging/ImagingControl.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace ardane;
using namespace ardane::imaging;

namespace {

Bitmap checkerboard(int w, int h)
{
    Bitmap b = Bitmap::create(w, h, 24);
    for (int y = 0; y < h; ++y) {
        uchar* row = b.image().scanLine(y);
        for (int x = 0; x < w; ++x) {
            const bool on = (x + y) % 2 == 0;
            row[3 * x] = on ? 255 : 10;
            row[3 * x + 1] = uchar(x * 7);
            row[3 * x + 2] = uchar(y * 11);
        }
    }
    return b;
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestImagingControl : public QObject {
    Q_OBJECT
private slots:
    void messagesOfTheErrorTable()
    {
        QCOMPARE(resultMessage(20001), "Not enough memory available");
        QCOMPARE(resultMessage(20003), "Not enough memory available");
        QCOMPARE(resultMessage(62473), "Not enough memory available");
        QCOMPARE(resultMessage(20007), "Error reading file");
        QCOMPARE(resultMessage(20009), "Invalid file format");
        QCOMPARE(resultMessage(20014), "Not able to open file");
        QCOMPARE(resultMessage(20015), "Unknown compression format");
        QCOMPARE(resultMessage(20016), "Not available for file format requested");
        QCOMPARE(resultMessage(20019), "Data CRC check error");
        QCOMPARE(resultMessage(20022), "TARGA not installed");
        QCOMPARE(resultMessage(20023), "Invalid compression format");
        QCOMPARE(resultMessage(20027), "Current file format doesn't support specified number of colors - Bit Per Pixel");
        QCOMPARE(resultMessage(20050), "Error Writing file");
        for (Result unknown : {Result(1), Result(20002), Result(20100), Result(65535)})
            QCOMPARE(resultMessage(unknown), "Unknown error");
    }

    void imageHandleIsAValue()
    {
        ImagingControl a;
        QCOMPARE(a.CreateImage(8, 6, 24), result::Ok);
        QCOMPARE(a.FillImage(0x0000FF), result::Ok); // red
        ImagingControl b;
        b.SetImageHandle(a.ImageHandle());
        QCOMPARE(b.ImageWidth(), 8.0f);
        // Painting on one leaves the other as it was.
        QCOMPARE(a.FillImage(0xFF0000), result::Ok); // blue
        QCOMPARE(b.ImageHandle().pixelRgb(3, 3), qRgb(255, 0, 0));
        QCOMPARE(a.ImageHandle().pixelRgb(3, 3), qRgb(0, 0, 255));
        b.SetImageHandle(Bitmap());
        QVERIFY(!b.HasImage());
        QCOMPARE(b.ImageWidth(), 0.0f);
        QCOMPARE(b.FillImage(0), result::OutOfMemory);
        QVERIFY(b.CopyToDib().empty());
    }

    void createImageValidatesSize()
    {
        ImagingControl c;
        QCOMPARE(c.CreateImage(320, 200, 24), result::Ok);
        QCOMPARE(c.BitsPerPixel(), std::int16_t(24));
        for (auto [w, h] : {std::pair{0, 10}, {10, -1}, {70000, 10}, {60000, 60000}})
            QCOMPARE(c.CreateImage(w, h, 24), result::OutOfMemory);
        QCOMPARE(c.ImageWidth(), 320.0f); // unchanged by the refused calls
    }

    void unreadableFilesLeaveTheImage_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("expected");
        QTest::newRow("empty") << QByteArray() << int(result::InvalidFormat);
        QTest::newRow("text") << QByteArray("hello, this is not a picture at all\n") << int(result::InvalidFormat);
        QTest::newRow("png signature only") << QByteArray("\x89PNG\r\n\x1a\n", 8) << int(result::ReadError);
        QTest::newRow("bmp magic only") << QByteArray("BM") << int(result::InvalidFormat);
        QTest::newRow("jpeg start only") << QByteArray("\xff\xd8\xff\xe0\x00\x10JFIF", 10) << int(result::ReadError);
    }
    void unreadableFilesLeaveTheImage()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bad.img"));
        writeBytes(path, content);
        ImagingControl c;
        c.SetImageHandle(checkerboard(5, 4));
        const Bitmap before = c.ImageHandle();
        const Result probe = c.ProbeFile(path, 0);
        const Result load = c.LoadFile(path, 0, 0);
        QVERIFY(probe != result::Ok);
        QVERIFY(load != result::Ok);
        // Either a read error or an invalid format, depending on how far the
        // reader got; empty and foreign files must be "invalid format".
        if (expected == int(result::InvalidFormat)) {
            QCOMPARE(int(load), expected);
        } else {
            QVERIFY2(load == result::ReadError || load == result::InvalidFormat, qPrintable(QString::number(load)));
        }
        QVERIFY(c.ImageHandle() == before);
    }

    void missingFilesAndFolders()
    {
        QTemporaryDir dir;
        ImagingControl c;
        QCOMPARE(c.ProbeFile(dir.filePath(QStringLiteral("nothing.png")), 0), result::CannotOpen);
        QCOMPARE(c.LoadFile(dir.filePath(QStringLiteral("nothing.png")), 0, 0), result::CannotOpen);
        QCOMPARE(c.LoadFile(dir.path(), 0, 0), result::CannotOpen);
        QVERIFY(!c.HasImage());
    }

    void savingRefusalsAndSafety()
    {
        QTemporaryDir dir;
        ImagingControl c;
        c.SetImageHandle(checkerboard(6, 4));
        const QString target = dir.filePath(QStringLiteral("keep.bmp"));
        writeBytes(target, "precious old content");

        QCOMPARE(c.SaveFile(target, int(FileFormat::Cmp), 24, -1, false), result::NotAvailable);
        QCOMPARE(c.SaveFile(target, int(FileFormat::PhotoCd), 24, -1, false), result::NotAvailable);
        QCOMPARE(c.SaveFile(target, 999, 24, -1, false), result::NotAvailable);
        QCOMPARE(c.SaveFile(target, int(FileFormat::Gif), 24, -1, false), result::UnsupportedDepth);
        QCOMPARE(c.SaveFile(target, int(FileFormat::Bmp), 7, -1, false), result::UnsupportedDepth);
        QCOMPARE(readBytes(target), QByteArray("precious old content"));

        // A folder in place of the file, and a file in a folder that does not exist.
        QCOMPARE(c.SaveFile(dir.path(), int(FileFormat::Bmp), 24, -1, false), result::CannotOpen);
        QVERIFY(c.SaveFile(dir.filePath(QStringLiteral("no/such/folder/x.bmp")), int(FileFormat::Bmp), 24, -1, false) != result::Ok);

        // A successful save replaces the file whole and leaves no stray files.
        QCOMPARE(c.SaveFile(target, int(FileFormat::Bmp), 24, -1, false), result::Ok);
        QVERIFY(readBytes(target).startsWith("BM"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("keep.bmp")});
        ImagingControl back;
        QCOMPARE(back.LoadFile(target, 0, 0), result::Ok);
        QVERIFY(back.ImageHandle().image() == c.ImageHandle().image());
    }

    void saveIntoReadOnlyFolderKeepsOldFile()
    {
        if (geteuid() == 0)
            QSKIP("root ignores folder permissions");
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("old.png"));
        writeBytes(target, "old");
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        ImagingControl c;
        c.SetImageHandle(checkerboard(4, 4));
        QVERIFY(c.SaveFile(target, int(FileFormat::Png), 24, -1, false) != result::Ok);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(readBytes(target), QByteArray("old"));
    }

    void contentDecidesTheFormatNotTheName()
    {
        QTemporaryDir dir;
        ImagingControl c;
        c.SetImageHandle(checkerboard(7, 3));
        const QString misnamed = dir.filePath(QStringLiteral("really_png.CMP"));
        QCOMPARE(c.SaveFile(misnamed, int(FileFormat::Png), 24, -1, false), result::Ok);
        ImagingControl probe;
        QCOMPARE(probe.ProbeFile(misnamed, 0), result::Ok);
        QCOMPARE(probe.ProbedFormat(), std::int16_t(FileFormat::Png));
        QCOMPARE(probe.ProbedBitsPerPixel(), std::int16_t(24));
        QCOMPARE(probe.ProbedWidth(), 7);
        QCOMPARE(probe.ProbedMemorySize(), std::int32_t(24 * 3)); // rows of 21 bytes padded to 24
        QCOMPARE(probe.LoadFile(misnamed, 0, 0), result::Ok);
        QVERIFY(probe.ImageHandle().image() == c.ImageHandle().image());
    }

    void blocksAndDibsRoundTrip()
    {
        ImagingControl c;
        c.SetImageHandle(checkerboard(9, 5));
        std::vector<std::uint8_t> block;
        QCOMPARE(c.SaveToBlock(block, int(FileFormat::Bmp), 24, -1), result::Ok);
        QVERIFY(block.size() > 54);
        ImagingControl d;
        QCOMPARE(d.LoadFromBlock(block, 0, 0), result::Ok);
        QVERIFY(d.ImageHandle().image() == c.ImageHandle().image());
        // Loading at another depth converts.
        QCOMPARE(d.LoadFromBlock(block, 8, 0), result::Ok);
        QCOMPARE(d.BitsPerPixel(), std::int16_t(8));

        const auto dib = c.CopyToDib();
        QCOMPARE(dib.size(), std::size_t(40 + 28 * 5)); // 27-byte rows padded to 28
        ImagingControl e;
        QCOMPARE(e.ReplaceFromDib(dib), result::Ok);
        QVERIFY(e.ImageHandle().image() == c.ImageHandle().image());
        // A truncated DIB is refused and changes nothing.
        const std::vector<std::uint8_t> cut(dib.begin(), dib.begin() + 60);
        QVERIFY(e.ReplaceFromDib(cut) != result::Ok);
        QVERIFY(e.ImageHandle().image() == c.ImageHandle().image());
    }

    void wholeImageOperationsThroughTheControl()
    {
        ImagingControl c;
        c.SetImageHandle(checkerboard(10, 4));
        QCOMPARE(c.CropImage(2, 1, 5, 2), result::Ok);
        QCOMPARE(c.ImageWidth(), 5.0f);
        QCOMPARE(c.ImageHeight(), 2.0f);
        QCOMPARE(c.CropImage(50, 50, 5, 5), result::OutOfMemory);
        QCOMPARE(c.ResizeImage(20, 8, 0), result::Ok);
        QCOMPARE(c.ResizeImage(20, 8, 3), result::NotAvailable);
        QCOMPARE(c.RotateImage(-9000, true, 0), result::Ok);
        QCOMPARE(c.ImageWidth(), 8.0f);
        QCOMPARE(c.ImageHeight(), 20.0f);
        QCOMPARE(c.ConvertColorDepth(4, 1, 1, 0), result::Ok);
        QCOMPARE(c.BitsPerPixel(), std::int16_t(4));
        QCOMPARE(c.ConvertColorDepth(4, 3, 1, 0), result::NotAvailable);
        QCOMPARE(c.ConvertColorDepth(4, 1, 9, 0), result::NotAvailable);
        QCOMPARE(c.ConvertColorDepth(12, 1, 0, 0), result::UnsupportedDepth);
        QCOMPARE(c.BitsPerPixel(), std::int16_t(4));
        c.SetXResolution(150);
        c.SetYResolution(300);
        QCOMPARE(c.XResolution(), std::int16_t(150));
        QCOMPARE(c.YResolution(), std::int16_t(300));
        QCOMPARE(c.ConvertColorDepth(24, 1, 0, 0), result::Ok);
        QCOMPARE(c.XResolution(), std::int16_t(150)); // kept across conversion
    }
};

QTEST_GUILESS_MAIN(TestImagingControl)
#include "test_imaging_control.moc"
