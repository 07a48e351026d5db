// Text objects: the font and object records byte for byte, damaged records
// refused, the setup and editing of a text box, line wrapping, and the
// pixels of straight, curved, shadowed and extruded text merged into an
// image, on the screen at a zoom and through the keyed scratch of a mix mode.
// Glyphs come from DejaVu Sans (Debian package fonts-dejavu-core).

#include "objects/CTextObj.h"
#include "objects/TextLayout.h"
#include "objects/TextRender.h"
#include "raster/Canvas.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QSet>
#include <QTest>

#include <cmath>
#include <cstring>

using namespace ardane;
using namespace ardane::objects;
using ardane::imaging::Bitmap;

namespace {

constexpr ColorRef kWhite = 0xFFFFFF;
constexpr ColorRef kRed = makeColorRef(255, 0, 0);
constexpr ColorRef kBlue = makeColorRef(0, 0, 255);
constexpr ColorRef kGreen = makeColorRef(0, 160, 0);

FontState dejaVu(int points, bool bold = false)
{
    FontState f;
    f.faceName = QStringLiteral("DejaVu Sans");
    f.pointSize = points;
    f.bold = bold;
    f.charSet = 0;
    f.pitchAndFamily = 0x22;
    return f;
}

TextParams plainOptions(int effect = TL_STRAIGHT)
{
    TextParams o;
    o.shadow = 0;
    o.threeD = 0;
    o.effect = std::int16_t(effect);
    o.clockwise = 0;
    o.startAngle = 90;
    o.depth = 5;
    return o;
}

// A text object as the text tool leaves it after typing `text`.
std::unique_ptr<CTextObj> makeText(const QString& text, const Box& box, const TextParams& options,
                                   int points = 20, ColorRef colour = kRed)
{
    auto obj = std::make_unique<CTextObj>();
    PaintSettings settings;
    obj->CreateInView(box, settings);
    if (!obj->setupNew(100, dejaVu(points), options, colour))
        return nullptr;
    obj->setText(text);
    return obj;
}

Bitmap whiteImage(int w, int h)
{
    Bitmap b = Bitmap::create(w, h, 24);
    for (int y = 0; y < h; ++y)
        std::memset(b.image().scanLine(y), 0xFF, std::size_t(w) * 3);
    return b;
}

ColorRef at(const Bitmap& b, int x, int y)
{
    const uchar* p = b.image().constScanLine(y) + 3 * std::size_t(x);
    return makeColorRef(p[0], p[1], p[2]);
}

QSet<QPoint> pixelsOf(const Bitmap& b, ColorRef c)
{
    QSet<QPoint> s;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x)
            if (at(b, x, y) == c)
                s.insert(QPoint(x, y));
    return s;
}

QSet<QPoint> shifted(const QSet<QPoint>& s, QPoint d)
{
    QSet<QPoint> out;
    for (const QPoint& p : s)
        out.insert(p + d);
    return out;
}

Bitmap merged(CTextObj& obj, int w, int h, int drawMode = raster::R2_COPYPEN, Box* written = nullptr)
{
    Bitmap image = whiteImage(w, h);
    raster::Canvas canvas(image);
    const Box box = obj.MergeIntoImage(canvas, ImageMapping{}, drawMode);
    if (written)
        *written = box;
    return image;
}

QRect boundsOf(const QSet<QPoint>& s)
{
    QRect r;
    for (const QPoint& p : s)
        r |= QRect(p, QSize(1, 1));
    return r;
}

std::vector<std::uint8_t> bytesOf(const CGeneralObj& obj)
{
    std::vector<std::uint8_t> out;
    ArchiveWriter w(out);
    obj.Serialize(w);
    return out;
}

std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
           std::uint32_t(b[at + 3]) << 24;
}
std::uint16_t le16(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return std::uint16_t(b[at] | b[at + 1] << 8);
}

} // namespace

class TestTextObject : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void fontRecordBytes();
    void recordRoundTrip();
    void textEncodings();
    void damagedRecordsAreRefused();
    void setupGrowsSmallBoxes();
    void editingEnds();
    void wrapping();
    void straightTextStaysInItsBox();
    void turnedStraightText();
    void shadowSouthEast();
    void threeDDepthOne();
    void curveRadii();
    void curvedStartPositions();
    void mergeUnderMixModeUsesKeyedScratch();
    void keyColours();
    void screenAtZoomIsMergeEnlarged();
    void nothingWithoutSize();
    void largeInputsStayCheap();
    void sampleRenders();
};

void TestTextObject::initTestCase()
{
    setScreenResolution(96);
    QFont f(QStringLiteral("DejaVu Sans"));
    if (QFontInfo(f).family() != QStringLiteral("DejaVu Sans"))
        QFAIL("DejaVu Sans is not installed (Debian package fonts-dejavu-core)");
}

