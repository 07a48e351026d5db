// The selection, the clipboard buffer and the edit operations behind Copy,
// Cut, Fill Inside, Trim, Flip and Undo: pixels compared exactly at 8 and
// 24 bits, and memory failures forced in a child process.

#include "FakeUi.h"
#include "core/StringTable.h"
#include "raster/Canvas.h"
#include "view/ClipboardBuffer.h"
#include "view/ImageEditor.h"
#include "view/Selection.h"

#include <QtTest>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>

using namespace ardane;
using ardane::imaging::Bitmap;
using ardane::imaging::ImagingControl;

namespace {

// A picture in which neighbouring pixels differ, so that a pixel out of place shows.
Bitmap patterned(int width, int height, int bits)
{
    Bitmap b = Bitmap::create(width, height, bits);
    QImage& image = b.image();
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            if (bits == 8) {
                row[x] = uchar((x * 7 + y * 13 + 1) & 0xFF);
            } else {
                row[3 * x] = uchar(x * 5 + y * 3);
                row[3 * x + 1] = uchar(x * 11 + 7);
                row[3 * x + 2] = uchar(y * 9 + x * x);
            }
        }
    }
    return b;
}

// The stored value of a pixel: the palette index at 8 bits, the colour above.
quint32 raw(const Bitmap& b, int x, int y)
{
    if (b.bitsPerPixel() == 8)
        return b.image().constScanLine(y)[x];
    return b.pixelRgb(x, y) & 0xFFFFFFu;
}

// The stored value of a colour: tests use greys at 8 bits, whose palette
// index is the grey level.
quint32 rawOf(int bits, ColorRef c)
{
    return bits == 8 ? quint32(colorRefRed(c)) : (imaging::colorRefToRgb(c) & 0xFFFFFFu);
}

Bitmap deepCopy(const Bitmap& b)
{
    Bitmap copy = b;
    copy.image() = b.image().copy();
    return copy;
}

Selection rectangle(int left, int top, int right, int bottom, int shape = kSelectRect)
{
    Selection s;
    s.shape = shape;
    s.points = {Selection::pack(left, top), Selection::pack(right, top), Selection::pack(right, bottom),
                Selection::pack(left, bottom)};
    return s;
}

Selection freehand(std::initializer_list<QPoint> points)
{
    Selection s;
    s.shape = kSelectFreehand;
    for (const QPoint& p : points)
        s.points.push_back(Selection::pack(p.x(), p.y()));
    return s;
}

struct Fixture {
    ImagingControl display;
    ImagingControl work;
    test::FakeUi ui;
    ImageEditor editor{display, work, ui};
    ClipboardBuffer buffer;
    Bitmap original;

    Fixture(int width, int height, int bits)
    {
        original = patterned(width, height, bits);
        display.SetImageHandle(original);
    }
    const Bitmap& image() const { return display.ImageHandle(); }
};

const QString kNoMemory = QStringLiteral("Insufficient memory!");

void addDepths()
{
    QTest::addColumn<int>("bits");
    QTest::newRow("8 bits") << 8;
    QTest::newRow("24 bits") << 24;
}

} // namespace

class TestImageEditor : public QObject {
    Q_OBJECT
private slots:
    void selectionPointsAndBounds();
    void windowIdsComeFromOneCounter();
    void copyWithoutSelectionTakesWholeImage_data() { addDepths(); }
    void copyWithoutSelectionTakesWholeImage();
    void copyOfRectangleCropsAndKeepsOutline_data() { addDepths(); }
    void copyOfRectangleCropsAndKeepsOutline();
    void undoRestoresOnlyTheLastEdit();
    void prepareUndoCopiesThePixelsOnce();
    void trimOfEllipseKeepsInsideAndFillsCorners_data() { addDepths(); }
    void trimOfEllipseKeepsInsideAndFillsCorners();
    void flipInsideTriangleMirrorsOnlyInside_data() { addDepths(); }
    void flipInsideTriangleMirrorsOnlyInside();
    void flipWithoutSelectionIsWholeImageFlip_data() { addDepths(); }
    void flipWithoutSelectionIsWholeImageFlip();
    void copyBackThroughEllipseByMode_data() { addDepths(); }
    void copyBackThroughEllipseByMode();
    void cutCopiesThenFillsInsideWithBackground_data() { addDepths(); }
    void cutCopiesThenFillsInsideWithBackground();
    void cutAndTrimNeedASelection();
    void memoryFailuresChangeNothing();
};

