// Printing: the picture on the page at the print resolution and the page
// offset (checked on PDF pages rendered back to pixels), the drawing objects
// over it, the print and preview commands, and printers that fail.

#include "AppSession.h"
#include "PdfPages.h"
#include "ViewFixture.h"
#include "capture/ImagePrinter.h"
#include "raster/Canvas.h"

#include <QFile>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTemporaryDir>
#include <QtTest>

using namespace ardane;

namespace {

constexpr QRgb kRedRgb = 0xFFFF0000;
constexpr QRgb kBlueRgb = 0xFF0000FF;
constexpr QRgb kWhiteRgb = 0xFFFFFFFF;

QImage filled(int w, int h, QRgb colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

void toPdf(QPrinter& printer, const QString& path, int dpi = 300)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setResolution(dpi);
    printer.setPageSize(QPageSize(QPageSize::Letter));
    printer.setPageOrientation(QPageLayout::Portrait);
}

// Prints the picture into a PDF and renders the page back at `renderDpi`.
QImage printedPage(const QString& pdf, const QImage& picture, const PrintPlacement& placement, int renderDpi = 100,
                   int printerDpi = 300)
{
    QPrinter printer(QPrinter::HighResolution);
    toPdf(printer, pdf, printerDpi);
    QString error;
    if (!printPicture(printer, picture, placement, &error)) {
        qWarning() << error;
        return {};
    }
    return test::renderPdfPage(pdf, renderDpi);
}

} // namespace

class TestPrinting : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void pictureSizeFollowsThePrintResolution();
    void equalResolutionPrintsDotForDot();
    void objectsPrintWhereTheyLieOverTheImage();
    void failingPrinterSaysSoAndChangesNothing();
    void printCommandsUseTheSettings();
    void previewWindowShowsThePage();

private:
    QTemporaryDir m_dir;
};

void TestPrinting::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", m_dir.filePath("config").toLocal8Bit());
    QVERIFY2(test::hasPdfRenderer(), "pdftoppm (poppler-utils) is needed to read printed pages back");
}

void TestPrinting::pictureSizeFollowsThePrintResolution()
{
    const QImage picture = filled(200, 100, kRedRgb);
    // 100 pixels per inch on a 300 dpi printer: 2 x 1 inches, one inch from
    // the paper's top-left corner with the default offsets.
    const QImage page = printedPage(m_dir.filePath("res100.pdf"), picture, PrintPlacement{});
    QCOMPARE(page.size(), QSize(850, 1100));
    const QRect block = test::boxOfColour(page, kRedRgb);
    QVERIFY2(test::sameBox(block, QRect(QPoint(100, 100), QPoint(299, 199))), qPrintable(QDebug::toString(block)));
    QCOMPARE(test::marksOutside(page, block), 0);
    QVERIFY(test::nearColour(page.pixel(200, 150), kRedRgb));

    // 50 pixels per inch: twice as large, and the offsets (in pixels at that
    // resolution) twice as far.
    const QImage half = printedPage(m_dir.filePath("res50.pdf"), picture, PrintPlacement{50, 50, 100, 100});
    const QRect big = test::boxOfColour(half, kRedRgb);
    QVERIFY2(test::sameBox(big, QRect(QPoint(200, 200), QPoint(599, 399))), qPrintable(QDebug::toString(big)));
    QCOMPARE(test::marksOutside(half, big), 0);

    // Different resolutions across and down.
    const QImage tall = printedPage(m_dir.filePath("res-xy.pdf"), picture, PrintPlacement{200, 50, 40, 25});
    const QRect stretched = test::boxOfColour(tall, kRedRgb);
    QVERIFY2(test::sameBox(stretched, QRect(QPoint(20, 50), QPoint(119, 249))), qPrintable(QDebug::toString(stretched)));
}

void TestPrinting::equalResolutionPrintsDotForDot()
{
    // Left half red, right half blue: the seam shows that nothing is scaled.
    QImage picture = filled(200, 100, kRedRgb);
    for (int y = 0; y < 100; ++y)
        for (int x = 100; x < 200; ++x)
            picture.setPixel(x, y, kBlueRgb);
    const QImage page = printedPage(m_dir.filePath("dot.pdf"), picture, PrintPlacement{300, 300, 150, 60}, 300, 300);
    QCOMPARE(page.size(), QSize(2550, 3300));
    const QRect red = test::boxOfColour(page, kRedRgb);
    const QRect blue = test::boxOfColour(page, kBlueRgb);
    QVERIFY2(test::sameBox(red, QRect(QPoint(150, 60), QPoint(249, 159))), qPrintable(QDebug::toString(red)));
    QVERIFY2(test::sameBox(blue, QRect(QPoint(250, 60), QPoint(349, 159))), qPrintable(QDebug::toString(blue)));
    QCOMPARE(test::marksOutside(page, red | blue), 0);
}