void TestTextObject::fontRecordBytes()
{
    TextFontRecord r;
    r.bold = 1;
    r.italic = 0x101; // only the low byte counts
    r.underline = 0;
    r.pointSize = 24;
    r.pixelHeight = 32;
    r.charSet = 0xEE;
    r.pitchAndFamily = 0x22;
    r.padding = 0xBEEF;
    r.escapement = -450;
    std::memcpy(r.faceName.data(), "DejaVu Sans", 11);
    std::vector<std::uint8_t> out;
    ArchiveWriter w(out);
    r.write(w);
    QCOMPARE(out.size(), std::size_t(64));
    QCOMPARE(le32(out, 0), 1u);
    QCOMPARE(le32(out, 4), 0x101u);
    QCOMPARE(le32(out, 12), 24u);
    QCOMPARE(le32(out, 16), 32u);
    QCOMPARE(out[20], 0xEE);
    QCOMPARE(out[21], 0x22);
    QCOMPARE(le16(out, 22), 0xBEEF);
    QCOMPARE(std::int32_t(le32(out, 24)), -450);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(out.data()) + 28), QByteArray("DejaVu Sans"));
    QCOMPARE(out[63], 0);

    ArchiveReader in(out);
    TextFontRecord back;
    QVERIFY(back.read(in));
    QVERIFY(back == r);
    QCOMPARE(in.remaining(), std::size_t(0));

    // A face name without its terminator is cut to 35 bytes.
    std::fill(out.begin() + 28, out.end(), std::uint8_t('A'));
    ArchiveReader unterminated(out);
    QVERIFY(back.read(unterminated));
    QCOMPARE(back.faceName[35], '\0');
    QCOMPARE(faceNameOf(back), QString(35, QLatin1Char('A')));

    // Short: refused, nothing changed.
    const TextFontRecord before = back;
    ArchiveReader shortIn(std::span(out.data(), 63));
    QVERIFY(!back.read(shortIn));
    QVERIFY(back == before);
}

void TestTextObject::recordRoundTrip()
{
    TextParams o = plainOptions(TL_CIRCLE);
    o.depth = 17;
    o.shadow = 1;
    o.clockwise = 1;
    o.shadowColor = 0x123456;
    o.direction = 5;
    o.startAngle = 270;
    const QString text = QString(300, QLatin1Char('x'));
    auto obj = makeText(text, {10, 20, 210, 120}, o, 14, 0x00AA55);
    QVERIFY(obj);
    obj->m_field = 0x4321;
    obj->m_optionsPadding0 = 0x1111;
    obj->m_optionsPadding1 = 0x2222;
    const auto bytes = bytesOf(*obj);
    QCOMPARE(bytes.size(), std::size_t(64 + 64 + 28 + 2 + 3 + 300));
    QCOMPARE(le32(bytes, 0), 0x00AA55u);     // colour
    QCOMPARE(le32(bytes, 64 + 12), 14u);      // point size
    QCOMPARE(le32(bytes, 64 + 16), 19u);      // 14 pt at 96 dpi
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(bytes.data()) + 64 + 28), QByteArray("DejaVu Sans"));
    const std::size_t opt = 128;
    QCOMPARE(le16(bytes, opt + 0), 17);
    QCOMPARE(le16(bytes, opt + 2), 0x1111);
    QCOMPARE(le32(bytes, opt + 4), 1u);
    QCOMPARE(le32(bytes, opt + 8), 0u);
    QCOMPARE(le32(bytes, opt + 12), 1u);
    QCOMPARE(le32(bytes, opt + 16), 0x123456u);
    QCOMPARE(le16(bytes, opt + 20), 5);
    QCOMPARE(le16(bytes, opt + 22), 2);
    QCOMPARE(le16(bytes, opt + 24), 270);
    QCOMPARE(le16(bytes, opt + 26), 0x2222);
    QCOMPARE(le16(bytes, opt + 28), 0x4321);
    QCOMPARE(bytes[opt + 30], 0xFF); // 300 characters: 0xFF and a 16-bit length
    QCOMPARE(le16(bytes, opt + 31), 300);
    QCOMPARE(bytes[opt + 33], std::uint8_t('x'));

    CTextObj back;
    ArchiveReader in(bytes);
    QVERIFY(back.Serialize(in));
    QCOMPARE(in.remaining(), std::size_t(0));
    QCOMPARE(back.text(), text);
    QVERIFY(back.m_options == o);
    QVERIFY(back.fontRecord() == obj->fontRecord());
    QCOMPARE(back.m_field, std::uint16_t(0x4321));
    QVERIFY(!back.isSelected());
    QVERIFY(back.hasFont());
    // Written again, every byte is the same but the selection flag.
    auto again = bytesOf(back);
    auto expected = bytes;
    expected[36] = 0; // m_bSelected, little-endian, at 36
    QVERIFY(again == expected);

    // Short text: one length byte.
    obj->setText(QStringLiteral("Hello"));
    const auto small = bytesOf(*obj);
    QCOMPARE(small.size(), std::size_t(64 + 64 + 28 + 2 + 1 + 5));
    QCOMPARE(small[158], 5);
}

void TestTextObject::textEncodings()
{
    // Latin-1 when it fits, one byte per character.
    QCOMPARE(encodeTextBytes(QStringLiteral("caf\u00e9")), std::string("caf\xe9"));
    // Otherwise UTF-8.
    QCOMPARE(encodeTextBytes(QStringLiteral("\u20ac 5")), std::string("\xe2\x82\xac 5"));
    QCOMPARE(decodeTextBytes("\xe2\x82\xac 5"), QStringLiteral("\u20ac 5"));
    QCOMPARE(decodeTextBytes("caf\xe9"), QStringLiteral("caf\u00e9"));
    // Not valid UTF-8 (a lone continuation byte, an overlong form): Latin-1.
    QCOMPARE(decodeTextBytes("\x80x"), QStringLiteral("\u0080x"));
    QCOMPARE(decodeTextBytes("\xc0\xaf"), QStringLiteral("\u00c0\u00af"));
    // A whole record with a character beyond Latin-1 reads back.
    auto obj = makeText(QStringLiteral("\u0394 = 5 \u00b0C"), {0, 0, 100, 40}, plainOptions());
    QVERIFY(obj);
    CTextObj back;
    const auto bytes = bytesOf(*obj);
    ArchiveReader in(bytes);
    QVERIFY(back.Serialize(in));
    QCOMPARE(back.text(), obj->text());
}