void TestImageEditor::selectionPointsAndBounds()
{
    // Signed 16-bit halves survive packing, also negative ones.
    for (const QPoint p : {QPoint(0, 0), QPoint(-1, 5), QPoint(300, -2), QPoint(-32768, 32767)})
        QCOMPARE(Selection::unpack(Selection::pack(p.x(), p.y())), p);
    QCOMPARE(Selection::pack(3, 2), 0x00020003u);
    QCOMPARE(Selection::pack(-1, 1), 0x0001FFFFu);

    Selection s = freehand({QPoint(10, 4), QPoint(2, 9), QPoint(7, -3)});
    QVERIFY(s.exists());
    // Right and bottom are the largest coordinates; width and height their distances.
    QCOMPARE(s.bounds(), QRect(QPoint(2, -3), QSize(8, 12)));
    s.translate(5, 3);
    QCOMPARE(s.bounds(), QRect(QPoint(7, 0), QSize(8, 12)));
    QCOMPARE(Selection::unpack(s.points[1]), QPoint(7, 12));

    s.points.pop_back();
    QVERIFY(!s.exists()); // two points are not a selection
    s.clear();
    QVERIFY(s.points.empty());
    QCOMPARE(s.bounds(), QRect());

    // A rectangle's region covers the bounds, right and bottom exclusive.
    const raster::Region r = rectangle(2, 3, 6, 5).region();
    QCOMPARE(r.bounds(), QRect(2, 3, 4, 2));
    QCOMPARE(r.pixelCount(), 8LL);
}

void TestImageEditor::windowIdsComeFromOneCounter()
{
    const int first = ClipboardBuffer::nextWindowId();
    ClipboardBuffer a;
    const int id = a.controlId();
    QCOMPARE(id, first + 1);
    QCOMPARE(a.controlId(), id); // taken once
    QCOMPARE(ClipboardBuffer::nextWindowId(), first + 2);
    QVERIFY(!a.hasImage());
}

void TestImageEditor::copyWithoutSelectionTakesWholeImage()
{
    QFETCH(int, bits);
    Fixture f(23, 17, bits);
    const Bitmap expected = deepCopy(f.original);

    // No points, and two points (not yet a selection): both copy everything.
    for (int n : {0, 2}) {
        Selection selection;
        selection.shape = kSelectFreehand;
        for (int i = 0; i < n; ++i)
            selection.points.push_back(Selection::pack(3 + i, 4 + i));
        const Selection before = selection;
        ClipboardBuffer buffer;
        QVERIFY(f.editor.copy(selection, buffer));
        QVERIFY(buffer.hasImage());
        QCOMPARE(buffer.control().ImageHandle(), expected);
        // The crop in the work control was the one copy; the buffer shares it.
        QCOMPARE(buffer.control().ImageHandle().image().constBits(), f.work.ImageHandle().image().constBits());
        QCOMPARE(buffer.shape(), int(kSelectRect));
        const ClipboardBuffer::Outline corners{{0, 0}, {23, 0}, {23, 17}, {0, 17}};
        QCOMPARE(buffer.outline(), corners);
        // The caller's selection is left as it was: none was made up.
        QCOMPARE(selection.points, before.points);
        QCOMPARE(selection.shape, before.shape);
        QCOMPARE(f.image(), expected);
        QVERIFY(!f.editor.hasUndo());
    }
    QVERIFY(f.ui.messages.empty());
}

