// A 24-megapixel JPEG: how long opening, painting, scrolling and zooming take.
// Painting scales only the exposed part, so its cost must not grow with the image.

#include "FakeHost.h"
#include "core/CommandIds.h"
#include "view/CArdaneView.h"

#include <QElapsedTimer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

using namespace ardane;

class TestViewLargeImage : public QObject {
    Q_OBJECT
private slots:
    void openPaintScrollZoom();
};

void TestViewLargeImage::openPaintScrollZoom()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("large.jpg"));
    {
        imaging::ImagingControl maker;
        QVERIFY(maker.CreateImage(6000, 4000, 24) == 0);
        imaging::Bitmap bitmap = maker.ImageHandle();
        QImage& img = bitmap.image();
        for (int y = 0; y < img.height(); ++y) {
            uchar* line = img.scanLine(y);
            for (int x = 0; x < img.width(); ++x) {
                line[3 * x] = uchar(x * 255 / 6000);
                line[3 * x + 1] = uchar(y * 255 / 4000);
                line[3 * x + 2] = uchar((x / 500 + y / 500) % 2 ? 200 : 40);
            }
        }
        maker.SetImageHandle(bitmap);
        QVERIFY(maker.SaveFile(path, 10, 24, 2, false) == 0);
    }

    test::FakeHost host;
    doc::ColorReduction reduction;
    doc::CArdaneDoc document(reduction, 1);
    document.OnOpenDocument(path);
    CArdaneView view(host, document);
    view.resize(1200, 800);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    QElapsedTimer t;
    t.start();
    view.OnInitialUpdate();
    const qint64 openMs = t.elapsed();
    QVERIFY(host.fakeUi.messages.empty());
    QCOMPARE(view.image().ImageHandle().width(), 6000);

    const auto paintMs = [&view] {
        QElapsedTimer p;
        p.start();
        view.displayControl()->repaint();
        return double(p.nsecsElapsed()) / 1e6;
    };
    const double paint100 = paintMs();

    double scrollWorst = 0;
    for (int i = 1; i <= 20; ++i) {
        QElapsedTimer s;
        s.start();
        view.verticalScrollBar()->setValue(i * 80);
        view.viewport()->repaint();
        scrollWorst = std::max(scrollWorst, double(s.nsecsElapsed()) / 1e6);
    }

    double zoomWorst = 0;
    for (int i = 0; i < 7; ++i) {
        QElapsedTimer z;
        z.start();
        view.commands().find(ID_VIEW_ZOOM_IN)->run();
        view.viewport()->repaint();
        zoomWorst = std::max(zoomWorst, double(z.nsecsElapsed()) / 1e6);
    }
    QCOMPARE(view.zoom(), 800);
    QCOMPARE(view.displayControl()->size(), QSize(48000, 32000));
    const double paint800 = paintMs();
    view.horizontalScrollBar()->setValue(20000);
    const double scroll800 = paintMs();

    QVERIFY(view.displayControl()->isVisible());
    qInfo("24 MP JPEG: open %lld ms, paint at 100%% %.2f ms, worst scroll step %.2f ms, "
          "worst zoom step %.2f ms, paint at 800%% %.2f ms, scrolled at 800%% %.2f ms",
          openMs, paint100, scrollWorst, zoomWorst, paint800, scroll800);
    // A frame of a smooth interaction; generous for a loaded test machine.
    // The sanitizer build runs unoptimised and checks every access: there
    // the limits only catch work that grows with the image, not the exposure.
#if defined(__SANITIZE_ADDRESS__)
    const double slack = 4;
#else
    const double slack = 1;
#endif
    QVERIFY2(paint100 < 100 * slack && paint800 < 100 * slack && scroll800 < 100 * slack,
             "painting is not proportional to the exposed area");
    QVERIFY2(scrollWorst < 100 * slack && zoomWorst < 150 * slack, "scrolling or zooming stalls");
    QVERIFY2(openMs < 5000, "opening stalls");
}

QTEST_MAIN(TestViewLargeImage)
#include "test_view_large_image.moc"
