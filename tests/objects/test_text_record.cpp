// Text objects: the font and object records byte for byte, damaged records
// refused, the setup and editing of a text box, and line wrapping.

#include "TextTestSupport.h"

#include <QtTest>

class TestTextRecord : public QObject {
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
};

void TestTextRecord::initTestCase()
{
    setScreenResolution(96);
    QFont f(QStringLiteral("DejaVu Sans"));
    if (QFontInfo(f).family() != QStringLiteral("DejaVu Sans"))
        QFAIL("DejaVu Sans is not installed (Debian package fonts-dejavu-core)");
}

void TestTextRecord::fontRecordBytes()
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

void TestTextRecord::recordRoundTrip()
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

void TestTextRecord::textEncodings()
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

void TestTextRecord::damagedRecordsAreRefused()
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

void TestTextRecord::setupGrowsSmallBoxes()
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

void TestTextRecord::editingEnds()
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

void TestTextRecord::wrapping()
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

QTEST_MAIN(TestTextRecord)
#include "test_text_record.moc"