void TestImageEditor::copyOfRectangleCropsAndKeepsOutline()
{
    QFETCH(int, bits);
    Fixture f(30, 20, bits);
    const Selection selection = rectangle(3, 2, 11, 9);
    QVERIFY(f.editor.copy(selection, f.buffer));
    const Bitmap& copied = f.buffer.control().ImageHandle();
    QCOMPARE(copied.bitsPerPixel(), bits);
    QCOMPARE(copied.width(), 8);
    QCOMPARE(copied.height(), 7);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 8; ++x)
            QCOMPARE(raw(copied, x, y), raw(f.original, x + 3, y + 2));
    if (bits == 8)
        QCOMPARE(copied.palette(), f.original.palette());
    const ClipboardBuffer::Outline outline{{0, 0}, {8, 0}, {8, 7}, {0, 7}};
    QCOMPARE(f.buffer.outline(), outline);
    QCOMPARE(f.buffer.shape(), int(kSelectRect));
    QCOMPARE(f.image(), f.original);

    // A free-hand outline reaching past the left edge: the part inside the
    // image is copied and the outline is relative to that part's corner.
    const Selection past = freehand({QPoint(-4, 5), QPoint(6, 3), QPoint(2, 12)});
    QVERIFY(f.editor.copy(past, f.buffer));
    const Bitmap& clipped = f.buffer.control().ImageHandle();
    QCOMPARE(clipped.width(), 6);
    QCOMPARE(clipped.height(), 9);
    QCOMPARE(raw(clipped, 0, 0), raw(f.original, 0, 3));
    QCOMPARE(raw(clipped, 5, 8), raw(f.original, 5, 11));
    const ClipboardBuffer::Outline relative{{-4, 2}, {6, 0}, {2, 9}};
    QCOMPARE(f.buffer.outline(), relative);
    QCOMPARE(f.buffer.shape(), int(kSelectFreehand));
    QVERIFY(f.ui.messages.empty());
}

void TestImageEditor::undoRestoresOnlyTheLastEdit()
{
    Fixture f(16, 12, 24);
    const Bitmap first = deepCopy(f.original);
    QVERIFY(!f.editor.undo()); // nothing kept yet

    QVERIFY(f.editor.fillInside(rectangle(1, 1, 5, 5), makeColorRef(255, 0, 0)));
    const Bitmap afterFirst = deepCopy(f.image());
    QVERIFY(!(afterFirst == first));
    QVERIFY(f.editor.flip(true, Selection(), raster::R2_COPYPEN));
    QVERIFY(!(f.image() == afterFirst));
    QVERIFY(f.editor.hasUndo());

    QVERIFY(f.editor.undo());
    QCOMPARE(f.image(), afterFirst); // the state before the flip, not the original
    QVERIFY(!f.editor.hasUndo());
    QVERIFY(!f.editor.undo()); // one level only
    QCOMPARE(f.image(), afterFirst);

    QVERIFY(f.editor.prepareUndo());
    f.editor.dropUndo();
    QVERIFY(!f.editor.undo());
    QVERIFY(f.ui.messages.empty());
}

void TestImageEditor::prepareUndoCopiesThePixelsOnce()
{
    Fixture f(64, 48, 24);
    const uchar* pixels = f.image().image().constBits();
    f.original = Bitmap(); // the display is the only holder now
    QVERIFY(f.editor.prepareUndo());
    // The undo image keeps the old pixels; the display has just been given its own.
    QCOMPARE(f.editor.undoImage().image().constBits(), pixels);
    QVERIFY(f.image().image().constBits() != pixels);
    QVERIFY(f.image().image().isDetached());
    QCOMPARE(f.image(), f.editor.undoImage());

    // Without an image nothing is kept and nothing is said.
    ImagingControl empty, work;
    test::FakeUi ui;
    ImageEditor editor(empty, work, ui);
    QVERIFY(!editor.prepareUndo());
    QVERIFY(!editor.hasUndo());
    QVERIFY(ui.messages.empty());
}