void TestTextObject::damagedRecordsAreRefused()
{
    auto obj = makeText(QStringLiteral("Damaged"), {0, 0, 100, 40}, plainOptions());
    QVERIFY(obj);
    const auto good = bytesOf(*obj);

    auto target = makeText(QStringLiteral("Untouched"), {5, 5, 50, 30}, plainOptions(TL_ARC), 12, kBlue);
    QVERIFY(target);
    const auto before = bytesOf(*target);
    const auto refused = [&](const std::vector<std::uint8_t>& data) {
        ArchiveReader in(data);
        const bool ok = target->Serialize(in);
        return !ok && bytesOf(*target) == before && target->text() == QStringLiteral("Untouched");
    };
    // Every short prefix.
    for (std::size_t n = 0; n < good.size(); ++n)
        QVERIFY2(refused(std::vector<std::uint8_t>(good.begin(), good.begin() + std::ptrdiff_t(n))),
                 qPrintable(QString::number(n)));

    const auto with16 = [&](std::size_t offset, std::uint16_t v) {
        auto d = good;
        d[offset] = std::uint8_t(v);
        d[offset + 1] = std::uint8_t(v >> 8);
        return d;
    };
    const auto with32 = [&](std::size_t offset, std::uint32_t v) {
        auto d = good;
        for (int i = 0; i < 4; ++i)
            d[offset + std::size_t(i)] = std::uint8_t(v >> (8 * i));
        return d;
    };
    QVERIFY(refused(with16(128 + 0, 0)));     // depth 0
    QVERIFY(refused(with16(128 + 0, 201)));   // depth 201
    QVERIFY(refused(with16(128 + 0, 0xFFFF))); // depth -1
    QVERIFY(refused(with16(128 + 20, 8)));    // direction
    QVERIFY(refused(with16(128 + 22, 3)));    // layout
    QVERIFY(refused(with16(128 + 22, 0)));
    QVERIFY(refused(with16(128 + 24, 45)));   // start angle
    QVERIFY(refused(with32(64 + 12, 1001)));  // point size
    QVERIFY(refused(with32(64 + 12, 0xFFFFFFFF)));
    QVERIFY(refused(with32(64 + 16, 0xFFFFFFF0))); // negative pixel height
    QVERIFY(refused(with32(44, 800 + 1)));    // zoom (base record)
    // A text length past the end.
    auto longer = good;
    longer[158] = 200;
    QVERIFY(refused(longer));

    // The edge values are taken.
    for (auto d : {with16(128, 1), with16(128, 200), with16(128 + 20, 7), with16(128 + 22, 4),
                   with16(128 + 24, 180), with32(64 + 12, 1000), with32(64 + 12, 0)}) {
        CTextObj fresh;
        ArchiveReader in(d);
        QVERIFY(fresh.Serialize(in));
    }
}

void TestTextObject::setupGrowsSmallBoxes()
{
    auto obj = std::make_unique<CTextObj>();
    PaintSettings settings;
    settings.penColor = kGreen;
    obj->CreateInView({100, 50, 110, 58}, settings);
    QVERIFY(obj->setupNew(200, dejaVu(12, true), plainOptions(TL_HALF_CIRCLE), kBlue));
    QCOMPARE(obj->windowRect(), (Box{95, 45, 115, 63})); // 10 x 8 grows to 20 x 18
    QCOMPARE(obj->m_pts, cornersOf(Box{95, 45, 115, 63}));
    QCOMPARE(obj->m_nZoom, 200);
    QCOMPARE(obj->m_color, kBlue);
    QCOMPARE(obj->m_options.effect, std::int16_t(TL_HALF_CIRCLE));
    QCOMPARE(obj->fontRecord().pixelHeight, 16); // 12 pt at 96 dpi
    QCOMPARE(obj->fontRecord().escapement, 0);
    QCOMPARE(obj->fontRecord().bold, 1);
    QCOMPARE(obj->fontState(), dejaVu(12, true));

    // Only the short side grows: 19 x 30 widens, 40 x 11 heightens.
    auto narrow = std::make_unique<CTextObj>();
    narrow->CreateInView({0, 0, 19, 30}, settings);
    QVERIFY(narrow->setupNew(100, dejaVu(10), plainOptions(), kRed));
    QCOMPARE(narrow->windowRect(), (Box{-5, 0, 24, 30}));
    auto flat = std::make_unique<CTextObj>();
    flat->CreateInView({0, 0, 40, 11}, settings);
    QVERIFY(flat->setupNew(100, dejaVu(10), plainOptions(), kRed));
    QCOMPARE(flat->windowRect(), (Box{0, -5, 40, 16}));
    auto fine = std::make_unique<CTextObj>();
    fine->CreateInView({0, 0, 20, 12}, settings);
    QVERIFY(fine->setupNew(100, dejaVu(10), plainOptions(), kRed));
    QCOMPARE(fine->windowRect(), (Box{0, 0, 20, 12}));

    // The pixel height follows the screen's resolution.
    setScreenResolution(120);
    auto sharp = std::make_unique<CTextObj>();
    sharp->CreateInView({0, 0, 50, 50}, settings);
    QVERIFY(sharp->setupNew(100, dejaVu(12), plainOptions(), kRed));
    QCOMPARE(sharp->fontRecord().pixelHeight, 20);
    setScreenResolution(96);

    // No face: no font, and the setup stops.
    auto faceless = std::make_unique<CTextObj>();
    faceless->CreateInView({0, 0, 50, 50}, settings);
    FontState none = dejaVu(12);
    none.faceName.clear();
    QVERIFY(!faceless->setupNew(100, none, plainOptions(), kRed));
    QVERIFY(!faceless->hasFont());
}

