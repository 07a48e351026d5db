// The main toolbar and the quick command bar as the user sees them: the
// buttons in order, the font state exchanged with the view, the colour
// wells' pixels, the rotation-angle field, the two popup menus and the
// "Text Attribute" dialog.

#include "TestActions.h"

#include "core/CommandIds.h"
#include "dialogs/TextAttributeDlg.h"
#include "palettes/CAngleEdit.h"
#include "palettes/CColorWell.h"
#include "palettes/CFontNameCombo.h"
#include "palettes/CFontSizeCombo.h"
#include "palettes/CMainToolBar.h"

#include <QApplication>
#include <QFocusEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <QWidgetAction>

using namespace ardane;

namespace {

// What stands at each place of a bar: a command id, 0 for a separator, or
// the object name of a control.
QStringList contents(const QToolBar& bar)
{
    QStringList out;
    for (QAction* a : bar.actions()) {
        if (a->isSeparator())
            out << QStringLiteral("|");
        else if (qobject_cast<QWidgetAction*>(a))
            out << bar.widgetForAction(a)->objectName();
        else
            out << a->data().toString();
    }
    return out;
}

QList<FontEntry> fonts()
{
    return {
        {QStringLiteral("Alpha"), QStringLiteral("Latin"), 0, 0x02, fontkind::TrueType},
        {QStringLiteral("Alpha"), QStringLiteral("Greek"), 161, 0x02, fontkind::TrueType},
        {QStringLiteral("Mono"), QString(), 0, 0x31, fontkind::TrueType},
    };
}

} // namespace

class TestCommandBars : public QObject {
    Q_OBJECT

private slots:
    void mainToolBarLayout()
    {
        TestActions actions;
        CMainToolBar bar(std::ref(actions), nullptr, false);
        QCOMPARE(contents(bar),
                 (QStringList{"FontName", "|", "FontSize", "|", "32837", "32838", "32839", "|", "57600", "57601",
                              "57603", "57607", "|", "57634", "57637", "|", "PenColorWell", "32948",
                              "BackgroundColorWell", "32947", "|", "RotationAngle", "32840"}));
        for (int id : {ID_FONT_BOLD, ID_FONT_ITALIC, ID_FONT_UNDERLINE})
            QVERIFY(actions(id)->isCheckable());
        QVERIFY(!actions(ID_FILE_SAVE)->isCheckable());
        int buttons = 0;
        for (QAction* a : bar.actions()) {
            if (!a->isSeparator() && !qobject_cast<QWidgetAction*>(a)) {
                QVERIFY2(!a->icon().isNull(), qPrintable(a->text()));
                ++buttons;
            }
        }
        QCOMPARE(buttons, 12);
        QCOMPARE(bar.fontNameCombo().height(), bar.fontSizeCombo().height());
        QCOMPARE(bar.penWell().size(), QSize(30, 20));
        QCOMPARE(bar.allowedAreas(), Qt::AllToolBarAreas);
    }

    void fontStateGoesToTheView()
    {
        TestActions actions;
        CMainToolBar bar(std::ref(actions), nullptr, false);
        bar.fontNameCombo().fill(fonts());

        bar.fontNameCombo().setCurrentIndex(0); // "Alpha (Greek)"
        bar.fontSizeCombo().setEditText(QStringLiteral("10.5"));
        actions(ID_FONT_ITALIC)->setChecked(true);
        FontState state = bar.fontState();
        QCOMPARE(state.faceName, QStringLiteral("Alpha"));
        QCOMPARE(state.charSet, quint8(161));
        QCOMPARE(state.pitchAndFamily, quint8(0x02));
        QCOMPARE(state.pointSize, 10);
        QVERIFY(state.italic);
        QVERIFY(!state.bold);
        QVERIFY(!state.underline);

        bar.fontNameCombo().selectStartingWith(QStringLiteral("Unknown Face"));
        state = bar.fontState();
        QCOMPARE(state.faceName, QStringLiteral("Unknown Face"));
        QCOMPARE(state.charSet, quint8(1));
        QCOMPARE(state.pitchAndFamily, quint8(0));

        bar.fontNameCombo().selectStartingWith(QString());
        state = bar.fontState(); // nothing shown: the first item is taken
        QCOMPARE(bar.fontNameCombo().currentIndex(), 0);
        QCOMPARE(state.faceName, QStringLiteral("Alpha"));
    }

    void fontStateComesFromTheView()
    {
        TestActions actions;
        CMainToolBar bar(std::ref(actions), nullptr, false);
        bar.fontNameCombo().fill(fonts());
        QList<int> changes;
        connect(&bar, &CMainToolBar::fontSelectionChanged, this, [&](int id) { changes << id; });

        FontState state;
        state.faceName = QStringLiteral("Mon");
        state.pointSize = 14;
        state.bold = true;
        state.underline = true;
        bar.setFontState(state);
        QCOMPARE(bar.fontNameCombo().currentText(), QStringLiteral("Mono"));
        QCOMPARE(bar.fontSizeCombo().currentText(), QStringLiteral("14"));
        QVERIFY(actions(ID_FONT_BOLD)->isChecked());
        QVERIFY(!actions(ID_FONT_ITALIC)->isChecked());
        QVERIFY(actions(ID_FONT_UNDERLINE)->isChecked());
        QVERIFY(changes.isEmpty()); // only the user's choices are news

        emit bar.fontNameCombo().activated(1);
        emit bar.fontSizeCombo().activated(0);
        QCOMPARE(changes, (QList<int>{ID_FONT_NAME_COMBO, ID_FONT_SIZE_COMBO}));
    }

