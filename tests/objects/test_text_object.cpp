// Text objects: the pixels of straight, curved, shadowed and extruded text
// merged into an image, on the screen at a zoom and through the keyed
// scratch of a mix mode.

#include "TextTestSupport.h"

#include <QtTest>

class TestTextObject : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
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