void TestTextObject::editingEnds()
{
    auto obj = makeText({}, {0, 0, 100, 40}, plainOptions());
    QVERIFY(obj);
    QVERIFY(obj->EndEdit(QStringLiteral("Typed"), {10, 10, 200, 60}));
    QCOMPARE(obj->text(), QStringLiteral("Typed"));
    QCOMPARE(obj->windowRect(), (Box{10, 10, 200, 60}));
    QCOMPARE(obj->m_pts, cornersOf(Box{10, 10, 200, 60}));
    QCOMPARE(obj->m_bDiscarded, 0);

    // Turned straight text keeps its angle; the corners are the new box
    // turned, not the old corners.
    obj->RotatePoints(90);
    obj->FitWindowToPoints();
    QCOMPARE(obj->m_nAngle, 90);
    QCOMPARE(obj->fontRecord().escapement, 900);
    QVERIFY(obj->EndEdit(QStringLiteral("Typed more"), {0, 0, 300, 60}));
    QCOMPARE(obj->m_nAngle, 90);
    QCOMPARE(obj->fontRecord().escapement, 900);
    const Box b = boundingBox(obj->m_pts);
    QVERIFY2(std::abs(b.width() - 60) <= 2 && std::abs(b.height() - 300) <= 2,
             qPrintable(QStringLiteral("%1 x %2").arg(b.width()).arg(b.height())));
    QCOMPARE(obj->windowRect(), b);
    // The top edge now runs upward: the first corner is below the second.
    QVERIFY(obj->m_pts[0].y() > obj->m_pts[1].y());

    // Everything deleted: discarded.
    QVERIFY(!obj->EndEdit(QString(), {0, 0, 300, 60}));
    QCOMPARE(obj->m_bDiscarded, 1);
}

void TestTextObject::wrapping()
{
    auto font = makeFont([] {
        CTextObj t;
        t.setFontState(dejaVu(20));
        return t.fontRecord();
    }());
    QVERIFY(font);
    const QFontMetrics m(*font);
    const int c = m.horizontalAdvance(QLatin1Char('C'));
    // WrapLine adds up the characters one by one.
    const auto perChar = [&m](const QString& s) {
        int w = 0;
        for (QChar ch : s)
            w += m.horizontalAdvance(ch);
        return w;
    };
    const int word = perChar(QStringLiteral("alpha "));
    // Room for two words.
    const int width = c + 2 * word + 2;
    const QString text = QStringLiteral("alpha alpha alpha alpha alpha");
    WrappedLine first = WrapLine(m, text, 0, width);
    QCOMPARE(first.text, QStringLiteral("alpha alpha "));
    QCOMPARE(first.next, qsizetype(12));
    QCOMPARE(countWrappedLines(m, text, width), 3);
    // One pixel less: a word per line.
    QCOMPARE(WrapLine(m, text, 0, c + 2 * word - 1).text, QStringLiteral("alpha "));
    // A word wider than the line is cut where it overflows.
    const WrappedLine cut = WrapLine(m, QStringLiteral("abcdefghijklmnopqrstuvwxyz"), 0, c + 5 * m.horizontalAdvance('m'));
    QVERIFY(cut.next > 3 && cut.next < 26);
    QVERIFY(perChar(cut.text) <= 5 * m.horizontalAdvance('m'));
    QVERIFY(perChar(cut.text + QStringLiteral("abcdefghijklmnopqrstuvwxyz").at(cut.next)) > 5 * m.horizontalAdvance('m'));
    // Line ends: CR LF, LF, CR each end a line; empty lines count.
    const QString ends = QStringLiteral("one\r\ntwo\nthree\r\r\nfour");
    QCOMPARE(WrapLine(m, ends, 0, 1000).text, QStringLiteral("one"));
    QCOMPARE(WrapLine(m, ends, 0, 1000).next, qsizetype(5));
    QCOMPARE(WrapLine(m, ends, 5, 1000).next, qsizetype(9));
    QCOMPARE(WrapLine(m, ends, 9, 1000).text, QStringLiteral("three"));
    QCOMPARE(WrapLine(m, ends, 9, 1000).next, qsizetype(15));
    QCOMPARE(WrapLine(m, ends, 15, 1000).text, QString());
    QCOMPARE(countWrappedLines(m, ends, 1000), 5);
    // A tab is sixteen spaces, measured and drawn.
    const WrappedLine tab = WrapLine(m, QStringLiteral("a\tb"), 0, 1000);
    QCOMPARE(tab.text, QStringLiteral("a") + QString(16, QLatin1Char(' ')) + QStringLiteral("b"));
    const int spaces16 = 16 * m.horizontalAdvance(QLatin1Char(' '));
    QCOMPARE(WrapLine(m, QStringLiteral("a\tb"), 0, c + m.horizontalAdvance('a') + spaces16 - 1).text,
             QStringLiteral("a"));
    // A CR LF right after a line that fills the width ends that line.
    const QString full = QStringLiteral("alpha alpha\r\nbeta");
    const WrappedLine atCut = WrapLine(m, full, 0, c + perChar(QStringLiteral("alpha alpha")));
    QCOMPARE(atCut.text, QStringLiteral("alpha alpha"));
    QCOMPARE(atCut.next, qsizetype(13));
    // Even no width takes a character a line, so wrapping always ends.
    QCOMPARE(countWrappedLines(m, QStringLiteral("abc"), 0), 3);
}