void TestImageEditor::trimOfEllipseKeepsInsideAndFillsCorners()
{
    QFETCH(int, bits);
    Fixture f(40, 30, bits);
    const ColorRef background = bits == 8 ? makeColorRef(0x40, 0x40, 0x40) : makeColorRef(10, 200, 30);
    const Selection ellipse = rectangle(5, 4, 25, 20, kSelectEllipse);
    const raster::Region inside = ellipse.region();

    QVERIFY(f.editor.trim(ellipse, background));
    const Bitmap& trimmed = f.image();
    QCOMPARE(trimmed.width(), 20);
    QCOMPARE(trimmed.height(), 16);
    QCOMPARE(trimmed.bitsPerPixel(), bits);
    const quint32 bg = rawOf(bits, background);
    for (const QPoint c : {QPoint(0, 0), QPoint(19, 0), QPoint(0, 15), QPoint(19, 15)})
        QCOMPARE(raw(trimmed, c.x(), c.y()), bg);
    QCOMPARE(raw(trimmed, 10, 8), raw(f.original, 15, 12));
    int kept = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 20; ++x) {
            const bool in = inside.contains(x + 5, y + 4);
            QCOMPARE(raw(trimmed, x, y), in ? raw(f.original, x + 5, y + 4) : bg);
            kept += in;
        }
    }
    // An ellipse inscribed in 20 x 16 covers about pi/4 of the box.
    QVERIFY2(kept > 220 && kept < 280, qPrintable(QString::number(kept)));

    QVERIFY(f.editor.undo());
    QCOMPARE(f.image(), f.original);
    QVERIFY(f.ui.messages.empty());
}

void TestImageEditor::flipInsideTriangleMirrorsOnlyInside()
{
    QFETCH(int, bits);
    for (const bool horizontal : {true, false}) {
        Fixture f(32, 28, bits);
        // Box (4, 3) .. (24, 21): 20 x 18.
        const Selection triangle = freehand({QPoint(4, 3), QPoint(24, 8), QPoint(9, 21)});
        const raster::Region inside = triangle.region();
        QVERIFY(f.editor.flip(horizontal, triangle, raster::R2_COPYPEN));
        int mirrored = 0;
        for (int y = 0; y < 28; ++y) {
            for (int x = 0; x < 32; ++x) {
                if (inside.contains(x, y)) {
                    const int mx = horizontal ? 4 + (19 - (x - 4)) : x;
                    const int my = horizontal ? y : 3 + (17 - (y - 3));
                    QCOMPARE(raw(f.image(), x, y), raw(f.original, mx, my));
                    ++mirrored;
                } else {
                    QCOMPARE(raw(f.image(), x, y), raw(f.original, x, y));
                }
            }
        }
        // Half of the box, give or take the edges.
        QVERIFY2(mirrored > 130 && mirrored < 230, qPrintable(QString::number(mirrored)));
        // A point well inside moved; a point of the box well outside did not.
        QVERIFY(raw(f.image(), 12, 10) != raw(f.original, 12, 10));
        QCOMPARE(raw(f.image(), 22, 19), raw(f.original, 22, 19));
        QVERIFY(f.editor.undo());
        QCOMPARE(f.image(), f.original);
    }
}

void TestImageEditor::flipWithoutSelectionIsWholeImageFlip()
{
    QFETCH(int, bits);
    for (const bool horizontal : {true, false}) {
        Fixture f(21, 13, bits);
        ImagingControl reference;
        reference.SetImageHandle(f.original);
        QCOMPARE(horizontal ? reference.FlipHorizontal() : reference.FlipVertical(), imaging::result::Ok);
        QVERIFY(f.editor.flip(horizontal, Selection(), raster::R2_XORPEN)); // the mode plays no part here
        QCOMPARE(f.image(), reference.ImageHandle());
        QCOMPARE(raw(f.image(), 0, 0), horizontal ? raw(f.original, 20, 0) : raw(f.original, 0, 12));
        QVERIFY(f.editor.undo());
        QCOMPARE(f.image(), f.original);
    }
}

