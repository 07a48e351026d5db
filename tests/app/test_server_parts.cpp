// The in-place frame and the server item: the little they do while the
// program never runs embedded.

#include "app/CArdaneSrvrItem.h"
#include "app/CInPlaceFrame.h"
#include "core/CommandIds.h"
#include "doc/CArdaneDoc.h"

#include <QMainWindow>
#include <QPainter>
#include <QPointer>
#include <QSizeGrip>
#include <QToolBar>
#include <QtTest>

#include <map>

using namespace ardane;

class TestServerParts : public QObject {
    Q_OBJECT
private slots:
    void serverItemHasASizeAndDrawsNothing()
    {
        doc::ColorReduction reduction;
        doc::CArdaneDoc document(reduction, 1);
        const CArdaneSrvrItem item(document);
        QCOMPARE(&item.document(), &document);
        QCOMPARE(item.OnGetExtent(DrawAspect::Content), std::optional<QSize>(QSize(3000, 3000)));
        QCOMPARE(item.OnGetExtent(DrawAspect::Icon), std::nullopt);
        QCOMPARE(item.OnGetExtent(DrawAspect::Thumbnail), std::nullopt);

        QImage picture(60, 40, QImage::Format_RGB32);
        picture.fill(qRgb(10, 20, 30));
        const QImage before = picture;
        QPainter painter(&picture);
        QVERIFY(item.OnDraw(painter));
        // The content's 3000 x 3000 units span the whole picture.
        QCOMPARE(painter.window(), QRect(0, 0, 3000, 3000));
        QCOMPARE(painter.combinedTransform().map(QPointF(3000, 3000)), QPointF(60, 40));
        painter.end();
        QCOMPARE(picture, before);
    }

    void inPlaceFrameBringsItsBars()
    {
        QMainWindow container;
        QObject owner;
        std::map<int, QAction*> actions;
        const ActionProvider provide = [&](int id) {
            QAction*& a = actions[id];
            if (!a) {
                a = new QAction(QString::number(id), &owner);
                a->setData(id);
            }
            return a;
        };

        QPointer<QToolBar> bar;
        {
            CInPlaceFrame frame;
            QVERIFY(frame.create());
            QVERIFY(frame.resizeBar());
            QCOMPARE(frame.resizeBar()->parentWidget(), &frame);
            QCOMPARE(frame.resizeBar()->objectName(), QString("resizeBar59395"));
            QVERIFY(!frame.resizeBar()->isHidden());
            QVERIFY(frame.acceptDrops());

            QVERIFY(frame.createControlBars(container, provide));
            bar = frame.toolBar();
            QVERIFY(bar);
            QCOMPARE(bar->parentWidget(), &container);
            QCOMPARE(container.toolBarArea(bar), Qt::TopToolBarArea);
            QCOMPARE(bar->allowedAreas(), Qt::AllToolBarAreas);
            QCOMPARE(bar->actions(), (QList<QAction*>{actions[ID_EDIT_COPY], actions[ID_EDIT_PASTE]}));
            QVERIFY(!bar->actions().front()->icon().isNull()); // our copy image
        }
        // The toolbar goes with the frame that owns it.
        QVERIFY(bar.isNull());
        QVERIFY(container.findChildren<QToolBar*>().isEmpty());
    }
};

QTEST_MAIN(TestServerParts)
#include "test_server_parts.moc"