    void colorWellPaintsItsColours()
    {
        CColorWell well;
        QCOMPARE(well.size(), QSize(30, 20));
        QCOMPARE(well.fillColor(), QColor(Qt::white));
        well.setFillColor(CColorWell::fromColorRef(0x808000));
        QImage image = well.grab().toImage();
        QCOMPARE(image.pixelColor(15, 10), QColor(0, 128, 128));
        QCOMPARE(image.pixelColor(3, 3), QColor(0, 128, 128));
        QCOMPARE(image.pixelColor(0, 0), QColor(Qt::black)); // the frame
        QCOMPARE(image.pixelColor(29, 19), QColor(Qt::black));

        well.setText(QStringLiteral("WW"));
        well.setCaptionColor(Qt::red);
        image = well.grab().toImage();
        int red = 0;
        for (int y = 1; y < 19; ++y)
            for (int x = 1; x < 29; ++x)
                red += image.pixelColor(x, y).red() > 200 && image.pixelColor(x, y).green() < 100;
        QVERIFY(red > 5);

        QCOMPARE(CColorWell::fromColorRef(0x0000FF), QColor(255, 0, 0));
        QCOMPARE(CColorWell::fromColorRef(0xC0C0C0), QColor(192, 192, 192));
    }

    void angleFieldStaysWithinAFullTurn()
    {
        CAngleEdit edit;
        QCOMPARE(edit.text(), QStringLiteral("0"));
        QCOMPARE(edit.maxLength(), 4);
        QVERIFY(edit.alignment() & Qt::AlignRight);
        QCOMPARE(edit.angle(), 0.0);

        edit.clear();
        QTest::keyClicks(&edit, QStringLiteral("x-9a0")); // only a number gets in
        QCOMPARE(edit.text(), QStringLiteral("-90"));
        QCOMPARE(edit.angle(), -90.0);
        edit.setText(QStringLiteral("12.5"));
        QCOMPARE(edit.angle(), 12.5);
        edit.setText(QStringLiteral("-360"));
        QCOMPARE(edit.angle(), -360.0);

        edit.setText(QStringLiteral("999"));
        QCOMPARE(edit.angle(), 360.0);
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(&edit, &out);
        QCOMPARE(edit.text(), QStringLiteral("360"));
    }

    void quickCommandBarLayout()
    {
        TestActions actions;
        QWidget frame;
        QToolBar* bar = createQuickCommandBar(std::ref(actions), &frame);
        QCOMPARE(bar->parent(), &frame);
        QCOMPARE(contents(*bar),
                 (QStringList{"32841", "32842", "32843", "|", "32951", "32973", "|", "32807", "32808", "32964", "|",
                              "32783", "32784", "32785", "|", "32812", "35999", "|", "32959", "32960", "32961", "|",
                              "151", "|", "33045", "33043", "33044"}));
        for (QAction* a : bar->actions())
            if (!a->isSeparator())
                QVERIFY2(!a->icon().isNull(), qPrintable(a->text()));
    }

    void popupMenus()
    {
        TestActions actions;
        QWidget frame;
        QMenu* drawMode = createDrawModeMenu(std::ref(actions), &frame);
        QCOMPARE(drawMode->title(), QStringLiteral("DrawMode"));
        QCOMPARE(drawMode->actions().size(), 12);
        for (int i = 0; i < 12; ++i)
            QCOMPARE(drawMode->actions()[i], actions(32927 + i));

        QMenu* capture = createCaptureScaleMenu(std::ref(actions), &frame);
        QCOMPARE(capture->title(), QStringLiteral("Capture &Screen"));
        QCOMPARE(capture->actions(),
                 (QList<QAction*>{actions(ID_CAPTURE_ACTUAL), actions(ID_CAPTURE_HALF), actions(ID_CAPTURE_QUARTER)}));

        QCOMPARE(popupPosition(QPoint(500, 300), 120), QPoint(440, 300));
    }

    void textAttributeDialog()
    {
        CTextAttributeDlg dialog(5);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Text Attribute"));
        QCOMPARE(dialog.slider().minimum(), 1);
        QCOMPARE(dialog.slider().maximum(), 200);
        QCOMPARE(dialog.slider().value(), 5);
        QCOMPARE(dialog.depthField().text(), QStringLiteral("5"));
        // The caption's "&" is a mnemonic for the slider, never shown as text.
        const QList<QLabel*> labels = dialog.findChildren<QLabel*>();
        QCOMPARE(labels.size(), 1);
        QCOMPARE(labels.front()->text(), QStringLiteral("Shadow/3D &Depth:"));
        QCOMPARE(labels.front()->buddy(), &dialog.slider());

        QLineEdit& field = dialog.depthField();
        field.selectAll();
        QTest::keyClicks(&field, QStringLiteral("42"));
        QCOMPARE(dialog.depth(), 42);

        field.selectAll();
        QTest::keyClicks(&field, QStringLiteral("0")); // out of range: the slider stays
        QCOMPARE(dialog.depth(), 42);
        field.selectAll();
        QTest::keyClicks(&field, QStringLiteral("201"));
        QCOMPARE(dialog.depth(), 20); // "2", "20" were in range, "201" is not

        dialog.slider().setValue(77);
        QCOMPARE(field.text(), QStringLiteral("77"));

        CTextAttributeDlg clamped(900);
        QCOMPARE(clamped.depth(), 200);
    }
};

QTEST_MAIN(TestCommandBars)
#include "test_command_bars.moc"
