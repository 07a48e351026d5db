// "Print Resolution" and "Image Offset": clamping of the resolution fields
// (shared with "New Image Size"), the offset preview's geometry, and the
// print resolution reaching the "Print Size" pane of the running program.

#include "AppSession.h"
#include "dialogs/CImageOffsetDlg.h"
#include "dialogs/CImageSizeDlg.h"
#include "dialogs/CPrintResolutionDlg.h"

#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

using namespace ardane;

class TestPrintDialogs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void printResolutionFieldsAreClamped();
    void imageOffsetPreviewFollowsTheSliders();
    void imageOffsetHoldsBadValues();
    void printResolutionCommandUpdatesThePrintSize();

private:
    QTemporaryDir m_config;
};

void TestPrintDialogs::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
}

void TestPrintDialogs::printResolutionFieldsAreClamped()
{
    CPrintResolutionDlg dlg(PrintResolutionValues{150, 120, 300, 600});
    QCOMPARE(dlg.windowTitle(), QString("Print Resolution"));
    QCOMPARE(dlg.xField()->text(), QString("150"));
    QCOMPARE(dlg.yField()->text(), QString("120"));
    QCOMPARE(dlg.printerXText()->text(), QString("300"));
    QCOMPARE(dlg.printerYText()->text(), QString("600"));
    QStringList labels;
    for (const QLabel* l : dlg.findChildren<QLabel*>())
        labels << l->text();
    QCOMPARE(labels.count("Printer"), 2);
    QVERIFY(labels.contains("Width/Inch"));
    QVERIFY(labels.contains("Height/Inch"));
    QVERIFY(labels.contains("Changing resolution can lose image quality"));

    // Typing alone changes nothing; losing focus clamps and writes back.
    dlg.xField()->setText("0");
    QCOMPARE(dlg.values().xResolution, 150);
    emit dlg.xField()->editingFinished();
    QCOMPARE(dlg.xField()->text(), QString("1"));
    QCOMPARE(dlg.values().xResolution, 1);
    dlg.yField()->setText("5000");
    emit dlg.yField()->editingFinished();
    QCOMPARE(dlg.yField()->text(), QString("2400"));
    QCOMPARE(dlg.values().yResolution, 2400);
    dlg.xField()->setText("abc");
    emit dlg.xField()->editingFinished();
    QCOMPARE(dlg.xField()->text(), QString("1"));
    // A value in range is kept as typed; OK takes a field that still has focus.
    dlg.xField()->setText("2400");
    dlg.yField()->setText("72");
    dlg.accept();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(dlg.values().xResolution, 2400);
    QCOMPARE(dlg.values().yResolution, 72);
    QCOMPARE(dlg.values().printerX, 300);

    // The same rule in "New Image Size".
    CImageSizeDlg size(ImageSizeValues{});
    size.yResolutionField()->clear();
    QTest::keyClicks(size.yResolutionField(), "5000");
    QCOMPARE(size.yResolutionField()->text(), QString("2400"));
    QCOMPARE(size.values().yResolution, 2400);
}