void TestImageEditor::copyBackThroughEllipseByMode()
{
    // At 8 bits the palette is a grey ramp: the exclusive-or of two greys is
    // the grey of the exclusive-or of their indices.
    QFETCH(int, bits);
    for (const int mode : {int(raster::R2_COPYPEN), int(raster::R2_XORPEN)}) {
        Fixture f(30, 24, bits);
        ImagingControl source;
        source.SetImageHandle(patterned(14, 10, bits));
        QCOMPARE(source.FlipVertical(), imaging::result::Ok); // differs from the target everywhere
        const Selection ellipse = rectangle(6, 5, 20, 15, kSelectEllipse);
        const raster::Region inside = ellipse.region();
        const QRect repaint = f.editor.copyBack(ellipse, 6, 5, mode, source, f.display);
        QCOMPARE(repaint, QRect(4, 3, 18, 14));
        int changed = 0;
        for (int y = 0; y < 24; ++y) {
            for (int x = 0; x < 30; ++x) {
                const quint32 was = raw(f.original, x, y);
                quint32 expected = was;
                if (inside.contains(x, y)) {
                    const quint32 src = raw(source.ImageHandle(), x - 6, y - 5);
                    expected = mode == raster::R2_COPYPEN ? src : (src ^ was);
                }
                QCOMPARE(raw(f.image(), x, y), expected);
                changed += raw(f.image(), x, y) != was;
            }
        }
        QVERIFY(changed > 80);
    }

    // The corner need not be the box's: the source lands where it is told,
    // still clipped to the region.
    if (bits != 24)
        return;
    Fixture f(30, 24, 24);
    ImagingControl source;
    QVERIFY(source.CreateImage(10, 10, 24) == imaging::result::Ok);
    QVERIFY(source.FillImage(makeColorRef(1, 2, 3)) == imaging::result::Ok);
    const QRect repaint = f.editor.copyBack(rectangle(0, 0, 8, 8), 5, 5, raster::R2_COPYPEN, source, f.display);
    QCOMPARE(repaint, QRect(3, 3, 14, 14));
    QCOMPARE(raw(f.image(), 5, 5), 0x010203u);
    QCOMPARE(raw(f.image(), 7, 7), 0x010203u);
    QCOMPARE(raw(f.image(), 8, 7), raw(f.original, 8, 7));
    QCOMPARE(raw(f.image(), 4, 5), raw(f.original, 4, 5));
    QVERIFY(f.ui.messages.empty());
}

void TestImageEditor::cutCopiesThenFillsInsideWithBackground()
{
    QFETCH(int, bits);
    Fixture f(26, 22, bits);
    const ColorRef background = bits == 8 ? makeColorRef(0xC8, 0xC8, 0xC8) : makeColorRef(250, 240, 5);
    const Selection ellipse = rectangle(4, 6, 18, 20, kSelectEllipse);
    const raster::Region inside = ellipse.region();
    QVERIFY(f.editor.cut(ellipse, f.buffer, background));

    // The buffer has the pixels from before the fill.
    const Bitmap& copied = f.buffer.control().ImageHandle();
    QCOMPARE(copied.width(), 14);
    QCOMPARE(copied.height(), 14);
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 14; ++x)
            QCOMPARE(raw(copied, x, y), raw(f.original, x + 4, y + 6));
    QCOMPARE(f.buffer.shape(), int(kSelectEllipse));
    QVERIFY(f.buffer.hasImage());

    const quint32 bg = rawOf(bits, background);
    for (int y = 0; y < 22; ++y)
        for (int x = 0; x < 26; ++x)
            QCOMPARE(raw(f.image(), x, y), inside.contains(x, y) ? bg : raw(f.original, x, y));
    QCOMPARE(raw(f.image(), 11, 13), bg);
    QVERIFY(f.editor.undo());
    QCOMPARE(f.image(), f.original);
    QVERIFY(f.ui.messages.empty());
}

void TestImageEditor::cutAndTrimNeedASelection()
{
    Fixture f(10, 10, 24);
    Selection two;
    two.points = {Selection::pack(1, 1), Selection::pack(5, 5)};
    QVERIFY(!f.editor.cut(two, f.buffer, 0));
    QVERIFY(!f.editor.trim(two, 0));
    QVERIFY(!f.editor.fillInside(two, 0));
    QVERIFY(!f.buffer.hasImage());
    QVERIFY(!f.editor.hasUndo());
    QCOMPARE(f.image(), f.original);
    QVERIFY(f.ui.messages.empty());
}

