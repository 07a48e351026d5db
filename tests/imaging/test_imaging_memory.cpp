// Large images and memory that runs out.
//
// A 24000 x 24000 true-colour picture (1.7 GB) is created, painted, saved as
// a BMP file and read back pixel for pixel. Then the address space of the
// process is limited to what it already uses plus a little, so that every
// operation that needs a new image's worth of memory fails for real (our
// allocations, Qt's, GraphicsMagick's and libjpeg's alike): each must answer
// the memory code with the image exactly as it was, and succeed once the
// limit is lifted again.

#include "imaging/ImagingControl.h"
#include "imaging/codecs/Magick.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cstdio>
#include <cstring>
#include <functional>
#include <map>

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define ARDANE_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ARDANE_ASAN 1
#endif
#endif

using namespace ardane;
using namespace ardane::imaging;
using Bytes = std::vector<std::uint8_t>;

namespace {

// The colour the test paints at (x, y): every byte depends on the position,
// so misplaced rows or columns show.
inline void patternPixel(int x, int y, uchar* p)
{
    p[0] = uchar(x ^ (y >> 3));
    p[1] = uchar(y ^ (x >> 5));
    p[2] = uchar((x >> 8) + (y >> 8) * 7);
}

void patternRow(int y, int width, uchar* row)
{
    for (int x = 0; x < width; ++x)
        patternPixel(x, y, row + 3 * x);
}

Bitmap patterned(int width, int height)
{
    Bitmap b = Bitmap::create(width, height, 24);
    if (b.isNull())
        return b;
    uchar* bits = b.image().bits();
    const qsizetype stride = b.image().bytesPerLine();
    for (int y = 0; y < height; ++y)
        patternRow(y, width, bits + stride * y);
    b.setResolution(300, 300);
    return b;
}

// FNV-1a over every stored row, the size, depth, table and resolution.
std::uint64_t fingerprint(const Bitmap& b)
{
    std::uint64_t h = 1469598103934665603ull;
    const auto mix = [&h](const void* data, std::size_t n) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < n; ++i)
            h = (h ^ p[i]) * 1099511628211ull;
    };
    const int meta[] = {b.width(), b.height(), b.bitsPerPixel(), b.xResolution(), b.yResolution()};
    mix(meta, sizeof meta);
    if (b.isNull())
        return h;
    const QImage& image = b.image();
    const std::size_t rowBytes = (std::size_t(b.width()) * std::size_t(image.depth()) + 7) / 8;
    for (int y = 0; y < b.height(); ++y)
        mix(image.constScanLine(y), rowBytes);
    const QList<QRgb> table = image.colorTable();
    mix(table.constData(), std::size_t(table.size()) * sizeof(QRgb));
    return h;
}

// Set before main() and before any thread: one malloc arena (a thread arena
// keeps up to 64 MB of address space reserved, which a failed allocation
// would fall back on), and large blocks always from mappings of their own
// that go back when freed (no adaptive threshold keeping them in the heap).
// So the address space in use is what the live objects need.
const bool kMallocTuned = [] {
    mallopt(M_ARENA_MAX, 1);
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
    mallopt(M_TRIM_THRESHOLD, 256 * 1024);
    return true;
}();

// Bytes of address space the process holds now.
std::uint64_t addressSpaceInUse()
{
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f)
        return 0;
    unsigned long long pages = 0;
    const int n = std::fscanf(f, "%llu", &pages);
    std::fclose(f);
    return n == 1 ? pages * std::uint64_t(sysconf(_SC_PAGESIZE)) : 0;
}

// Limits the address space to what is in use plus `headroom` while it lives.
class AddressSpaceLimit {
public:
    explicit AddressSpaceLimit(std::uint64_t headroom)
    {
        malloc_trim(0); // freed heap memory goes back first, so it is not counted as in use
        m_ok = getrlimit(RLIMIT_AS, &m_saved) == 0;
        const std::uint64_t inUse = addressSpaceInUse();
        if (!m_ok || inUse == 0) {
            m_ok = false;
            return;
        }
        rlimit lowered = m_saved;
        lowered.rlim_cur = rlim_t(inUse + headroom);
        m_ok = setrlimit(RLIMIT_AS, &lowered) == 0;
    }
    ~AddressSpaceLimit()
    {
        if (m_ok)
            setrlimit(RLIMIT_AS, &m_saved);
    }
    AddressSpaceLimit(const AddressSpaceLimit&) = delete;
    AddressSpaceLimit& operator=(const AddressSpaceLimit&) = delete;
    [[nodiscard]] bool ok() const { return m_ok; }

private:
    rlimit m_saved{};
    bool m_ok = false;
};

