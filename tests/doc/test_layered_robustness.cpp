// Two thousand damaged layered files, made from a few good ones holding
// objects of every class: cut short at many points, with the object count
// and the string lengths changed, and with random bytes replaced. Each read
// either fails and leaves the image and the object list as they were, or
// succeeds with objects the rest of the program can use: a known class, not
// selected, values within the ranges the objects accept, a file that writes
// and reads back the same, and a merge into the image that finishes.

#include "LayeredSamples.h"
#include "doc/LayeredFile.h"
#include "doc/SaveFormats.h"
#include "raster/Canvas.h"

#include <QElapsedTimer>
#include <QtTest>

#include <cstdlib>
#include <random>

using namespace ardane;
using namespace ardane::doc;
using namespace ardane::test;

namespace {

constexpr int kLimit = objects::CGeneralObj::kCoordinateLimit;

struct Base {
    std::vector<std::uint8_t> bytes;
    std::vector<RecordSpan> spans;
    std::size_t countAt = 0;
};

Base makeBase(const imaging::ImagingControl& image, const objects::ObjectList& objects, int bits)
{
    Base b;
    LayeredFile file;
    if (file.writeBytes(image, objects, kBmpFormat, bits, -1, b.bytes) != imaging::result::Ok)
        qFatal("cannot write a sample layered file");
    b.spans = recordSpans(b.bytes);
    b.countAt = 10 + u32At(b.bytes, 4);
    return b;
}

std::vector<Base> makeBases()
{
    std::vector<Base> bases;
    bases.push_back(makeBase(sampleImage(64, 48), sampleObjects(), 24));

    objects::ObjectList second;
    QString longText;
    for (int i = 0; i < 300; ++i)
        longText += QChar(u'A' + i % 26);
    second.push_back(makeText({2, 3, 30, 16}, longText, 0x00FF00FF));
    second.push_back(makeRect({5, 5, 28, 15}, 0x00000000, 10, true, 0x00FFFFFF));
    second.push_back(makeLine({10, 2, 12, 16}, 0x00FFFFFF, objects::CLineObj::kVertical));
    second.push_back(makeEllipse({-4, -4, 8, 9}, 0x00808080, 5));
    bases.push_back(makeBase(sampleImage(33, 17, 8), second, 8));

    objects::ObjectList third;
    third.push_back(makeEllipse({1, 1, 8, 8}, 0x00FFFFFF, 2));
    third.push_back(makeLine({0, 0, 9, 9}, 0x00000000, objects::CLineObj::kFalling));
    bases.push_back(makeBase(sampleImage(9, 9, 1), third, 1));
    return bases;
}

// A string length prefix of one of the three forms with a random length.
std::vector<std::uint8_t> randomLengthPrefix(std::mt19937& random)
{
    switch (random() % 3) {
    case 0: return {std::uint8_t(random() % 255)};
    case 1: {
        const std::uint32_t n = random() % 0xFFFE;
        return {0xFF, std::uint8_t(n), std::uint8_t(n >> 8)};
    }
    default: {
        const std::uint32_t n = random() % 4 == 0 ? std::uint32_t(random()) : random() % 1024;
        return {0xFF, 0xFF, 0xFF, std::uint8_t(n), std::uint8_t(n >> 8), std::uint8_t(n >> 16), std::uint8_t(n >> 24)};
    }
    }
}

// Replaces the length prefix at `at` (of whatever form it has) by `prefix`.
void replacePrefix(std::vector<std::uint8_t>& b, std::size_t at, const std::vector<std::uint8_t>& prefix)
{
    std::size_t old = 0;
    stringLengthAt(b, at, &old);
    b.erase(b.begin() + std::ptrdiff_t(at), b.begin() + std::ptrdiff_t(at + old));
    b.insert(b.begin() + std::ptrdiff_t(at), prefix.begin(), prefix.end());
}

std::vector<std::vector<std::uint8_t>> damagedFiles(const std::vector<Base>& bases)
{
    std::mt19937 random(20261209);
    std::vector<std::vector<std::uint8_t>> out;
    // Truncations: every record boundary and a few bytes either side, then
    // points spread over the object area and the header.
    for (const Base& base : bases) {
        std::vector<std::size_t> cuts;
        for (std::size_t k = 0; k < 12; ++k)
            cuts.push_back(k);
        cuts.push_back(base.countAt);
        cuts.push_back(base.countAt + 2);
        for (const RecordSpan& s : base.spans)
            for (std::size_t at : {s.start, s.nameAt, s.dataAt, s.end})
                for (int d = -2; d <= 2; ++d)
                    if (std::int64_t(at) + d >= 0 && std::size_t(std::int64_t(at) + d) < base.bytes.size())
                        cuts.push_back(std::size_t(std::int64_t(at) + d));
        while (cuts.size() < 130)
            cuts.push_back(base.countAt + random() % (base.bytes.size() - base.countAt));
        for (std::size_t cut : cuts)
            out.emplace_back(base.bytes.begin(), base.bytes.begin() + std::ptrdiff_t(cut));
    }
    // Object counts.
    const std::uint32_t counts[] = {0, 1, 2, 3, 5, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu};
    for (int i = 0; i < 150; ++i) {
        const Base& base = bases[std::size_t(i) % bases.size()];
        std::vector<std::uint8_t> b = base.bytes;
        const std::uint32_t n = i < 24 ? counts[std::size_t(i) % std::size(counts)] : std::uint32_t(random());
        for (int k = 0; k < 4; ++k)
            b[base.countAt + std::size_t(k)] = std::uint8_t(n >> (8 * k));
        out.push_back(std::move(b));
    }
    // String lengths: the class names and the text of text objects.
    for (int i = 0; i < 400; ++i) {
        const Base& base = bases[std::size_t(i) % bases.size()];
        const RecordSpan& s = base.spans[random() % base.spans.size()];
        std::vector<std::uint8_t> b = base.bytes;
        std::size_t at = s.nameAt;
        std::size_t prefix = 0;
        const std::size_t nameLength = stringLengthAt(b, s.nameAt, &prefix);
        const std::string name(reinterpret_cast<const char*>(b.data() + s.nameAt + prefix), nameLength);
        if (name == "CTextObj" && random() % 2 == 0)
            at = s.dataAt + 64 + 64 + 28 + 2;
        replacePrefix(b, at, randomLengthPrefix(random));
        out.push_back(std::move(b));
    }
    // Random bytes: mostly in the objects, sometimes anywhere.
    while (out.size() < 2000) {
        const Base& base = bases[out.size() % bases.size()];
        std::vector<std::uint8_t> b = base.bytes;
        const int flips = 1 + int(random() % 8);
        for (int k = 0; k < flips; ++k) {
            const std::size_t from = random() % 5 == 0 ? 0 : base.countAt;
            b[from + random() % (b.size() - from)] = std::uint8_t(random());
        }
        out.push_back(std::move(b));
    }
    return out;
}

// What a successful read must have produced; empty when all is well.
QString problemWith(const objects::CGeneralObj& o)
{
    const std::string_view name = o.className();
    const bool known = (name == "CRectObj" && o.kind() == objects::ObjectKind::Rect)
                    || (name == "CEllipseObj" && o.kind() == objects::ObjectKind::Ellipse)
                    || (name == "CLineObj" && o.kind() == objects::ObjectKind::Line)
                    || (name == "CTextObj" && o.kind() == objects::ObjectKind::Text);
    if (!known)
        return QStringLiteral("class and kind disagree");
    if (o.isSelected())
        return QStringLiteral("selected");
    if (o.m_nZoom < 100 || o.m_nZoom > 800)
        return QStringLiteral("zoom %1").arg(o.m_nZoom);
    if (o.m_params.lineWidth < 1 || o.m_params.lineWidth > 10)
        return QStringLiteral("line width %1").arg(o.m_params.lineWidth);
    if (o.m_nAngle <= -360 || o.m_nAngle >= 360)
        return QStringLiteral("angle %1").arg(o.m_nAngle);
    for (const QPoint& p : o.m_pts)
        if (std::abs(p.x()) > kLimit || std::abs(p.y()) > kLimit)
            return QStringLiteral("corner out of range");
    const objects::Box& w = o.windowRect();
    for (int v : {w.left, w.top, w.right, w.bottom})
        if (std::abs(v) > kLimit)
            return QStringLiteral("window out of range");
    if (w.left > w.right || w.top > w.bottom)
        return QStringLiteral("window corners out of order");
    return {};
}

} // namespace