void TestTextObject::straightTextStaysInItsBox()
{
    const Box box{20, 10, 220, 130};
    auto obj = makeText(QStringLiteral("The quick brown fox jumps over the lazy dog"), box, plainOptions());
    QVERIFY(obj);
    Box written;
    const Bitmap image = merged(*obj, 260, 160, raster::R2_COPYPEN, &written);
    const QSet<QPoint> red = pixelsOf(image, kRed);
    QVERIFY(red.size() > 300);
    // Every pixel is the text colour or untouched: no antialiasing.
    QCOMPARE(red.size() + pixelsOf(image, kWhite).size(), qsizetype(260 * 160));
    const QRect r = boundsOf(red);
    QVERIFY2(QRect(20, 10, 200, 120).contains(r), qPrintable(QStringLiteral("%1 %2 %3 %4")
                                                                 .arg(r.left()).arg(r.top()).arg(r.width()).arg(r.height())));
    QCOMPARE(Box::fromQRect(r), written);
    // More than one line, centred about the middle less two pixels, and the
    // block centred in the height.
    const int ch = obj->fontRecord().pixelHeight;
    QVERIFY(r.height() > 2 * ch);
    QVERIFY(std::abs((r.left() + r.right()) / 2 - 118) <= 6);
    const int above = r.top() - 10, below = 130 - r.bottom();
    QVERIFY2(std::abs(above - below) <= ch / 2 + 4, qPrintable(QStringLiteral("%1 %2").arg(above).arg(below)));
    // The placements are the lines of WrapLine, one character height apart.
    const auto lines = obj->LayoutText(obj->m_pts);
    QVERIFY(lines.size() >= 3);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        QCOMPARE(lines[i].ref.y() - lines[i - 1].ref.y(), ch);
        QCOMPARE(lines[i].ref.x(), 118);
    }
    // The first baseline: c + one character height below the top middle.
    const int c = (120 - int(lines.size()) * ch) / 2;
    QCOMPARE(lines[0].ref, QPoint(118, 10 + c + ch));
}

void TestTextObject::turnedStraightText()
{
    auto obj = makeText(QStringLiteral("Turned"), {100, 100, 300, 160}, plainOptions(), 24);
    QVERIFY(obj);
    QVERIFY(obj->CanRotate());
    obj->RotatePoints(90);
    obj->FitWindowToPoints();
    const Bitmap image = merged(*obj, 400, 400);
    const QRect r = boundsOf(pixelsOf(image, kRed));
    // Reading upward: the word stands taller than wide, inside the turned box.
    QVERIFY2(r.height() > 2 * r.width(), qPrintable(QStringLiteral("%1 x %2").arg(r.width()).arg(r.height())));
    QVERIFY(Box::fromQRect(r.adjusted(-1, -1, 1, 1)).left >= obj->windowRect().left - 1);
    QVERIFY(r.top() >= obj->windowRect().top && r.bottom() < obj->windowRect().bottom);
    // The same text unturned is as wide as this one is tall.
    auto flat = makeText(QStringLiteral("Turned"), {100, 100, 300, 160}, plainOptions(), 24);
    const QRect f = boundsOf(pixelsOf(merged(*flat, 400, 400), kRed));
    QVERIFY(std::abs(f.width() - r.height()) <= 3);
    QVERIFY(std::abs(f.height() - r.width()) <= 3);
    // Curved text does not turn.
    auto curved = makeText(QStringLiteral("x"), {0, 0, 50, 50}, plainOptions(TL_ARC));
    QVERIFY(!curved->CanRotate());
}

void TestTextObject::shadowSouthEast()
{
    const Box box{10, 10, 190, 70};
    auto plain = makeText(QStringLiteral("Shadow"), box, plainOptions(), 24);
    QVERIFY(plain);
    const QSet<QPoint> text = pixelsOf(merged(*plain, 220, 100), kRed);
    QVERIFY(text.size() > 200);

    TextParams o = plainOptions();
    o.shadow = 1;
    o.depth = 6;
    o.direction = 4; // South East
    o.shadowColor = kBlue;
    auto shadowed = makeText(QStringLiteral("Shadow"), box, o, 24);
    const Bitmap image = merged(*shadowed, 220, 100);
    const QSet<QPoint> red = pixelsOf(image, kRed);
    const QSet<QPoint> blue = pixelsOf(image, kBlue);
    // The corners go back three steps, then each copy moves one step (-1, -1):
    // the shadow at +2, the text at +2 - 6 = -4.
    QCOMPARE(red, shifted(text, {-4, -4}));
    QCOMPARE(blue, shifted(text, {2, 2}) - red);
    // Only two copies: nothing else was written.
    QCOMPARE(red.size() + blue.size() + pixelsOf(image, kWhite).size(), qsizetype(220 * 100));
}

void TestTextObject::threeDDepthOne()
{
    const Box box{10, 10, 190, 70};
    auto plain = makeText(QStringLiteral("Deep"), box, plainOptions(), 24);
    const QSet<QPoint> text = pixelsOf(merged(*plain, 220, 100), kRed);
    QVERIFY(text.size() > 100);
    for (int direction = 0; direction < 8; ++direction) {
        static const QPoint steps[8] = {{0, 1}, {-1, 1}, {1, 1}, {0, -1}, {-1, -1}, {1, -1}, {-1, 0}, {1, 0}};
        TextParams o = plainOptions();
        o.threeD = 1;
        o.depth = 1;
        o.direction = std::int16_t(direction);
        o.shadowColor = kGreen;
        auto deep = makeText(QStringLiteral("Deep"), box, o, 24);
        const Bitmap image = merged(*deep, 220, 100);
        const QSet<QPoint> red = pixelsOf(image, kRed);
        const QSet<QPoint> green = pixelsOf(image, kGreen);
        // First copy one step on in the 3D colour, the text a step further.
        const QPoint s = steps[direction];
        QCOMPARE(red, shifted(text, 2 * s));
        QCOMPARE(green, shifted(text, s) - red);
        QVERIFY(!green.isEmpty());
    }
    // A deeper extrusion fills every step in between.
    TextParams o = plainOptions();
    o.threeD = 1;
    o.depth = 4;
    o.direction = 6; // East: each copy one pixel left, the extrusion right of the text
    o.shadowColor = kGreen;
    auto deep = makeText(QStringLiteral("Deep"), box, o, 24);
    const Bitmap image = merged(*deep, 220, 100);
    // Back two steps, then copies at +1, 0, -1, -2 and the text at -3.
    QSet<QPoint> expected;
    for (int k = 0; k < 4; ++k)
        expected |= shifted(text, {1 - k, 0});
    QCOMPARE(pixelsOf(image, kRed), shifted(text, {-3, 0}));
    QCOMPARE(pixelsOf(image, kGreen), expected - pixelsOf(image, kRed));
}

