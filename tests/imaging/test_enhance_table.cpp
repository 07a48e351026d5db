// The table of enhancement operations: list texts, ranges, starting
// positions and the inputs each operation takes, as the dialog shows them.

#include "imaging/EnhanceTable.h"
#include "imaging/ops/AreaEffects.h"

#include <QtTest>

using namespace ardane;

class TestEnhanceTable : public QObject {
    Q_OBJECT
private slots:
    void startingPositionsAndRanges();
    void inputsPerOperation();
    void embossListToCompassCodes();
};

void TestEnhanceTable::startingPositionsAndRanges()
{
    const auto rec = [](EnhanceOp op) { return *enhanceRecord(static_cast<int>(op)); };
    QCOMPARE(rec(EnhanceOp::Posterize).start(), 33);
    QCOMPARE(rec(EnhanceOp::Hue).start(), 180);
    QCOMPARE(rec(EnhanceOp::GammaCorrect).start(), 235);
    QCOMPARE(rec(EnhanceOp::AddNoise).start(), 500);
    QCOMPARE(rec(EnhanceOp::Shear).start(), 22);
    for (EnhanceOp op : {EnhanceOp::Contrast, EnhanceOp::HistogramContrast, EnhanceOp::Intensity, EnhanceOp::Saturation,
                         EnhanceOp::Sharpen})
        QCOMPARE(rec(op).start(), -1000);
    for (EnhanceOp op : {EnhanceOp::Average, EnhanceOp::Grayscale, EnhanceOp::Invert, EnhanceOp::Median,
                         EnhanceOp::Mosaic})
        QVERIFY(!rec(op).hasSlider());
    QVERIFY(rec(EnhanceOp::Contrast).accepts(-120));
    QVERIFY(!rec(EnhanceOp::Contrast).accepts(2000));
    QVERIFY(!enhanceRecord(16));
    QVERIFY(!enhanceRecord(-1));
    QCOMPARE(QString::fromUtf8(rec(EnhanceOp::Median).text.data(), qsizetype(rec(EnhanceOp::Median).text.size())),
             QStringLiteral("Median(Noice Reduction)"));
}

void TestEnhanceTable::inputsPerOperation()
{
    int sizes = 0;
    for (const EnhanceRecord& r : kEnhanceOps) {
        if (r.inputs & kUsesSize) {
            ++sizes;
            QVERIFY(!r.hasSlider()); // the Size box replaces the slider
        }
        QCOMPARE(bool(r.inputs & kUsesChannel), r.op == EnhanceOp::AddNoise);
        QCOMPARE(bool(r.inputs & kUsesDirection), r.op == EnhanceOp::Emboss);
        QCOMPARE(bool(r.inputs & kUsesHorizontal), r.op == EnhanceOp::Shear);
    }
    QCOMPARE(sizes, 3);
}

void TestEnhanceTable::embossListToCompassCodes()
{
    // North, North East, North West, South, South East, South West, East, West.
    const int expected[8] = {0, 1, 7, 4, 3, 5, 2, 6};
    for (int i = 0; i < 8; ++i)
        QCOMPARE(embossDirectionCode(i), expected[i]);
    QCOMPARE(embossDirectionCode(7), int(imaging::ops::EmbossDirection::West));
    QCOMPARE(embossDirectionCode(2), int(imaging::ops::EmbossDirection::NorthWest));
}

QTEST_MAIN(TestEnhanceTable)
#include "test_enhance_table.moc"
