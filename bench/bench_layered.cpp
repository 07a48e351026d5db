// Times the layered file on a large picture: writing and reading an ALF of a
// 24-megapixel (6000 x 4000) 24-bit image with 1,000 drawing objects of
// every class (a quarter each of rectangles, ellipses, lines and texts),
// through a file on disk, one line per step.
//
// Usage: bench_layered [DIR]   (DIR for the file; a temporary folder by default)

#include "doc/LayeredFile.h"
#include "doc/SaveFormats.h"
#include "objects/CTextObj.h"
#include "objects/ShapeObjects.h"

#include <QElapsedTimer>

#include "BenchTiming.h"
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>

using namespace ardane;

namespace {

bench::Timings timings(52);

void time(const char* name, const std::function<bool()>& op)
{
    timings.time(name, op);
}

objects::ObjectList makeObjects(int count, int w, int h)
{
    objects::ObjectList list;
    PaintSettings s;
    FontState font;
    font.pointSize = 18;
    font.faceName = QStringLiteral("DejaVu Sans");
    for (int i = 0; i < count; ++i) {
        const int x = (i * 7919) % (w - 400);
        const int y = (i * 104729) % (h - 300);
        const objects::Box box{x, y, x + 40 + i % 300, y + 30 + i % 200};
        s.penColor = ColorRef(0x00010203u * std::uint32_t(i % 80));
        s.objectDefaults = ObjectParams{i % 2, 0x00FFFFFFu - ColorRef(i), 1 + i % 10};
        objects::ObjectPtr o;
        switch (i % 4) {
        case 0: o = std::make_unique<objects::CRectObj>(); break;
        case 1: o = std::make_unique<objects::CEllipseObj>(); break;
        case 2: o = std::make_unique<objects::CLineObj>(); break;
        default: o = std::make_unique<objects::CTextObj>(); break;
        }
        o->CreateInView(box, s);
        if (auto* text = dynamic_cast<objects::CTextObj*>(o.get())) {
            text->setupNew(100, font, s.textDefaults, s.penColor);
            text->setText(QStringLiteral("Label number %1 of the layered benchmark").arg(i));
        }
        if (i % 4 == 0 && i % 8 == 0)
            o->RotatePoints(15);
        list.push_back(std::move(o));
    }
    return list;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    QTemporaryDir temp;
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path();
    const QString path = dir + QStringLiteral("/bench.alf");
    constexpr int w = 6000, h = 4000;

    imaging::ImagingControl image;
    imaging::Bitmap bitmap = imaging::Bitmap::create(w, h, 24);
    for (int y = 0; y < h; ++y) {
        uchar* row = bitmap.image().scanLine(y);
        for (int x = 0; x < w; ++x) {
            row[3 * x] = uchar(x * 255 / w);
            row[3 * x + 1] = uchar(y * 255 / h);
            row[3 * x + 2] = uchar((x ^ y) & 255);
        }
    }
    image.SetImageHandle(bitmap);
    const objects::ObjectList list = makeObjects(1000, w, h);
    doc::LayeredFile file;

    std::printf("layered file: %d x %d, 24 bits, %zu objects\n", w, h, list.size());
    time("write ALF (24 Mpx, 1,000 objects)", [&] {
        return file.write(path, image, list, doc::kBmpFormat, 24, -1) == imaging::result::Ok;
    });
    std::printf("%-52s %8lld bytes\n", "  file size", qint64(QFileInfo(path).size()));
    imaging::ImagingControl back;
    objects::ObjectList backList;
    time("read ALF (24 Mpx, 1,000 objects)", [&] {
        return file.read(path, back, backList) && backList.size() == list.size();
    });
    if (back.ImageHandle().pixelRgb(w - 1, h - 1) != bitmap.pixelRgb(w - 1, h - 1)) {
        std::printf("read back a different image\n");
        
    }
    return timings.failures() == 0 ? 0 : 1;
}
