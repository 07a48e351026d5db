// ardane-batch on layered files: the object count on the info line, objects
// merged into the converted image where the program would put them (with the
// profile's margin and draw mode), layered output without objects, and
// damaged layered input refused with nothing written.

#include "doc/LayeredFile.h"
#include "doc/SaveFormats.h"
#include "imaging/ImagingControl.h"
#include "objects/CTextObj.h"
#include "objects/ShapeObjects.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace ardane;
using namespace ardane::imaging;

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

// Runs the tool with its profile folder at `config` ($XDG_CONFIG_HOME), so
// that the profile of whoever runs the tests plays no part.
Run batch(const QStringList& args, const QString& config)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(ARDANE_BATCH), args);
    Run r;
    if (!p.waitForFinished(120000))
        return r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

void writeProfile(const QString& config, const QByteArray& text)
{
    QVERIFY(QDir().mkpath(config + QStringLiteral("/Ardane")));
    QFile f(config + QStringLiteral("/Ardane/Ardane.ini"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(text), text.size());
}

constexpr QRgb kBackground = qRgb(0x30, 0x60, 0x90);
constexpr int kW = 60, kH = 50;

Bitmap background()
{
    Bitmap b = Bitmap::create(kW, kH, 24);
    b.image().fill(kBackground);
    return b;
}

// A filled rectangle, red outline and green inside, whose window is the view
// box (30, 25) - (40, 35).
objects::ObjectPtr rectangleObject()
{
    PaintSettings s;
    s.penColor = makeColorRef(255, 0, 0);
    s.objectDefaults = ObjectParams{1, makeColorRef(0, 255, 0), 1};
    auto o = std::make_unique<objects::CRectObj>();
    o->CreateInView({30, 25, 40, 35}, s);
    return o;
}

QString writeAlf(const QString& path, objects::ObjectList objects)
{
    ImagingControl c;
    c.SetImageHandle(background());
    doc::LayeredFile file;
    return file.write(path, c, objects, doc::kBmpFormat, 24, -1) == result::Ok ? path : QString();
}

QString rectangleAlf(const QTemporaryDir& dir)
{
    objects::ObjectList list;
    list.push_back(rectangleObject());
    return writeAlf(dir.filePath(QStringLiteral("rect.alf")), std::move(list));
}

// Every pixel of `image` outside the box [l, r) x [t, b) is the background;
// inside, the outline runs along its edges and the rest is filled.
void checkRectangleAt(const Bitmap& image, int l, int t, int r, int b, QRgb outline, QRgb inside)
{
    QCOMPARE(image.width(), kW);
    QCOMPARE(image.height(), kH);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            if (x < l || x >= r || y < t || y >= b)
                QVERIFY2(image.pixelRgb(x, y) == kBackground, qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
    QCOMPARE(image.pixelRgb(l, (t + b) / 2), outline);
    QCOMPARE(image.pixelRgb((l + r) / 2, t), outline);
    QCOMPARE(image.pixelRgb(r - 1, b - 1), outline);
    QCOMPARE(image.pixelRgb(r - 1, t), outline);
    QCOMPARE(image.pixelRgb(l + 1, t + 1), inside);
    QCOMPARE(image.pixelRgb((l + r) / 2, (t + b) / 2), inside);
    QCOMPARE(image.pixelRgb(r - 2, b - 2), inside);
}

Bitmap loaded(const QString& path)
{
    ImagingControl c;
    if (c.LoadFile(path, 0, 0) != result::Ok)
        return {};
    return c.ImageHandle();
}

} // namespace

class TestBatchLayered : public QObject {
    Q_OBJECT
private slots:
    void helpDescribesLayeredFiles()
    {
        QTemporaryDir config;
        const Run r = batch({QStringLiteral("--help")}, config.path());
        QCOMPARE(r.status, 0);
        for (const char* words : {"drawing objects", "ALF 255", "VIEW_MARGIN", "MARGIN_OFFSET", "Draw_ROP2_Mode"})
            QVERIFY2(r.out.contains(QLatin1String(words)), words);
    }

    void infoCountsDrawingObjects()
    {
        QTemporaryDir dir, config;
        objects::ObjectList list;
        list.push_back(rectangleObject());
        PaintSettings s;
        auto ellipse = std::make_unique<objects::CEllipseObj>();
        ellipse->CreateInView({1, 2, 30, 20}, s);
        list.push_back(std::move(ellipse));
        auto text = std::make_unique<objects::CTextObj>();
        text->CreateInView({22, 22, 70, 50}, s);
        FontState font;
        font.pointSize = 12;
        font.faceName = QStringLiteral("DejaVu Sans");
        text->setupNew(100, font, s.textDefaults, 0);
        text->setText(QStringLiteral("Hello"));
        list.push_back(std::move(text));
        const QString alf = writeAlf(dir.filePath(QStringLiteral("three.alf")), std::move(list));
        QVERIFY(!alf.isEmpty());
        const Run r = batch({QStringLiteral("info"), alf}, config.path());
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out.trimmed(),
                 alf + QStringLiteral(": ALF (255), 60x50, 24 bits/pixel, compression None, 9000 bytes, 3 drawing objects"));

        // A record cut short: the error the program shows, status 1, the
        // other files still described.
        QFile f(alf);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        f.close();
        const QString cut = dir.filePath(QStringLiteral("cut.alf"));
        QFile c(cut);
        QVERIFY(c.open(QIODevice::WriteOnly));
        c.write(bytes.left(bytes.size() - 3));
        c.close();
        const Run bad = batch({QStringLiteral("info"), cut, alf}, config.path());
        QCOMPARE(bad.status, 1);
        QCOMPARE(bad.err.trimmed(), cut + QStringLiteral(": Error reading file"));
        QVERIFY(bad.out.startsWith(alf + QStringLiteral(": ALF (255)")));
    }

    void convertMergesObjectsWhereTheProgramShowsThem()
    {
        QTemporaryDir dir, config;
        const QString alf = rectangleAlf(dir);
        QVERIFY(!alf.isEmpty());
        const QRgb red = qRgb(255, 0, 0), green = qRgb(0, 255, 0);

        // No profile: the margin is shown, 20 pixels wide, and the view box
        // (30, 25) - (40, 35) lies over image pixels (10, 5) - (20, 15).
        const QString png = dir.filePath(QStringLiteral("out.png"));
        Run r = batch({QStringLiteral("convert"), alf, png}, config.path());
        QCOMPARE(r.status, 0);
        QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
        checkRectangleAt(loaded(png), 10, 5, 20, 15, red, green);

        // A profile that hides the margin: the view box is the image box.
        writeProfile(config.path(), "[GENERAL]\nVIEW_MARGIN=0\nMARGIN_OFFSET=20\n");
        r = batch({QStringLiteral("convert"), alf, png}, config.path());
        QCOMPARE(r.status, 0);
        checkRectangleAt(loaded(png), 30, 25, 40, 35, red, green);

        // A margin of 5, and exclusive-or as the draw mode (7): outline and
        // inside combine with the picture.
        writeProfile(config.path(), "[GENERAL]\nVIEW_MARGIN=1\nMARGIN_OFFSET=5\n[Preference]\nDraw_ROP2_Mode=7\n");
        r = batch({QStringLiteral("convert"), alf, png}, config.path());
        QCOMPARE(r.status, 0);
        checkRectangleAt(loaded(png), 25, 20, 35, 30, qRgb(0x30 ^ 255, 0x60, 0x90), qRgb(0x30, 0x60 ^ 255, 0x90));
    }

    void convertToLayeredWritesNoObjects()
    {
        QTemporaryDir dir, config;
        const QString alf = rectangleAlf(dir);
        QVERIFY(!alf.isEmpty());
        // From a layered file with an object to a layered file: the object
        // is in the pixels, the file holds none.
        const QString again = dir.filePath(QStringLiteral("again.ALF"));
        Run r = batch({QStringLiteral("convert"), alf, again}, config.path());
        QCOMPARE(r.status, 0);
        r = batch({QStringLiteral("info"), again}, config.path());
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out.trimmed(),
                 again + QStringLiteral(": ALF (255), 60x50, 24 bits/pixel, compression None, 9000 bytes, 0 drawing objects"));
        ImagingControl c;
        objects::ObjectList list;
        doc::LayeredFile file;
        QVERIFY(file.read(again, c, list));
        QVERIFY(list.empty());
        checkRectangleAt(c.ImageHandle(), 10, 5, 20, 15, qRgb(255, 0, 0), qRgb(0, 255, 0));

        // From a plain picture, named by --format 255 and at a depth asked for.
        const QString png = dir.filePath(QStringLiteral("plain.png"));
        ImagingControl plain;
        plain.SetImageHandle(background());
        QCOMPARE(plain.SaveFile(png, int(FileFormat::Png), 24, -1, false), result::Ok);
        const QString out = dir.filePath(QStringLiteral("plain.dat"));
        r = batch({QStringLiteral("convert"), png, out, QStringLiteral("--format"), QStringLiteral("255"),
                   QStringLiteral("--bits"), QStringLiteral("8")}, config.path());
        QCOMPARE(r.status, 0);
        QVERIFY(doc::isLayeredFile(out));
        r = batch({QStringLiteral("info"), out}, config.path());
        QCOMPARE(r.out.trimmed(),
                 out + QStringLiteral(": ALF (255), 60x50, 8 bits/pixel, compression None, 3000 bytes, 0 drawing objects"));
    }

    void damagedLayeredInputWritesNothing()
    {
        QTemporaryDir dir, config;
        const QString alf = rectangleAlf(dir);
        QFile f(alf);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QByteArray bytes = f.readAll();
        // The class name "CRectObj" becomes one no version knows.
        const qsizetype at = bytes.indexOf("CRectObj");
        QVERIFY(at > 0);
        bytes[at + 1] = 'X';
        QVERIFY(f.seek(0));
        QCOMPARE(f.write(bytes), bytes.size());
        f.close();
        for (const char* name : {"out.png", "out.alf"}) {
            const QString out = dir.filePath(QLatin1String(name));
            const Run r = batch({QStringLiteral("convert"), alf, out}, config.path());
            QCOMPARE(r.status, 1);
            QCOMPARE(r.err.trimmed(), alf + QStringLiteral(": Error reading file"));
            QVERIFY(!QFileInfo::exists(out));
        }
    }
};

QTEST_MAIN(TestBatchLayered)
#include "test_batch_layered.moc"