class TestLayeredRobustness : public QObject {
    Q_OBJECT
private slots:
    void damagedFilesFailCleanlyOrReadSanely();
};

void TestLayeredRobustness::damagedFilesFailCleanlyOrReadSanely()
{
    const std::vector<Base> bases = makeBases();
    for (const Base& base : bases)
        QVERIFY(base.spans.size() >= 2);
    const auto files = damagedFiles(bases);
    QCOMPARE(files.size(), std::size_t(2000));

    LayeredFile file;
    imaging::ImagingControl sentinel = sampleImage(3, 2);
    const imaging::Bitmap before = sentinel.ImageHandle();
    int accepted = 0;
    int objectsRead = 0;
    QElapsedTimer total;
    total.start();
    for (std::size_t i = 0; i < files.size(); ++i) {
        const QByteArray which = QByteArray("damaged file ") + QByteArray::number(qulonglong(i));
        imaging::ImagingControl target;
        target.SetImageHandle(before);
        objects::ObjectList list;
        list.push_back(makeRect({1, 1, 4, 4}, 0x00111111));
        const objects::CGeneralObj* mine = list.front().get();

        QElapsedTimer timer;
        timer.start();
        const bool read = file.readBytes(files[i], target, list);
        QVERIFY2(timer.elapsed() < 2000, which.constData());
        QCOMPARE(list.front().get(), mine);
        if (!read) {
            QVERIFY2(target.ImageHandle() == before, which.constData());
            QVERIFY2(list.size() == 1, which.constData());
            continue;
        }
        ++accepted;
        QVERIFY2(target.HasImage(), which.constData());
        list.erase(list.begin());
        objectsRead += int(list.size());
        for (const objects::ObjectPtr& o : list) {
            const QString problem = problemWith(*o);
            QVERIFY2(problem.isEmpty(), (which + ": " + problem.toUtf8()).constData());
        }
        // What was read writes and reads back unchanged.
        std::vector<std::uint8_t> again;
        QCOMPARE(file.writeBytes(target, list, kBmpFormat, target.BitsPerPixel(), -1, again), imaging::result::Ok);
        imaging::ImagingControl second;
        objects::ObjectList secondList;
        QVERIFY2(file.readBytes(again, second, secondList), which.constData());
        QCOMPARE(secondList.size(), list.size());
        std::vector<std::uint8_t> third;
        QCOMPARE(file.writeBytes(second, secondList, kBmpFormat, second.BitsPerPixel(), -1, third),
                 imaging::result::Ok);
        QVERIFY2(third == again, which.constData());
        // And merges into its image in reasonable time.
        timer.restart();
        imaging::Bitmap& bitmap = target.bitmapForDrawing();
        for (const objects::ObjectPtr& o : list) {
            raster::Canvas canvas(bitmap);
            o->MergeIntoImage(canvas, objects::ImageMapping{QPoint(20, 20), 1, QPoint()}, raster::R2_COPYPEN);
        }
        QVERIFY2(timer.elapsed() < 2000, (which + " merging").constData());
    }
    qInfo("%d of %zu damaged files read, %d objects, %lld ms", accepted, files.size(), objectsRead,
          qint64(total.elapsed()));
    // The damage must not be so mild that every file still reads, nor so
    // blunt that none does.
    QVERIFY(accepted > 20);
    QVERIFY(accepted < 1900);
}

QTEST_MAIN(TestLayeredRobustness)
#include "test_layered_robustness.moc"