void TestPrinting::objectsPrintWhereTheyLieOverTheImage()
{
    test::ViewFixture f(200, 100);
    f.host.paint.objectDefaults.fillInterior = 1;
    f.host.paint.objectDefaults.fillColor = 0xFF0000; // blue
    // A pen three pixels wide: one image pixel is a single rendered pixel,
    // whose colour the page's rendering blends with its neighbours'.
    f.host.paint.objectDefaults.lineWidth = 3;
    f.host.tool = test::toolIndex(ID_TOOL_RECT);
    f.drag({30, 20}, {80, 60});
    QCOMPARE(f.list().size(), std::size_t(1));
    // The object's points are view coordinates: the margin is in them.
    QVERIFY(f.list().front()->windowRect().left > 30);

    // The rectangle, its wide pen inside, covers image pixels 30..79 x
    // 20..59: on paper at 100 pixels per inch and offset (100, 100), 100
    // pixels further.
    const QRect inImage(QPoint(30, 20), QPoint(79, 59));
    const QRect expected = inImage.translated(100, 100);
    const QImage picture = viewPrintPicture(*f.view, raster::R2_COPYPEN);
    QCOMPARE(picture.size(), QSize(200, 100));
    QCOMPARE(test::boxOfColour(picture, kRedRgb), inImage);
    const QImage page = printedPage(m_dir.filePath("object.pdf"), picture, PrintPlacement{});
    const QRect marks = test::boxOfColour(page, kRedRgb);
    QVERIFY2(test::sameBox(marks, expected), qPrintable(QDebug::toString(marks)));
    QVERIFY(test::nearColour(page.pixel(155, 140), kBlueRgb));      // the inside
    QVERIFY(test::nearColour(page.pixel(131, 140), kRedRgb));       // the pen
    QVERIFY(test::nearColour(page.pixel(127, 140), kWhiteRgb, 8));  // the image beside it
    // Printing draws over a copy: the image itself keeps no trace.
    QCOMPARE(f.at(55, 40), test::kWhite);

    // Zoomed in, the object's points grow with the view; it still prints
    // over the same image pixels.
    f.view->SetZoom(300);
    QCOMPARE(f.list().front()->m_nZoom, 300);
    const QImage zoomed = printedPage(m_dir.filePath("object-zoom.pdf"), viewPrintPicture(*f.view, raster::R2_COPYPEN),
                                      PrintPlacement{});
    const QRect zoomedMarks = test::boxOfColour(zoomed, kRedRgb);
    QVERIFY2(test::sameBox(zoomedMarks, expected), qPrintable(QDebug::toString(zoomedMarks)));
    QCOMPARE(f.list().front()->m_nZoom, 300); // the view's object is left as it was

    // The draw mode applies: XOR of red over white leaves cyan.
    f.view->SetZoom(100);
    const QImage xored = viewPrintPicture(*f.view, raster::R2_XORPEN);
    QCOMPARE(xored.pixel(31, 40), qRgb(0, 255, 255));
}

void TestPrinting::failingPrinterSaysSoAndChangesNothing()
{
    const QImage picture = filled(20, 10, kRedRgb);
    QPrinter broken(QPrinter::HighResolution);
    toPdf(broken, m_dir.filePath("no-such-folder/page.pdf"));
    QString error;
    QVERIFY(!printPicture(broken, picture, PrintPlacement{}, &error));
    QCOMPARE(error, QString(kPrinterNotStarted));
    QVERIFY(!QFile::exists(m_dir.filePath("no-such-folder/page.pdf")));

    QPrinter fine(QPrinter::HighResolution);
    toPdf(fine, m_dir.filePath("empty.pdf"));
    QVERIFY(!printPicture(fine, QImage(), PrintPlacement{}, &error));
    QCOMPARE(error, QString(kNothingToPrint));
    QVERIFY(!QFile::exists(m_dir.filePath("empty.pdf")));

    // Through the command: the message, nothing else.
    test::AppSession s;
    QVERIFY(s.start());
    s.newImage(200, 100);
    QVERIFY(s.view());
    s.ui->printDialogAnswer = true;
    const QString bad = m_dir.filePath("missing/out.pdf");
    s.ui->onPrinter = [&bad](QPrinter& p) { toPdf(p, bad); };
    const bool modified = s.view()->document().isModified();
    s.run(ID_FILE_PRINT);
    QCOMPARE(s.ui->printDialogs, 1);
    QCOMPARE(s.ui->texts(), QStringList{kPrinterNotStarted});
    QCOMPARE(s.ui->messages.back().icon, MessageIcon::Stop);
    QCOMPARE(s.view()->document().isModified(), modified);
    QCOMPARE(s.app->settings().pageOffsetX, 100);
    s.quit();
}

