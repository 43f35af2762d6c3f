#include "items/camgraphicsitem.h"
#include "items/camviewarea.h"

#include "messagecapture.h"
#include "osmview.h"
#include "workstationwindow.h"

#include <QGraphicsScene>
#include <QGraphicsView>
#include <QTest>
#include <QtMath>

namespace {

// Metres to degrees of latitude for the radius of the slice.
constexpr double DegreesPerMetre = 9.013216033298552e-6;

QPointF onScreen(double degrees, double length)
{
    const double a = qDegreesToRadians(degrees);
    return QPointF(std::cos(a) * length, -std::sin(a) * length); // y grows downwards
}

} // namespace

class TestCamViewArea : public QObject
{
    Q_OBJECT

private slots:
    void sliceInViewPixels_data();
    void sliceInViewPixels();
    void withoutDirectionOrView();
    void waitsForTheCameraScene();
};

void TestCamViewArea::sliceInViewPixels_data()
{
    QTest::addColumn<double>("angle");
    QTest::addColumn<double>("opening");
    QTest::addColumn<double>("radius");
    QTest::addColumn<int>("zoom");

    QTest::newRow("up") << 90.0 << 60.0 << 200.0 << 15;
    QTest::newRow("down, wide") << 270.0 << 170.0 << 1000.0 << 12;
    QTest::newRow("full disc") << 33.0 << 360.0 << 300.0 << 14;
    QTest::newRow("past 360") << 400.0 << 20.0 << 300.0 << 14;
    QTest::newRow("country zoom") << 200.0 << 90.0 << 1.0e6 << 5;
}

void TestCamViewArea::sliceInViewPixels()
{
    QFETCH(double, angle);
    QFETCH(double, opening);
    QFETCH(double, radius);
    QFETCH(int, zoom);

    WorkstationWindow window;
    OsmView *view = window.mapView();
    view->setReferenceLatitude(55.75); // the vertical scale differs from the horizontal
    view->setZoom(zoom);
    auto *cam = new CamGraphicsItem(QPointF(37.6, 55.75), QString(), 1, angle);
    window.scene()->addItem(cam);
    cam->setView(opening, radius);
    const CamViewArea *sector = cam->viewArea();
    QCOMPARE(sector->pos(), cam->scenePos());

    // In the view's pixels the slice is circular, its apex on the camera.
    const QTransform m = view->transform();
    const QPainterPath pixels = m.map(sector->path());
    const double r = radius * DegreesPerMetre * qAbs(m.m22());
    QVERIFY(r > 5);
    const double start = 180.0 - angle - opening / 2;
    for (double t = 2; t < opening - 1; t += 5) {
        QVERIFY2(pixels.contains(onScreen(start + t, r * 0.97)), qPrintable(QString::number(t)));
        QVERIFY(!pixels.contains(onScreen(start + t, r * 1.03)));
    }
    if (opening < 350) {
        QVERIFY(!pixels.contains(onScreen(start - 3, r * 0.5)));
        QVERIFY(!pixels.contains(onScreen(start + opening + 3, r * 0.5)));
    }

    // Shown, it is drawn.
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    view->centerOn(cam);
    const QImage without = view->viewport()->grab().toImage();
    cam->viewArea()->setVisible(true);
    QVERIFY(view->viewport()->grab().toImage() != without);
    cam->viewArea()->setVisible(false);

    // Kept in scene coordinates: zooming scales it with the map.
    const QPainterPath scene = sector->path();
    view->setZoom(zoom - 2);
    QCOMPARE(sector->path(), scene);
}

void TestCamViewArea::withoutDirectionOrView()
{
    MessageCapture capture;
    WorkstationWindow window;
    auto *undirected = new CamGraphicsItem(QPointF(1, 1), QString(), 1, qQNaN());
    window.scene()->addItem(undirected);
    undirected->setView(40, 100);
    QVERIFY(undirected->viewArea()->path().isEmpty());

    // A scene without a view gives an empty slice until a change after a
    // view exists.
    QGraphicsScene bare;
    auto *cam = new CamGraphicsItem(QPointF(1, 1), QString(), 1, 10.0);
    bare.addItem(cam);
    cam->setView(40, 100);
    QCOMPARE(cam->viewArea()->scene(), &bare);
    QVERIFY(cam->viewArea()->path().isEmpty());
    QGraphicsView view(&bare);
    view.scale(1000, -1000);
    QVERIFY(cam->viewArea()->path().isEmpty());
    cam->setViewAngle(50);
    QVERIFY(!cam->viewArea()->path().isEmpty());

    // A view that squashes the map flat cannot be mapped back.
    view.setTransform(QTransform::fromScale(0, 0));
    cam->setViewAngle(60);
    QVERIFY(cam->viewArea()->path().isEmpty());
    QVERIFY2(capture.messages().isEmpty(), qPrintable(capture.messages().join('\n')));
}

void TestCamViewArea::waitsForTheCameraScene()
{
    WorkstationWindow window;
    QGraphicsRectItem *group = new QGraphicsRectItem;
    auto *cam = new CamGraphicsItem(QPointF(37.6, 55.75), QString(), 1, 0.0, group);
    cam->setView(30, 100);
    QVERIFY(!cam->viewArea()->scene());
    QVERIFY(cam->viewArea()->path().isEmpty());

    group->setPos(0.5, 0.25);
    window.scene()->addItem(group);
    QCOMPARE(cam->viewArea()->scene(), window.scene());
    QCOMPARE(cam->viewArea()->pos(), QPointF(38.1, 56.0));
    QVERIFY(!cam->viewArea()->path().isEmpty());

    // Moving the camera to another scene takes the sector along.
    QGraphicsScene other;
    other.addItem(group);
    QCOMPARE(cam->viewArea()->scene(), &other);
    QCOMPARE(window.scene()->items().size(), 0);

    // Whoever deletes the sector, the camera forgets it.
    delete cam->viewArea();
    QVERIFY(!cam->viewArea());
    cam->setView(30, 100);
    other.clear();
    QVERIFY(other.items().isEmpty());
}

QTEST_MAIN(TestCamViewArea)
#include "tst_camviewarea.moc"
