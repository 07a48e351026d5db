// The font boxes of the main toolbar: sizes typed in points and kept in
// twips, the "Invalid font size" refusal, the size list of a face, and the
// font-name list with its script labels and kind glyphs.

#include "palettes/CFontNameCombo.h"
#include "palettes/CFontSizeCombo.h"
#include "palettes/FontSize.h"

#include <QAbstractItemDelegate>
#include <QApplication>
#include <QFontDatabase>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QSet>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QVBoxLayout>

using namespace ardane;

namespace {

QList<FontEntry> sampleFonts()
{
    return {
        {QStringLiteral("Gamma"), QStringLiteral("Latin"), 0, 0x02, fontkind::TrueType},
        {QStringLiteral("Alpha"), QStringLiteral("Latin"), 0, 0x02, fontkind::TrueType},
        {QStringLiteral("beta"), QStringLiteral("Latin"), 0, 0x31, fontkind::Other},
        {QStringLiteral("Alpha"), QStringLiteral("Greek"), 161, 0x02, fontkind::TrueType},
        {QStringLiteral("Printer Face"), QString(), 1, 0x02, fontkind::Device},
    };
}

// Dark pixels in the glyph column (left of the text) of a painted item.
int glyphInk(CFontNameCombo& combo, int row)
{
    QImage image(200, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    QStyleOptionViewItem option;
    option.rect = image.rect();
    option.palette.setColor(QPalette::Base, Qt::white);
    option.palette.setColor(QPalette::Text, Qt::black);
    option.state = QStyle::State_Enabled;
    QPainter painter(&image);
    combo.itemDelegate()->paint(&painter, option, combo.model()->index(row, 0));
    painter.end();
    int ink = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < CFontNameCombo::kGlyphWidth; ++x)
            ink += qGray(image.pixel(x, y)) < 160;
    return ink;
}

} // namespace

