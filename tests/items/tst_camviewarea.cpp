#include "items/camgraphicsitem.h"
#include "items/camviewarea.h"
#include "items/sectorcover.h"

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

// Metres east and north of a point, `degrees` counter-clockwise from east.
QPointF towards(double degrees, double metres)
{
    const double a = qDegreesToRadians(degrees);
    return QPointF(std::cos(a) * metres, std::sin(a) * metres);
}

} // namespace

class TestCamViewArea : public QObject
{
    Q_OBJECT

private slots:
    void coverOfThePoint_data();
    void coverOfThePoint();
    void coverInAnyView_data();
    void coverInAnyView();
    void withoutDirectionOrView();
    void waitsForTheCameraScene();
};

void TestCamViewArea::coverOfThePoint_data()
{
    QTest::addColumn<double>("angle");
    QTest::addColumn<double>("opening");
    QTest::addColumn<double>("radius");
    QTest::addColumn<QPointF>("metres"); // east and north of the camera
    QTest::addColumn<bool>("covered");
    // Clear of the outline, where the drawn slice must agree.
    QTest::addColumn<bool>("drawn");

    const double nan = qQNaN();
    QTest::newRow("0 looks west") << 0.0 << 60.0 << 200.0 << QPointF(-150, 0) << true << true;
    QTest::newRow("0, behind") << 0.0 << 60.0 << 200.0 << QPointF(150, 0) << false << true;
    QTest::newRow("90 looks north") << 90.0 << 60.0 << 200.0 << QPointF(0, 150) << true << true;
    QTest::newRow("90, to the east") << 90.0 << 60.0 << 200.0 << QPointF(150, 0) << false << true;
    QTest::newRow("inside an edge") << 90.0 << 60.0 << 200.0 << towards(62, 150) << true << true;
    QTest::newRow("outside an edge") << 90.0 << 60.0 << 200.0 << towards(58, 150) << false << true;
    QTest::newRow("on an edge") << 90.0 << 60.0 << 200.0 << towards(120, 100) << true << false;
    QTest::newRow("on the arc") << 90.0 << 60.0 << 200.0 << QPointF(0, 200) << true << false;
    QTest::newRow("past the arc") << 90.0 << 60.0 << 200.0 << QPointF(0, 203) << false << true;
    QTest::newRow("at the camera") << 90.0 << 60.0 << 200.0 << QPointF(0, 0) << true << false;
    // Around west the screen's angles wrap from 180 to -180.
    QTest::newRow("350, west") << 350.0 << 40.0 << 200.0 << QPointF(-150, 0) << true << true;
    QTest::newRow("350, south of west")
        << 350.0 << 40.0 << 200.0 << towards(205, 150) << true << true;
    QTest::newRow("350, north of west")
        << 350.0 << 40.0 << 200.0 << towards(165, 150) << false << true;
    QTest::newRow("450 is 90") << 450.0 << 20.0 << 200.0 << QPointF(0, 150) << true << true;
    QTest::newRow("wide, the gap behind")
        << 90.0 << 300.0 << 200.0 << QPointF(0, -150) << false << true;
    QTest::newRow("wide, beside") << 90.0 << 300.0 << 200.0 << towards(-50, 150) << true << true;
    QTest::newRow("full disc") << 33.0 << 360.0 << 200.0 << towards(213, 150) << true << true;
    QTest::newRow("past 360 opening")
        << 33.0 << 400.0 << 200.0 << towards(213, 150) << true << true;
    QTest::newRow("negative opening")
        << 90.0 << -60.0 << 200.0 << towards(100, 150) << true << true;
    QTest::newRow("negative radius") << 90.0 << 60.0 << -200.0 << QPointF(0, 150) << true << true;
    QTest::newRow("no opening") << 90.0 << 0.0 << 200.0 << QPointF(0, 150) << false << true;
    QTest::newRow("no radius") << 90.0 << 60.0 << 0.0 << QPointF(0, 0) << false << true;
    QTest::newRow("no direction") << nan << 60.0 << 200.0 << QPointF(0, 0) << false << true;
    QTest::newRow("NaN opening") << 90.0 << nan << 200.0 << QPointF(0, 150) << false << false;
    QTest::newRow("infinite radius") << 90.0 << 60.0 << qInf() << QPointF(0, 150) << false << false;
    QTest::newRow("NaN point") << 90.0 << 60.0 << 200.0 << QPointF(0, nan) << false << true;
}