void TestTextObject::curveRadii()
{
    const QString text = QStringLiteral("Round and round");
    const Box box{0, 0, 300, 200};
    for (const int points : {20, 10}) {
        auto obj = makeText(text, box, plainOptions(TL_CIRCLE), points);
        QVERIFY(obj);
        const QFontMetrics m(*makeFont(obj->fontRecord()));
        const double width = m.horizontalAdvance(text) + m.horizontalAdvance(QLatin1Char(' '));
        const int less = points > 10 ? 2 : 1;
        const int ch = obj->fontRecord().pixelHeight;
        const CurveGeometry circle = curveGeometry(m, text, obj->m_pts, TL_CIRCLE, ch, points);
        QCOMPARE(circle.centre, QPoint(150, 100));
        QCOMPARE(circle.radius, int(width * 0.15915494) - less);
        const CurveGeometry half = curveGeometry(m, text, obj->m_pts, TL_HALF_CIRCLE, ch, points);
        QCOMPARE(half.radius, int(width * 0.31830987) - less);
        const CurveGeometry arc = curveGeometry(m, text, obj->m_pts, TL_ARC, ch, points);
        QCOMPARE(arc.radius, int(100 - ch / 2.0) - less);
        // Too small a box: at least one pixel.
        QCOMPARE(curveGeometry(m, text, cornersOf({0, 0, 8, 8}), TL_ARC, ch, points).radius, 1);

        // The pixels of the merged circle lie around it, within a character
        // height of the circle, and all the way round.
        const Bitmap image = merged(*obj, 300, 200);
        const QSet<QPoint> red = pixelsOf(image, kRed);
        QVERIFY(!red.isEmpty());
        int quadrants[4] = {};
        for (const QPoint& p : red) {
            const double d = std::hypot(p.x() - 150.0, p.y() - 100.0);
            QVERIFY2(std::abs(d - circle.radius) <= ch, qPrintable(QString::number(d)));
            quadrants[(p.x() >= 150 ? 1 : 0) + (p.y() >= 100 ? 2 : 0)]++;
        }
        for (int q : quadrants)
            QVERIFY(q > 0);
    }
}

void TestTextObject::curvedStartPositions()
{
    const QString text = QStringLiteral("Wheel of letters");
    const Box box{0, 0, 300, 300};
    struct Case {
        int start;
        bool clockwise;
        QPoint direction; // from the centre to the first character
    };
    const Case cases[] = {{90, false, {0, -1}}, {90, true, {0, -1}},  {0, false, {1, 0}},  {0, true, {1, 0}},
                          {180, false, {-1, 0}}, {180, true, {-1, 0}}, {270, false, {0, 1}}, {270, true, {0, 1}}};
    for (const Case& c : cases) {
        TextParams o = plainOptions(TL_CIRCLE);
        o.startAngle = std::int16_t(c.start);
        o.clockwise = c.clockwise ? 1 : 0;
        auto obj = makeText(text, box, o, 20);
        QVERIFY(obj);
        const auto font = makeFont(obj->fontRecord());
        const QFontMetrics m(*font);
        const int ch = obj->fontRecord().pixelHeight;
        const CurveGeometry g = curveGeometry(m, text, obj->m_pts, TL_CIRCLE, ch, 20);
        const auto placed = obj->LayoutText(obj->m_pts);
        QCOMPARE(placed.size(), std::size_t(text.size()));
        // The first character's cell corner: on the circle at the start,
        // half a character height in (counter-clockwise) or out (clockwise).
        const QPoint onCircle = g.centre + c.direction * g.radius;
        const QPoint expected = onCircle + c.direction * (c.clockwise ? ch / 2 : -ch / 2);
        QVERIFY2((placed[0].ref - expected).manhattanLength() <= 1,
                 qPrintable(QStringLiteral("start %1: %2,%3").arg(c.start).arg(placed[0].ref.x()).arg(placed[0].ref.y())));
        // Its pixels lie near the start of the circle.
        const auto stamp = rasterise(*font, placed[0], QRect(0, 0, 300, 300));
        QVERIFY(stamp);
        double sx = 0, sy = 0;
        int n = 0;
        for (int y = 0; y < stamp->mask.height(); ++y)
            for (int x = 0; x < stamp->mask.width(); ++x)
                if (stamp->mask.constScanLine(y)[x] >= 128) {
                    sx += stamp->pos.x() + x;
                    sy += stamp->pos.y() + y;
                    ++n;
                }
        QVERIFY(n > 10);
        const double dx = sx / n - onCircle.x(), dy = sy / n - onCircle.y();
        QVERIFY2(std::hypot(dx, dy) <= ch,
                 qPrintable(QStringLiteral("start %1 cw %2: off by %3,%4").arg(c.start).arg(c.clockwise).arg(dx).arg(dy)));
        // The second character follows in the running direction: counter-
        // clockwise on the screen turns left from the outward direction.
        const QPoint out = c.direction;
        const QPoint left(out.y(), -out.x()); // counter-clockwise tangent (y down)
        const QPoint travel = placed[1].ref - placed[0].ref;
        const int along = travel.x() * left.x() + travel.y() * left.y();
        QVERIFY2(c.clockwise ? along < 0 : along > 0, qPrintable(QStringLiteral("start %1").arg(c.start)));
        // Escapements: base tilt plus the start's baseline turn.
        static const int ccwTurn[4] = {90, 180, -90, 0}, cwTurn[4] = {-90, 0, 90, -180};
        const int turn = (c.clockwise ? cwTurn : ccwTurn)[c.start / 90];
        QCOMPARE(placed[0].angle, double(turn + (c.clockwise ? -5 : 10)));
        QVERIFY(c.clockwise ? placed[1].angle < placed[0].angle : placed[1].angle > placed[0].angle);
    }
}