class TestFontControls : public QObject {
    Q_OBJECT

private slots:
    void parseSizes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("twips");
        QTest::newRow("10.5") << "10.5" << 210;
        QTest::newRow("11") << "11" << 220;
        QTest::newRow("10.25") << "10.25" << 205;
        QTest::newRow("0.5") << "0.5" << 10;
        QTest::newRow("1") << "1" << 20;
        QTest::newRow("1638") << "1638" << 32760;
        QTest::newRow("1639") << "1639" << 32780;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("blanks only") << " \t " << -1;
        QTest::newRow("blanks around") << "\t 12 \t" << 240;
        QTest::newRow("no leading digit") << ".5" << 10;
        QTest::newRow("negative") << "-3" << 0;
        QTest::newRow("unit after") << "12pt" << -2;
        QTest::newRow("letters") << "abc" << -2;
        QTest::newRow("comma") << "10,5" << -2;
        QTest::newRow("inner blank") << "1 2" << -2;
        QTest::newRow("huge") << "99999999999" << 1'000'000'000;
    }
    void parseSizes()
    {
        QFETCH(QString, text);
        QFETCH(int, twips);
        QCOMPARE(parseFontSize(text.toStdString()), twips);
    }

    void formatSizes_data()
    {
        QTest::addColumn<int>("twips");
        QTest::addColumn<QString>("text");
        QTest::newRow("210") << 210 << "10.5";
        QTest::newRow("220") << 220 << "11";
        QTest::newRow("205 rounds up to a half point") << 205 << "10.5";
        QTest::newRow("204 rounds down") << 204 << "10";
        QTest::newRow("10") << 10 << "0.5";
        QTest::newRow("32760") << 32760 << "1638";
        QTest::newRow("0") << 0 << "0";
        QTest::newRow("no size") << -1 << "";
    }
    void formatSizes()
    {
        QFETCH(int, twips);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(formatFontSize(twips)), text);
    }

    void acceptableSizes()
    {
        for (int ok : {-1, 20, 210, 32760})
            QVERIFY2(isAcceptableFontSize(ok), qPrintable(QString::number(ok)));
        for (int bad : {-2, 0, 10, 19, 32761, 32780})
            QVERIFY2(!isAcceptableFontSize(bad), qPrintable(QString::number(bad)));
    }

    void validateRefusesAndRestores()
    {
        CFontSizeCombo combo;
        QStringList messages;
        combo.setMessageSink([&](const QString& m) { messages << m; });
        QCOMPARE(combo.currentText(), QStringLiteral("10"));
        QCOMPARE(combo.lineEdit()->maxLength(), 4);

        combo.setEditText(QStringLiteral("10.5"));
        combo.validate();
        QCOMPARE(combo.lastValidTwips(), 210);
        QCOMPARE(combo.currentText(), QStringLiteral("10.5"));
        QVERIFY(messages.isEmpty());

        combo.setEditText(QStringLiteral("0.5"));
        combo.validate();
        QCOMPARE(messages, QStringList{QStringLiteral("Invalid font size")});
        QCOMPARE(combo.currentText(), QStringLiteral("10.5"));
        QCOMPARE(combo.lastValidTwips(), 210);

        combo.setEditText(QStringLiteral("1"));
        combo.validate();
        QCOMPARE(combo.lastValidTwips(), 20);
        combo.setEditText(QStringLiteral("1638"));
        combo.validate();
        QCOMPARE(combo.lastValidTwips(), 32760);
        QCOMPARE(messages.size(), 1);

        combo.setEditText(QStringLiteral("1639"));
        combo.validate();
        QCOMPARE(messages.size(), 2);
        QCOMPARE(combo.currentText(), QStringLiteral("1638"));

        combo.setEditText(QStringLiteral("x"));
        combo.validate();
        QCOMPARE(messages.size(), 3);
        QCOMPARE(combo.currentText(), QStringLiteral("1638"));

        combo.setEditText(QString());
        combo.validate();
        QCOMPARE(messages.size(), 3);
        QCOMPARE(combo.lastValidTwips(), -1);
        QCOMPARE(combo.currentText(), QString());
    }

    void setTwipsShowsTheSizeRounded()
    {
        CFontSizeCombo combo;
        combo.setTwips(205);
        QCOMPARE(combo.currentText(), QStringLiteral("10.5"));
        QCOMPARE(combo.lastValidTwips(), 205);
        combo.setEditText(QStringLiteral("11.0"));
        combo.setTwips(220); // the text already means 220: left as typed
        QCOMPARE(combo.currentText(), QStringLiteral("11.0"));
    }

    void leavingTheBoxValidates()
    {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* combo = new CFontSizeCombo(&window);
        auto* other = new QLineEdit(&window);
        layout->addWidget(combo);
        layout->addWidget(other);
        QStringList messages;
        combo->setMessageSink([&](const QString& m) { messages << m; });
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));

        combo->setFocus();
        QTRY_VERIFY(combo->hasFocus());
        combo->lineEdit()->selectAll();
        QTest::keyClicks(combo->lineEdit(), QStringLiteral("0.5"));
        QCOMPARE(combo->currentText(), QStringLiteral("0.5"));
        other->setFocus();
        QTRY_COMPARE(messages, QStringList{QStringLiteral("Invalid font size")});
        QCOMPARE(combo->currentText(), QStringLiteral("10"));
    }

    void scalableFaceOffersTheUsualSizes()
    {
        const QStringList families = QFontDatabase::families();
        const auto scalable = std::find_if(families.begin(), families.end(),
                                           [](const QString& f) { return QFontDatabase::isScalable(f); });
        if (scalable == families.end())
            QSKIP("no scalable font installed");

        CFontSizeCombo combo;
        QStringList messages;
        combo.setMessageSink([&](const QString& m) { messages << m; });
        combo.setEditText(QStringLiteral("0.5")); // out of range: restored quietly
        combo.fillSizes(*scalable);
        QCOMPARE(combo.count(), 16);
        QCOMPARE(combo.itemText(0), QStringLiteral("8"));
        QCOMPARE(combo.itemText(15), QStringLiteral("72"));
        QVERIFY(messages.isEmpty());
        QCOMPARE(combo.currentText(), QStringLiteral("10"));

        combo.setEditText(QStringLiteral("big")); // not a number: refused aloud
        combo.fillSizes(*scalable);
        QCOMPARE(messages, QStringList{QStringLiteral("Invalid font size")});
        QCOMPARE(combo.currentText(), QStringLiteral("10"));

        combo.fillSizes(QString());
        QCOMPARE(combo.count(), 0);
    }

    void faceInSeveralScriptsIsListedPerScript()
    {
        const QList<FontListItem> items = fontListItems(sampleFonts());
        QStringList labels;
        for (const FontListItem& item : items)
            labels << item.label;
        QCOMPARE(labels, (QStringList{"Alpha (Greek)", "Alpha (Latin)", "beta", "Gamma", "Printer Face"}));
        QCOMPARE(items[0].entry.charSet, quint8(161));
        QCOMPARE(items[0].entry.face, QStringLiteral("Alpha"));
    }

    void nameComboSelectsByPrefixAndKeepsItsText()
    {
        CFontNameCombo combo;
        combo.fill(sampleFonts());
        QCOMPARE(combo.count(), 5);
        QVERIFY(combo.selectStartingWith(QStringLiteral("gam")));
        QCOMPARE(combo.currentText(), QStringLiteral("Gamma"));
        QCOMPARE(combo.currentEntry()->pitchAndFamily, quint8(0x02));

        combo.fill(sampleFonts()); // refilling keeps the face shown
        QCOMPARE(combo.currentText(), QStringLiteral("Gamma"));

        QVERIFY(!combo.selectStartingWith(QStringLiteral("Zeta")));
        QCOMPARE(combo.currentIndex(), -1);
        QCOMPARE(combo.shownText(), QStringLiteral("Zeta"));
        QCOMPARE(combo.currentEntry(), nullptr);
    }

    void itemsShowTheGlyphOfTheirKind()
    {
        CFontNameCombo combo;
        combo.fill(sampleFonts());
        QVERIFY(glyphInk(combo, 0) > 8);  // Alpha: a scalable font
        QCOMPARE(glyphInk(combo, 2), 0);  // beta: neither kind, no glyph
        QVERIFY(glyphInk(combo, 4) > 8);  // Printer Face: a device font
    }

    void systemFontsAreListed()
    {
        const QList<FontEntry> entries = systemFontEntries();
        if (QFontDatabase::families().isEmpty())
            QSKIP("no fonts installed");
        QVERIFY(!entries.isEmpty());
        // Every family appears under its face name, with one entry per
        // writing system it supports, however many foundries install it.
        const QString family = QFontDatabase::families().first();
        const auto count = std::count_if(entries.begin(), entries.end(),
                                         [&](const FontEntry& e) { return e.face == faceNameOf(family); });
        QCOMPARE(count, std::max<qsizetype>(1, QFontDatabase::writingSystems(family).size()));
        QSet<QString> seen;
        for (const FontEntry& e : entries) {
            QVERIFY2(!e.face.endsWith(QLatin1Char(']')), qPrintable(e.face));
            const QString key = e.face + QLatin1Char('/') + e.script;
            QVERIFY2(!seen.contains(key), qPrintable(key));
            seen.insert(key);
        }
    }

    void foundryIsNotPartOfTheFace()
    {
        QCOMPARE(faceNameOf(QStringLiteral("C059 [UKWN]")), QStringLiteral("C059"));
        QCOMPARE(faceNameOf(QStringLiteral("Noto Sans [GOOG]")), QStringLiteral("Noto Sans"));
        QCOMPARE(faceNameOf(QStringLiteral("DejaVu Sans")), QStringLiteral("DejaVu Sans"));
        QCOMPARE(faceNameOf(QStringLiteral("Odd [Name] Font")), QStringLiteral("Odd [Name] Font"));
        QCOMPARE(faceNameOf(QStringLiteral("[x]")), QStringLiteral("[x]"));
    }
};

QTEST_MAIN(TestFontControls)
#include "test_font_controls.moc"