QByteArray readHead(const QString& path, qint64 n)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.read(n) : QByteArray();
}

} // namespace

class TestImagingMemory : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { codecs::ensureMagickInitialised(); }

    // The largest size the New Image Size dialog offers, at 24 bits: made,
    // filled, painted, saved as BMP and read back with every pixel checked.
    void largestNewImageSavesAndLoads()
    {
        constexpr int kSide = 24000;
        QElapsedTimer timer;
        timer.start();
        ImagingControl c;
        QCOMPARE(c.CreateImage(kSide, kSide, 24), result::Ok);
        QCOMPARE(c.ImageWidth(), float(kSide));
        QCOMPARE(c.ImageHandle().pixelRgb(kSide - 1, kSide - 1), qRgb(255, 255, 255));
        QCOMPARE(c.FillImage(makeColorRef(10, 20, 30)), result::Ok);
        QCOMPARE(c.ImageHandle().pixelRgb(12345, kSide - 1), qRgb(10, 20, 30));
        QCOMPARE(c.ImageHandle().memorySize(), std::int64_t(kSide) * 3 * kSide);
        const qint64 made = timer.restart();

        // Painted outside the control, then handed over (the control's copy
        // shares the pixels).
        c.SetImageHandle(Bitmap());
        c.SetImageHandle(patterned(kSide, kSide));
        QVERIFY(c.HasImage());
        QCOMPARE(c.FlipVertical(), result::Ok); // in place: the pixels are the control's alone
        QCOMPARE(c.FlipVertical(), result::Ok);
        const qint64 painted = timer.restart();

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("large.bmp"));
        QCOMPARE(c.SaveFile(path, int(FileFormat::Bmp), 24, -1, false), result::Ok);
        const qint64 saved = timer.restart();
        const std::int64_t fileSize = 54 + std::int64_t(kSide) * 3 * kSide; // rows of 72000 bytes need no padding
        QCOMPARE(QFileInfo(path).size(), fileSize);
        const QByteArray head = readHead(path, 54);
        QCOMPARE(head.left(2), QByteArray("BM"));
        QCOMPARE(qFromLittleEndian<quint32>(head.constData() + 2), quint32(fileSize));
        QCOMPARE(qFromLittleEndian<qint32>(head.constData() + 18), kSide);
        QCOMPARE(qFromLittleEndian<qint32>(head.constData() + 22), kSide);
        QCOMPARE(qFromLittleEndian<quint16>(head.constData() + 28), quint16(24));

        // Probing reads only the header's description.
        ImagingControl back;
        QCOMPARE(back.ProbeFile(path, 0), result::Ok);
        QCOMPARE(back.ProbedWidth(), kSide);
        QCOMPARE(back.ProbedBitsPerPixel(), std::int16_t(24));
        c.SetImageHandle(Bitmap()); // free the original before loading the copy
        QCOMPARE(back.LoadFile(path, 0, 0), result::Ok);
        const qint64 loaded = timer.restart();
        QCOMPARE(back.ImageWidth(), float(kSide));
        QCOMPARE(back.ImageHeight(), float(kSide));
        QCOMPARE(back.BitsPerPixel(), std::int16_t(24));
        QCOMPARE(back.XResolution(), std::int16_t(300));
        const Bitmap& got = back.ImageHandle();
        std::vector<uchar> want(std::size_t(kSide) * 3);
        for (int y = 0; y < kSide; ++y) {
            patternRow(y, kSide, want.data());
            if (std::memcmp(got.image().constScanLine(y), want.data(), want.size()) != 0)
                QFAIL(qPrintable(QStringLiteral("row %1 differs").arg(y)));
        }
        const qint64 checked = timer.restart();
        qInfo("24000 x 24000 x 24: create+fill %lld ms, paint+flips %lld ms, save %lld ms, load %lld ms, check %lld ms",
              made, painted, saved, loaded, checked);
    }

    // Sizes no bitmap can have are refused with the memory code before any
    // memory is asked for; so are images too large for a format's fields.
    void sizesBeyondTheLimits()
    {
        ImagingControl c;
        QCOMPARE(c.CreateImage(64, 48, 24), result::Ok);
        const std::uint64_t before = fingerprint(c.ImageHandle());
        for (auto [w, h] : {std::pair{0, 10}, {10, -1}, {65536, 1}, {1, 65536}, {32769, 32768}, {65535, 65535}}) {
            QCOMPARE(c.CreateImage(w, h, 24), result::OutOfMemory);
            QCOMPARE(c.ResizeImage(w, h, 1), result::OutOfMemory);
        }
        QCOMPARE(fingerprint(c.ImageHandle()), before);
        QCOMPARE(resultMessage(result::OutOfMemory), "Not enough memory available");

        // 32768 x 32768 at 32 bits is within the limits, but its 4 GiB do not
        // fit the 32-bit size fields of a bitmap file. The pixels are mapped
        // and never touched, so this costs no memory.
        QImage pixels = Bitmap::allocatePixels(32768, 32768, 32);
        QVERIFY(!pixels.isNull());
        ImagingControl huge;
        huge.SetImageHandle(Bitmap::fromImage(std::move(pixels), 32));
        QVERIFY(huge.HasImage());
        Bytes block;
        QCOMPARE(huge.SaveToBlock(block, int(FileFormat::Bmp), 0, 0), result::NotAvailable);
        QVERIFY(huge.CopyToDib().empty());
        QVERIFY(block.empty());

        // JPEG frames end at 65500 pixels a side.
        ImagingControl wide;
        wide.SetImageHandle(Bitmap::fromImage(Bitmap::allocatePixels(65535, 8, 24), 24));
        QVERIFY(wide.HasImage());
        QCOMPARE(wide.SaveToBlock(block, int(FileFormat::Jpeg), 0, 0), result::NotAvailable);
        // Every refusal has its text.
        for (Result r : {result::OutOfMemory, result::NotAvailable, result::UnsupportedDepth, result::WriteError})
            QVERIFY(resultMessage(r) != "Unknown error");
    }

    // Every operation that needs memory it cannot have answers 20001 and
    // leaves the image as it was; with the memory back, it works.
    void operationsWithoutMemoryLeaveTheImage()
    {
#ifdef ARDANE_ASAN
        QSKIP("AddressSanitizer reserves terabytes of address space: an address-space limit cannot be used");
#endif
        QVERIFY(kMallocTuned);
        // 36 MB at 24 bits; its smallest conversion, to 8 or 4 bits, takes
        // 12 MB, more than the heap keeps free in pieces of earlier work.
        constexpr int kW = 4000, kH = 3000;
        constexpr std::uint64_t kHeadroom = std::uint64_t(2) << 20;
        const Bitmap picture = patterned(kW, kH);
        QVERIFY(!picture.isNull());
        ImagingControl c;
        c.SetImageHandle(picture);

        // File images of the picture, made while memory is plentiful.
        std::map<FileFormat, Bytes> files;
        for (FileFormat f : {FileFormat::Bmp, FileFormat::Png, FileFormat::Jpeg, FileFormat::Tiff}) {
            QCOMPARE(c.SaveToBlock(files[f], int(f), 24, 90), result::Ok);
            ImagingControl warm; // also starts every library's worker threads before the limit
            QCOMPARE(warm.LoadFromBlock(files[f], 0, 0), result::Ok);
        }
        {
            ImagingControl eight;
            eight.SetImageHandle(patterned(64, 64));
            QCOMPARE(eight.ConvertColorDepth(8, 2, 1, 0), result::Ok);
            Bytes gif;
            QCOMPARE(eight.SaveToBlock(gif, int(FileFormat::Gif), 8, 0), result::Ok);
            QCOMPARE(eight.ResizeImage(100, 90, 1), result::Ok);
            QCOMPARE(eight.RotateImage(3000, true, 0), result::Ok);
        }
        const Bytes dib = c.CopyToDib();
        QVERIFY(!dib.empty());
        c.SetImageHandle(Bitmap());
        c.SetImageHandle(picture); // shared with `picture`, as an undo copy would hold it
        const std::uint64_t before = fingerprint(picture);

        struct Case {
            const char* name;
            std::function<Result(ImagingControl&)> run;
        };
        const std::vector<Case> cases{
            {"create", [](ImagingControl& k) { return k.CreateImage(4000, 3000, 24); }},
            {"fill (shared pixels)", [](ImagingControl& k) { return k.FillImage(makeColorRef(1, 2, 3)); }},
            {"flip vertical (shared pixels)", [](ImagingControl& k) { return k.FlipVertical(); }},
            {"flip horizontal (shared pixels)", [](ImagingControl& k) { return k.FlipHorizontal(); }},
            {"resize nearest", [](ImagingControl& k) { return k.ResizeImage(kW + 1, kH, 0); }},
            {"resize resampled", [](ImagingControl& k) { return k.ResizeImage(kW + kW / 2, kH, 1); }},
            {"rotate 90", [](ImagingControl& k) { return k.RotateImage(9000, true, 0); }},
            {"rotate 30", [](ImagingControl& k) { return k.RotateImage(3000, true, 0); }},
            {"crop", [](ImagingControl& k) { return k.CropImage(1, 1, kW - 2, kH - 2); }},
            {"to 32 bits", [](ImagingControl& k) { return k.ConvertColorDepth(32, 1, 0, 0); }},
            {"to 16 bits", [](ImagingControl& k) { return k.ConvertColorDepth(16, 1, 0, 0); }},
            {"to 8 bits optimised, diffused", [](ImagingControl& k) { return k.ConvertColorDepth(8, 2, 1, 0); }},
            {"to 4 bits ordered", [](ImagingControl& k) { return k.ConvertColorDepth(4, 1, 7, 0); }},
            {"replace from DIB", [&dib](ImagingControl& k) { return k.ReplaceFromDib(dib); }},
            {"load BMP", [&files](ImagingControl& k) { return k.LoadFromBlock(files[FileFormat::Bmp], 0, 0); }},
            {"load PNG (GraphicsMagick)", [&files](ImagingControl& k) { return k.LoadFromBlock(files[FileFormat::Png], 0, 0); }},
            {"load JPEG (libjpeg)", [&files](ImagingControl& k) { return k.LoadFromBlock(files[FileFormat::Jpeg], 0, 0); }},
            {"load TIFF (libtiff)", [&files](ImagingControl& k) { return k.LoadFromBlock(files[FileFormat::Tiff], 0, 0); }},
            {"load BMP at 8 bits", [&files](ImagingControl& k) { return k.LoadFromBlock(files[FileFormat::Bmp], 8, 0); }},
            {"save BMP", [](ImagingControl& k) { Bytes b; return k.SaveToBlock(b, int(FileFormat::Bmp), 24, 0); }},
            {"save PNG (GraphicsMagick)", [](ImagingControl& k) { Bytes b; return k.SaveToBlock(b, int(FileFormat::Png), 24, 0); }},
            {"save JPEG (libjpeg)", [](ImagingControl& k) { Bytes b; return k.SaveToBlock(b, int(FileFormat::Jpeg), 24, 95); }},
            {"save TIFF (libtiff)", [](ImagingControl& k) { Bytes b; return k.SaveToBlock(b, int(FileFormat::Tiff), 24, 0); }},
            {"save TIFF at 32 bits (GraphicsMagick)", [](ImagingControl& k) { Bytes b; return k.SaveToBlock(b, int(FileFormat::Tiff), 32, 0); }},
            {"save GIF at 8 bits", [](ImagingControl& k) { Bytes b; return k.SaveToBlock(b, int(FileFormat::Gif), 8, 0); }},
            {"save Targa (GraphicsMagick)", [](ImagingControl& k) { Bytes b; return k.SaveToBlock(b, int(FileFormat::Tga), 24, 0); }},
        };
        for (const Case& k : cases) {
            Result r = result::Ok;
            std::uint64_t during = 0;
            {
                const AddressSpaceLimit limit(kHeadroom);
                QVERIFY2(limit.ok(), "setrlimit(RLIMIT_AS) failed");
                r = k.run(c);
                during = fingerprint(c.ImageHandle());
            }
            QVERIFY2(r == result::OutOfMemory, qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(k.name)).arg(r)));
            QVERIFY2(during == before, k.name);
            QVERIFY2(c.ImageHandle().image().constBits() == picture.image().constBits(), k.name); // still the same pixels
        }
        {
            const AddressSpaceLimit limit(kHeadroom);
            QVERIFY(limit.ok());
            const bool copied = !c.CopyToDib().empty();
            QVERIFY(!copied);
        }
        QCOMPARE(fingerprint(c.ImageHandle()), before);
        QCOMPARE(c.ImageWidth(), float(kW));

        // With the memory back, each of them works.
        for (const Case& k : cases) {
            ImagingControl fresh;
            fresh.SetImageHandle(picture);
            const Result r = k.run(fresh);
            QVERIFY2(r == result::Ok, qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(k.name)).arg(r)));
        }
        QCOMPARE(fingerprint(picture), before);
    }
};

QTEST_GUILESS_MAIN(TestImagingMemory)
#include "test_imaging_memory.moc"