void TestPrintDialogs::imageOffsetPreviewFollowsTheSliders()
{
    // A letter page at 100 dots per inch, the image at the page's top-left.
    CImageOffsetDlg dlg(ImageOffsetValues{0, 0, 850.0, 1100.0});
    QCOMPARE(dlg.windowTitle(), QString("Image Offset"));
    const QRect page = dlg.pageRect()->geometry();
    const QRect image = dlg.imageRect()->geometry();
    QCOMPARE(dlg.pageRect()->palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(dlg.imageRect()->palette().color(QPalette::Window), QColor(Qt::black));
    QCOMPARE(dlg.pageRect()->frameShadow(), QFrame::Sunken);
    QCOMPARE(dlg.imageRect()->frameShadow(), QFrame::Sunken);
    QCOMPARE(image.left(), page.left() + 2);
    QCOMPARE(image.top(), page.top() + 2);
    // The sliders run over the page less the image box (its client size plus 4).
    const int w = dlg.imageRect()->contentsRect().width() + 4;
    const int h = dlg.imageRect()->contentsRect().height() + 4;
    QCOMPARE(dlg.horizontalSlider()->orientation(), Qt::Horizontal);
    QCOMPARE(dlg.verticalSlider()->orientation(), Qt::Vertical);
    QCOMPARE(dlg.horizontalSlider()->maximum(), 850 - w);
    QCOMPARE(dlg.verticalSlider()->maximum(), 1100 - h);

    // Half way across, a quarter down: the box moves by those shares of the
    // page less its own size and the 2-pixel edge.
    dlg.horizontalSlider()->setValue(425);
    dlg.verticalSlider()->setValue(275);
    QCOMPARE(dlg.values().xOffset, 425);
    QCOMPARE(dlg.values().yOffset, 275);
    const int areaW = page.width() - 2 - w;
    const int areaH = page.height() - 2 - h;
    QCOMPARE(dlg.imageRect()->pos(), QPoint(page.left() + 2 + areaW / 2, page.top() + 2 + int(areaH * 0.25)));
    QCOMPARE(dlg.imageRect()->size(), image.size());
    // At the far end the box touches the page's right edge less the box.
    dlg.horizontalSlider()->setValue(dlg.horizontalSlider()->maximum());
    QCOMPARE(dlg.imageRect()->x(), page.left() + 2 + int(areaW * (850.0 - w) / 850.0));

    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    dlg.horizontalSlider()->setValue(100);
    dlg.verticalSlider()->setValue(100);
    QDir().mkpath("/tmp/print-shots");
    QVERIFY(dlg.grab().save("/tmp/print-shots/image-offset.png"));
}

void TestPrintDialogs::imageOffsetHoldsBadValues()
{
    // Offsets beyond the page or below zero stop at the sliders' ends.
    CImageOffsetDlg far(ImageOffsetValues{5000, -30, 850.0, 1100.0});
    QCOMPARE(far.values().xOffset, far.horizontalSlider()->maximum());
    QCOMPARE(far.values().yOffset, 0);
    QVERIFY(far.pageRect()->geometry().contains(far.imageRect()->geometry()));

    // No page at all: both sliders stay at 0, the box at the top-left.
    CImageOffsetDlg none(ImageOffsetValues{40, 40, 0.0, std::nan("")});
    QCOMPARE(none.horizontalSlider()->maximum(), 0);
    QCOMPARE(none.verticalSlider()->maximum(), 0);
    QCOMPARE(none.values().xOffset, 0);
    QCOMPARE(none.imageRect()->pos(), none.pageRect()->pos() + QPoint(2, 2));
}

void TestPrintDialogs::printResolutionCommandUpdatesThePrintSize()
{
    test::AppSession s;
    QVERIFY(s.start());
    s.app->printerResolution() = {100, 100};
    s.newImage(200, 100);
    QVERIFY(s.view());
    QCOMPARE(s.pane(3), QString("Print: 2.00\"x1.00\""));

    // Cancel changes nothing.
    s.run(ID_PRINT_RESOLUTION);
    QCOMPARE(s.ui->resolutionRequests.size(), std::size_t(1));
    QCOMPARE(s.ui->resolutionRequests[0].xResolution, 100);
    QCOMPARE(s.ui->resolutionRequests[0].yResolution, 100);
    QCOMPARE(s.ui->resolutionRequests[0].printerX, queryPrinterResolution().x);
    QCOMPARE(s.app->printerResolution().x, 100);

    // OK: the pane follows at once.
    s.ui->resolutionAnswers.push_back(PrintResolutionValues{200, 50, 0, 0});
    s.run(ID_PRINT_RESOLUTION);
    QCOMPARE(s.app->printerResolution().x, 200);
    QCOMPARE(s.app->printerResolution().y, 50);
    QCOMPARE(s.pane(3), QString("Print: 1.00\"x2.00\""));
    // The next new image proposes it too.
    s.newImage(50, 50);
    QCOMPARE(s.ui->sizeRequests.back().xResolution, 200);
    QCOMPARE(s.ui->sizeRequests.back().yResolution, 50);

    // Values from outside the dialog's range are held to 1..2400.
    s.ui->resolutionAnswers.push_back(PrintResolutionValues{0, 9000, 0, 0});
    s.run(ID_PRINT_RESOLUTION);
    QCOMPARE(s.app->printerResolution().x, 1);
    QCOMPARE(s.app->printerResolution().y, 2400);
    s.quit();
}

QTEST_MAIN(TestPrintDialogs)
#include "test_print_dialogs.moc"