namespace {

// Runs `body` in a child process whose address space may grow by only
// `headroom` bytes beyond what it uses at the start; the child's exit code is
// the number of the first failed check (0 when all held).
int runWithLittleMemory(std::int64_t headroom, const std::function<int()>& body)
{
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        long pages = 0;
        std::ifstream statm("/proc/self/statm");
        statm >> pages;
        const rlim_t limit = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + rlim_t(headroom);
        const rlimit r{limit, limit};
        if (pages <= 0 || setrlimit(RLIMIT_AS, &r) != 0)
            _exit(100);
        _exit(body());
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return -2;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 200 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

} // namespace

void TestImageEditor::memoryFailuresChangeNothing()
{
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("the address sanitizer reserves more address space than any limit would leave");
#endif
    // 3000 x 2000 at 24 bits is 18 MB; the child may take 6 MB more, enough
    // for small crops and bookkeeping but for no second copy of the image.
    const int w = 3000, h = 2000;
    Fixture f(w, h, 24);
    const Bitmap expected = deepCopy(f.original);
    f.original = Bitmap(); // the display alone holds its pixels
    const std::int64_t headroom = 6 << 20;
    const Selection big = rectangle(10, 10, w - 10, h - 10);
    const Selection small = rectangle(100, 100, 140, 130, kSelectEllipse);
    const ColorRef red = makeColorRef(255, 0, 0);

    // Each check numbered; the child stops at the first that fails.
    const auto onlyMessage = [&] { return f.ui.texts() == QStringList{kNoMemory}; };
    const auto unchanged = [&] { return f.image() == expected && !f.editor.hasUndo(); };
    struct Case {
        const char* name;
        std::function<bool()> run; // the edit, expected to fail
    };
    const std::vector<Case> cases{
        {"prepare undo", [&] { return f.editor.prepareUndo(); }},
        {"cut of a large selection (copy fails)", [&] { return f.editor.cut(big, f.buffer, red); }},
        {"cut of a small selection (fill fails)", [&] { return f.editor.cut(small, f.buffer, red); }},
        {"fill inside", [&] { return f.editor.fillInside(small, red); }},
        {"flip of the whole image", [&] { return f.editor.flip(true, Selection(), raster::R2_COPYPEN); }},
        {"flip inside a selection", [&] { return f.editor.flip(false, small, raster::R2_COPYPEN); }},
        {"copy of the whole image", [&] { return f.editor.copy(Selection(), f.buffer); }},
        {"trim to a large box", [&] { return f.editor.trim(big, red); }},
    };
    const int code = runWithLittleMemory(headroom, [&] {
        int check = 0;
        for (const Case& c : cases) {
            f.ui.messages.clear();
            if (c.run())
                return check + 1;
            if (!onlyMessage())
                return check + 2;
            if (!unchanged())
                return check + 3;
            if (f.buffer.hasImage() || f.buffer.control().HasImage())
                return check + 4;
            check += 4;
        }
        // Small edits that need no second copy of the image still work:
        // copying a small box, and trimming to it.
        f.ui.messages.clear();
        if (!f.editor.copy(small, f.buffer) || f.buffer.control().ImageHandle().width() != 40)
            return check + 1;
        if (!f.editor.trim(small, red) || f.image().width() != 40 || f.image().height() != 30)
            return check + 2;
        if (!f.ui.messages.empty())
            return check + 3;
        return 0;
    });
    if (code != 0) {
        QString where = QString::number(code);
        if (code >= 1 && code <= int(cases.size()) * 4)
            where = QString("%1, check %2").arg(cases[std::size_t((code - 1) / 4)].name).arg((code - 1) % 4 + 1);
        QFAIL(qPrintable("child process failed at " + where));
    }
    // The parent is untouched by the child's edits.
    QCOMPARE(f.image(), expected);
}

QTEST_GUILESS_MAIN(TestImageEditor)
#include "test_image_editor.moc"