void TestTextObject::mergeUnderMixModeUsesKeyedScratch()
{
    // A background that XOR would visibly change.
    const auto background = [] {
        Bitmap b = Bitmap::create(240, 120, 24);
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 240; ++x) {
                uchar* p = b.image().scanLine(y) + 3 * x;
                p[0] = uchar(x);
                p[1] = uchar(y * 2);
                p[2] = 90;
            }
        return b;
    };
    TextParams o = plainOptions();
    o.shadow = 1;
    o.depth = 4;
    o.direction = 4;
    o.shadowColor = kBlue;
    auto obj = makeText(QStringLiteral("Key"), {20, 20, 220, 100}, o, 28);
    QVERIFY(obj);

    Bitmap copy = background();
    {
        raster::Canvas c(copy);
        QVERIFY(!obj->MergeIntoImage(c, ImageMapping{}, raster::R2_COPYPEN).isEmpty());
    }
    Bitmap xored = background();
    Box written;
    {
        raster::Canvas c(xored);
        written = obj->MergeIntoImage(c, ImageMapping{}, raster::R2_XORPEN);
    }
    // Glyph pixels take the text and shadow colours as they are; the text
    // lies well inside the box, so the result is the copy's.
    QVERIFY(copy.image() == xored.image());
    QVERIFY(!written.isEmpty());
    const QSet<QPoint> red = pixelsOf(xored, kRed);
    QCOMPARE(Box::fromQRect(boundsOf(red | pixelsOf(xored, kBlue))), written);

    // Text running out of the box is cut at the client area under a mix
    // mode, but not when copied: three lines in a box one line high.
    auto tall = makeText(QStringLiteral("one two three"), {60, 40, 140, 70}, plainOptions(), 20);
    QVERIFY(tall);
    Bitmap copied = background();
    {
        raster::Canvas c(copied);
        tall->MergeIntoImage(c, ImageMapping{}, raster::R2_COPYPEN);
    }
    Bitmap masked = background();
    {
        raster::Canvas c(masked);
        tall->MergeIntoImage(c, ImageMapping{}, raster::R2_NOTXORPEN);
    }
    const Bitmap plain = background();
    int inside = 0, outsideCut = 0;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 240; ++x) {
            const bool in = x >= 60 && x < 140 && y >= 40 && y < 70;
            if (in) {
                QCOMPARE(at(masked, x, y), at(copied, x, y));
                inside += at(masked, x, y) == kRed;
            } else {
                QCOMPARE(at(masked, x, y), at(plain, x, y));
                outsideCut += at(copied, x, y) == kRed;
            }
        }
    QVERIFY(inside > 20);
    QVERIFY(outsideCut > 20);
}

void TestTextObject::keyColours()
{
    auto obj = makeText(QStringLiteral("Key"), {0, 0, 160, 60}, plainOptions(), 24, kRed);
    obj->m_options.shadowColor = kBlue;
    QCOMPARE(obj->keyColor(), kWhite);
    obj->m_color = kWhite;
    QCOMPARE(obj->keyColor(), ColorRef(0));
    obj->m_color = kRed;
    obj->m_options.shadowColor = kWhite;
    QCOMPARE(obj->keyColor(), ColorRef(0));
    obj->m_color = 0;
    QCOMPARE(obj->keyColor(), ColorRef(0x010101));

    // White text with a black shadow over grey, merged under a mix mode:
    // both colours arrive.
    obj->m_color = kWhite;
    obj->m_options.shadowColor = 0;
    obj->m_options.shadow = 1;
    obj->m_options.depth = 3;
    Bitmap grey = Bitmap::create(200, 80, 24);
    for (int y = 0; y < 80; ++y)
        std::memset(grey.image().scanLine(y), 0x80, 600);
    raster::Canvas c(grey);
    obj->MergeIntoImage(c, ImageMapping{}, raster::R2_MERGEPEN);
    QVERIFY(pixelsOf(grey, kWhite).size() > 50);
    QVERIFY(pixelsOf(grey, 0).size() > 20);
    QCOMPARE(pixelsOf(grey, kWhite).size() + pixelsOf(grey, 0).size() + pixelsOf(grey, 0x808080).size(),
             qsizetype(200 * 80));
}