void TestPrinting::printCommandsUseTheSettings()
{
    test::AppSession s;
    QVERIFY(s.start());
    QVERIFY(!s.state(ID_FILE_PRINT).enabled); // no image yet
    QVERIFY(!s.state(ID_FILE_PRINT_PREVIEW).enabled);
    s.newImage(200, 100);
    QVERIFY(s.view());
    QVERIFY(s.state(ID_FILE_PRINT).enabled);
    QVERIFY(s.state(ID_FILE_PRINT_PREVIEW).enabled);
    // The image in red.
    {
        raster::Canvas& canvas = s.view()->displayControl()->AcquireImageDc();
        canvas.setPen(test::kRed);
        canvas.setBrush(test::kRed);
        canvas.rectangle(0, 0, 200, 100);
        s.view()->displayControl()->ReleaseImageDc();
    }

    // Print Option: the page in dots at the print resolution; OK keeps the offsets.
    const PrinterResolution res = s.app->printerResolution();
    s.app->printerResolution() = {100, 100};
    s.ui->offsetAnswers.push_back(std::nullopt);
    s.run(ID_PRINT_OPTION);
    QCOMPARE(s.app->settings().pageOffsetX, 100); // Cancel
    s.ui->offsetAnswers.push_back(ImageOffsetValues{200, 50, 0, 0});
    s.run(ID_PRINT_OPTION);
    QCOMPARE(s.ui->offsetRequests.size(), std::size_t(2));
    const ImageOffsetValues asked = s.ui->offsetRequests.back();
    QCOMPARE(asked.xOffset, 100);
    QCOMPARE(asked.yOffset, 100);
    QCOMPARE(asked.pageWidth, 100 * s.app->pageSize().width());
    QCOMPARE(asked.pageHeight, 100 * s.app->pageSize().height());
    QCOMPARE(s.app->settings().pageOffsetX, 200);
    QCOMPARE(s.app->settings().pageOffsetY, 50);

    // A cancelled print dialog prints nothing.
    const QString pdf = m_dir.filePath("command.pdf");
    s.ui->onPrinter = [&pdf](QPrinter& p) { toPdf(p, pdf); };
    s.ui->printDialogAnswer = false;
    s.run(ID_FILE_PRINT);
    QVERIFY(!QFile::exists(pdf));

    s.ui->printDialogAnswer = true;
    s.run(ID_FILE_PRINT);
    QVERIFY(s.ui->messages.empty());
    const QRect expected(QPoint(200, 50), QPoint(399, 149));
    const QImage page = test::renderPdfPage(pdf, 100);
    QVERIFY(!page.isNull());
    QRect block = test::boxOfColour(page, kRedRgb);
    QVERIFY2(test::sameBox(block, expected), qPrintable(QDebug::toString(block)));
    QCOMPARE(test::marksOutside(page, block), 0);

    // The preview draws the same page.
    const QString preview = m_dir.filePath("preview.pdf");
    s.ui->onPrinter = [&preview](QPrinter& p) { toPdf(p, preview); };
    s.run(ID_FILE_PRINT_PREVIEW);
    QCOMPARE(s.ui->previews, 1);
    QCOMPARE(s.ui->previewResults, std::vector<bool>{true});
    const QImage previewPage = test::renderPdfPage(preview, 100);
    block = test::boxOfColour(previewPage, kRedRgb);
    QVERIFY2(test::sameBox(block, expected), qPrintable(QDebug::toString(block)));
    s.app->printerResolution() = res;
    s.quit();
}

void TestPrinting::previewWindowShowsThePage()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setResolution(300);
    printer.setPageSize(QPageSize(QPageSize::Letter));
    QImage picture = filled(200, 100, kRedRgb);
    for (int y = 30; y < 70; ++y)
        for (int x = 60; x < 140; ++x)
            picture.setPixel(x, y, kBlueRgb);
    int paints = 0;
    QPrintPreviewDialog dialog(&printer);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter* page) {
        ++paints;
        QVERIFY(printPicture(*page, picture, PrintPlacement{}));
    });
    dialog.resize(700, 800);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::qWait(200);
    auto* widget = dialog.findChild<QPrintPreviewWidget*>();
    QVERIFY(widget);
    QVERIFY(paints >= 1);
    QCOMPARE(widget->pageCount(), 1);
    QDir().mkpath("/tmp/print-shots");
    QVERIFY(dialog.grab().save("/tmp/print-shots/print-preview.png"));
    dialog.close();
}

QTEST_MAIN(TestPrinting)
#include "test_printing.moc"