// Whether a camera sees a point is decided on the slice the map draws.
void TestCamViewArea::coverOfThePoint()
{
    QFETCH(double, angle);
    QFETCH(double, opening);
    QFETCH(double, radius);
    QFETCH(QPointF, metres);
    QFETCH(bool, covered);
    QFETCH(bool, drawn);

    WorkstationWindow window;
    OsmView *view = window.mapView();
    view->setReferenceLatitude(55.75);
    view->setZoom(15);
    // On the ground near the reference latitude.
    const QPointF camera(37.6, 55.75);
    const QPointF point =
        camera
        + QPointF(metres.x() * DegreesPerMetre / std::cos(qDegreesToRadians(55.75)),
                  metres.y() * DegreesPerMetre);

    const SectorCover cover(view->transform());
    double distance = -1;
    QCOMPARE(cover.covers(camera, angle, opening, radius, point, &distance), covered);
    if (covered)
        QVERIFY2(qAbs(distance - std::hypot(metres.x(), metres.y())) < 1e-6,
                 qPrintable(QString::number(distance, 'g', 17)));
    else
        QCOMPARE(distance, -1.0);

    if (drawn) {
        auto *cam = new CamGraphicsItem(camera, QString(), 1, angle);
        window.scene()->addItem(cam);
        cam->setView(opening, radius);
        const CamViewArea *sector = cam->viewArea();
        QVERIFY(sector);
        // In pixels: a path in degrees is too small for its own hit test.
        const QTransform m = view->transform();
        QCOMPARE(m.map(sector->path()).contains(m.map(sector->mapFromScene(point))), covered);
    }
}

void TestCamViewArea::coverInAnyView_data()
{
    QTest::addColumn<QTransform>("view");
    QTest::addColumn<bool>("drawable");

    QTest::newRow("map") << QTransform::fromScale(2000, -3600) << true;
    QTest::newRow("turned") << QTransform().rotate(30).scale(2000, -2000) << true;
    QTest::newRow("sheared") << QTransform(2000, 600, 0, -3000, 0, 0) << true;
    QTest::newRow("north down, shifted") << QTransform(2000, 0, 0, 2000, 50, -70) << true;
    QTest::newRow("flat") << QTransform::fromScale(2000, 0) << false;
    QTest::newRow("endless") << QTransform::fromScale(2000, -qInf()) << false;
}

// The slice is circular in the view's pixels whatever the view does to the
// map; a view that draws no slice lets no camera see.
void TestCamViewArea::coverInAnyView()
{
    QFETCH(QTransform, view);
    QFETCH(bool, drawable);

    QGraphicsScene scene;
    QGraphicsView graphicsView(&scene);
    graphicsView.setTransform(view);
    const QPointF camera(10, 50);
    auto *cam = new CamGraphicsItem(camera, QString(), 1, 60.0);
    scene.addItem(cam);
    cam->setView(100, 300);
    const SectorCover cover(graphicsView.transform());
    QCOMPARE(cover.covers(camera, 60, 100, 300, camera), drawable);
    if (!drawable)
        return;

    // A ring of points inside and outside the arc, clear of the edges.
    const QTransform m = graphicsView.transform();
    const QPainterPath pixels = m.map(cam->viewArea()->path());
    const double r = m.map(QLineF(0, 0, 0, 300 * DegreesPerMetre)).length();
    const QTransform back = m.inverted();
    int seen = 0;
    for (double a = 7.5; a < 360; a += 15) {
        for (const double length : {0.6 * r, 1.4 * r}) {
            const QPointF offset = onScreen(a, length);
            const QPointF point = camera + back.map(m.map(QPointF()) + offset);
            const bool covered = cover.covers(camera, 60, 100, 300, point);
            QCOMPARE(covered, pixels.contains(offset + m.map(QPointF())));
            seen += covered ? 1 : 0;
        }
    }
    QCOMPARE(seen, 6); // from 70 to 170 degrees on screen, inside the arc
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