void TestTextObject::screenAtZoomIsMergeEnlarged()
{
    for (const int effect : {int(TL_STRAIGHT), int(TL_ARC)}) {
        TextParams o = plainOptions(effect);
        o.threeD = 1;
        o.depth = 3;
        o.shadowColor = kBlue;
        auto obj = makeText(QStringLiteral("Zoomed in"), {0, 0, 240, 120}, o, 16);
        QVERIFY(obj);
        obj->RescaleToZoom(200);
        QCOMPARE(obj->windowRect(), (Box{0, 0, 480, 240}));

        Bitmap screen = whiteImage(480, 240);
        {
            raster::Canvas c(screen);
            obj->DrawObject(c, DrawTarget::Screen, 0, 0, raster::R2_XORPEN);
            QCOMPARE(c.scaleFactor(), 1); // the zoom is put back
        }
        Bitmap image = whiteImage(240, 120);
        {
            raster::Canvas c(image);
            obj->MergeIntoImage(c, ImageMapping{QPoint(), 2, QPoint()}, raster::R2_COPYPEN);
        }
        QVERIFY(pixelsOf(image, kRed).size() > 50);
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 480; ++x)
                QCOMPARE(at(screen, x, y), at(image, x / 2, y / 2));
    }

    // Printing at an offset: the merge moved by the offset.
    auto obj = makeText(QStringLiteral("Printed"), {0, 0, 150, 50}, plainOptions(), 16);
    Bitmap page = whiteImage(200, 100);
    {
        raster::Canvas c(page);
        obj->DrawObject(c, DrawTarget::Print, 30, 20, raster::R2_COPYPEN);
    }
    QCOMPARE(pixelsOf(page, kRed), shifted(pixelsOf(merged(*obj, 200, 100), kRed), {30, 20}));
}

void TestTextObject::nothingWithoutSize()
{
    auto obj = makeText(QStringLiteral("Nothing"), {0, 0, 150, 50}, plainOptions(), 16);
    TextFontRecord r = obj->fontRecord();
    r.pointSize = 0;
    obj->setFontRecord(r);
    Box written{1, 1, 2, 2};
    const Bitmap image = merged(*obj, 160, 60, raster::R2_COPYPEN, &written);
    QCOMPARE(pixelsOf(image, kWhite).size(), qsizetype(160 * 60));
    QVERIFY(written.isEmpty());
    // An object outside the image writes nothing and says so.
    auto away = makeText(QStringLiteral("Away"), {500, 500, 650, 550}, plainOptions(), 16);
    Box none{1, 1, 2, 2};
    merged(*away, 160, 60, raster::R2_COPYPEN, &none);
    QVERIFY(none.isEmpty());
    merged(*away, 160, 60, raster::R2_XORPEN, &none);
    QVERIFY(none.isEmpty());
}

void TestTextObject::largeInputsStayCheap()
{
    QElapsedTimer timer;
    timer.start();
    // The largest font over a box far larger than the image, deepest shadow.
    TextParams o = plainOptions();
    o.shadow = 1;
    o.depth = 200;
    auto huge = makeText(QString(2000, QLatin1Char('W')), {-500000, -500000, 500000, 500000}, o, 1000);
    QVERIFY(huge);
    const Bitmap image = merged(*huge, 300, 300);
    // The second line's giant glyphs cross the image, shadow under them.
    QVERIFY(pixelsOf(image, kRed).size() > 1000);
    QVERIFY(pixelsOf(image, o.shadowColor).size() > 1000);
    QVERIFY(merged(*huge, 300, 300, raster::R2_XORPEN).image() == image.image());
    // A long text in a small box, straight and around a circle.
    QString text;
    for (int i = 0; i < 20000; ++i)
        text += QStringLiteral("word ");
    auto many = makeText(text, {0, 0, 200, 100}, plainOptions(), 12);
    QVERIFY(!pixelsOf(merged(*many, 300, 300), kRed).isEmpty());
    auto round = makeText(text, {0, 0, 200, 100}, plainOptions(TL_CIRCLE), 12);
    merged(*round, 300, 300);
    QVERIFY2(timer.elapsed() < 20000, qPrintable(QString::number(timer.elapsed())));
}

// Sample renders for looking at: written next to the test executable.
void TestTextObject::sampleRenders()
{
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/text-samples");
    QVERIFY(QDir().mkpath(dir));
    struct Sample {
        const char* name;
        QString text;
        int effect;
        int shadow, threeD, direction, start, clockwise, depth;
        int angle;
    };
    const Sample samples[] = {
        {"circle-shadow", QStringLiteral("Around the world in eighty days * "), TL_CIRCLE, 1, 0, 4, 90, 0, 4, 0},
        {"circle-clockwise", QStringLiteral("Clockwise from the top * "), TL_CIRCLE, 0, 0, 4, 90, 1, 4, 0},
        {"arc-3d", QStringLiteral("Arc in three dimensions"), TL_ARC, 0, 1, 4, 180, 1, 6, 0},
        {"half-circle", QStringLiteral("Half a circle of text"), TL_HALF_CIRCLE, 1, 0, 1, 180, 1, 3, 0},
        {"straight-rotated", QStringLiteral("Straight text turned by thirty degrees, wrapped in its box"),
         TL_STRAIGHT, 1, 0, 4, 0, 0, 3, 30},
    };
    for (const Sample& s : samples) {
        TextParams o = plainOptions(s.effect);
        o.shadow = s.shadow;
        o.threeD = s.threeD;
        o.direction = std::int16_t(s.direction);
        o.startAngle = std::int16_t(s.start);
        o.clockwise = s.clockwise;
        o.depth = std::int16_t(s.depth);
        o.shadowColor = makeColorRef(120, 120, 120);
        auto obj = makeText(s.text, {40, 40, 360, 360}, o, 20, makeColorRef(200, 30, 30));
        QVERIFY(obj);
        if (s.angle) {
            obj->RotatePoints(s.angle);
            obj->FitWindowToPoints();
        }
        const Bitmap image = merged(*obj, 400, 400);
        QVERIFY(pixelsOf(image, makeColorRef(200, 30, 30)).size() > 200);
        QVERIFY(image.image().save(dir + QStringLiteral("/%1.png").arg(QLatin1String(s.name))));
    }
}

QTEST_MAIN(TestTextObject)
#include "test_text_object.moc"
