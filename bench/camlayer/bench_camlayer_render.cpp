// Rendering the map view with the camera layer:
// - a town of 10,000 cameras zoomed out, against 10,000 plain pixmap items
//   with the same flags;
// - a country of 100,000 cameras seen over its capital at zoom 13, against
//   a scene holding only the cameras in that view, with and without view
//   sectors, and dragged by a quarter of the view as an operator pans;
// - the whole country at zoom 4, against 100,000 plain pixmap items.
#include "benchsupport.h"

#include "items/camgraphicsitem.h"
#include "items/camviewarea.h"
#include "osmview.h"
#include "plugin/camlistreader.h"
#include "plugin/itemsgroup.h"
#include "plugin/ostrelplugin.h"
#include "workstationwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QMap>
#include <QMouseEvent>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int TownZoom = 11;
constexpr int CityZoom = 13;
constexpr int CountryZoom = 4;
const QSize ViewSize(1024, 768);

double grabMs(QGraphicsView *view)
{
    QElapsedTimer timer;
    timer.start();
    view->viewport()->grab();
    return timer.nsecsElapsed() / 1e6;
}

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Medians of `runs` timings of `a` and of `b`, taken in turns so that a
// busy machine slows both alike; one untimed call of each first.
std::pair<double, double> alternate(int runs, const std::function<double()> &a,
                                    const std::function<double()> &b)
{
    a();
    b();
    std::vector<double> first;
    std::vector<double> second;
    for (int i = 0; i < runs; ++i) {
        first.push_back(a());
        second.push_back(b());
    }
    return {median(first), median(second)};
}

void frame(QWidget *window, OsmView *view, const QSize &size, int zoom, const QPointF &centre)
{
    view->scene()->setSceneRect(-180, -90, 360, 180); // a map spans the world
    window->resize(size);
    window->show();
    view->setReferenceLatitude(55.75);
    view->setZoom(zoom);
    QApplication::processEvents();
    view->centerOn(centre);
    QApplication::processEvents();
}

void addPixmapItems(QGraphicsScene *scene, const QList<CamGraphicsItem *> &cameras)
{
    const QPixmap icon(QStringLiteral(":/resources/camera.png"));
    for (const CamGraphicsItem *cam : cameras) {
        auto *item = new QGraphicsPixmapItem(icon);
        item->setOffset(-icon.width() / 2.0, -icon.height() / 2.0);
        item->setFlags(QGraphicsItem::ItemIsSelectable | QGraphicsItem::ItemIsFocusable
                       | QGraphicsItem::ItemIgnoresTransformations
                       | QGraphicsItem::ItemIgnoresParentOpacity);
        item->setPos(cam->scenePos());
        scene->addItem(item);
    }
}

// The layer as a list load makes it, for a scene of its own.
void addCameras(QGraphicsScene *scene, const QVector<CamListEntry> &entries)
{
    QMap<int, ItemsGroup *> groups;
    for (const CamListEntry &entry : entries) {
        ItemsGroup *&group = groups[entry.type];
        if (!group) {
            group = new ItemsGroup;
            scene->addItem(group);
        }
        auto *cam = new CamGraphicsItem(entry.position, entry.url, entry.type, entry.angle, group);
        cam->setUseTcpRtsp(entry.useTcpRtsp);
        cam->setCursor(Qt::PointingHandCursor);
        cam->setView(entry.viewAngle, entry.viewRadius);
        cam->setToolTip(entry.name);
    }
}

void showSectors(QGraphicsScene *scene, bool shown)
{
    const QList<QGraphicsItem *> items = scene->items();
    for (QGraphicsItem *item : items) {
        if (auto *cam = dynamic_cast<CamGraphicsItem *>(item)) {
            if (cam->viewArea())
                cam->viewArea()->setVisible(shown);
        }
    }
}

// Where a press on the map hits no camera, so that a drag pans the map.
QPoint emptySpot(QGraphicsView *view)
{
    const QRect area = view->viewport()->rect();
    for (int y = area.center().y(); y < area.bottom(); y += 7) {
        for (int x = area.width() / 4; x < area.width() * 3 / 4; x += 7) {
            if (!view->itemAt(QPoint(x, y)))
                return QPoint(x, y);
        }
    }
    return area.center();
}

void sendMouse(QWidget *target, QEvent::Type type, const QPoint &at, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, target->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// An operator's drag of the map by a quarter of the view, there and back:
// the mouse moves, the view scrolls, and the uncovered part is painted.
class Pan
{
public:
    explicit Pan(QGraphicsView *view)
        : m_view(view)
        , m_at(emptySpot(view))
    {
        sendMouse(m_view->viewport(), QEvent::MouseButtonPress, m_at, Qt::LeftButton);
    }
    ~Pan() { sendMouse(m_view->viewport(), QEvent::MouseButtonRelease, m_at, Qt::NoButton); }

    double stepMs()
    {
        m_direction = -m_direction;
        const QPoint to = m_at + QPoint(m_direction * m_view->viewport()->width() / 4, 0);
        QElapsedTimer timer;
        timer.start();
        sendMouse(m_view->viewport(), QEvent::MouseMove, to, Qt::LeftButton);
        QApplication::processEvents();
        m_at = to;
        return timer.nsecsElapsed() / 1e6;
    }

private:
    QGraphicsView *m_view;
    QPoint m_at;
    int m_direction = -1;
};

int townCase(WorkstationWindow &window, OstrelPlugin &plugin, const QTemporaryDir &dir)
{
    const QString file = BenchSupport::writeCameraList(dir, BenchSupport::CameraCount);
    if (file.isEmpty() || !plugin.loadVlcCamList(file))
        return 2;
    frame(&window, window.mapView(), ViewSize, TownZoom, QPointF(37.6, 55.75));

    QGraphicsScene scene;
    OsmView plainView(&scene);
    addPixmapItems(&scene, plugin.cameras());
    frame(&plainView, &plainView, window.mapView()->size(), TownZoom, QPointF(37.6, 55.75));

    const auto times = alternate(
        15, [&] { return grabMs(window.mapView()); }, [&] { return grabMs(&plainView); });
    return BenchSupport::report("render 10,000 cameras, zoom 11", times.first,
                                "render 10,000 pixmap items", times.second, 1.5);
}

int countryCase(WorkstationWindow &window, OstrelPlugin &plugin, const QTemporaryDir &dir)
{
    const int count = BenchSupport::CountryCameraCount;
    const QString file = BenchSupport::writeCameraList(dir, count);
    QFile in(file);
    CamListReader reader;
    if (file.isEmpty() || !in.open(QIODevice::ReadOnly) || !reader.read(in.readAll()))
        return 2;
    // As at the workstation, whose scene index took its depth when the map
    // held only its roads.
    window.scene()->setBspTreeDepth(5);
    QElapsedTimer timer;
    timer.start();
    if (!plugin.loadVlcCamList(file))
        return 2;
    std::printf("load of the country list took %.0f ms\n", timer.nsecsElapsed() / 1e6);
    OsmView *view = window.mapView();
    frame(&window, view, ViewSize, CityZoom, BenchSupport::Capital);

    // The same view of a scene holding only the cameras in it.
    const double margin = 16.0 / OsmView::pixelsPerDegree(CityZoom);
    const QRectF seen = view->mapToScene(view->viewport()->rect())
                            .boundingRect()
                            .adjusted(-margin, -2 * margin, margin, 2 * margin);
    QVector<CamListEntry> inView;
    for (const CamListEntry &entry : reader.list().cameras) {
        if (seen.contains(entry.position))
            inView.append(entry);
    }
    std::printf("cameras in the city view: %d of %d\n", inView.size(), count);
    // The view is set up first: a sector takes its shape from the view's
    // scales when it is made.
    WorkstationWindow visibleOnly;
    frame(&visibleOnly, visibleOnly.mapView(), view->size(), CityZoom, BenchSupport::Capital);
    addCameras(visibleOnly.scene(), inView);
    QApplication::processEvents();
    OsmView *visibleView = visibleOnly.mapView();

    int status = 0;
    auto times = alternate(
        15, [&] { return grabMs(view); }, [&] { return grabMs(visibleView); });
    status |= BenchSupport::report("render 100,000 cameras, city at zoom 13", times.first,
                                   "render the cameras in view only", times.second, 1.5);

    {
        Pan pan(view);
        Pan visiblePan(visibleView);
        times = alternate(
            16, [&] { return pan.stepMs(); }, [&] { return visiblePan.stepMs(); });
    }
    status |= BenchSupport::reportWithin("pan a quarter of the view, 100,000 cameras", times.first,
                                         16, "pan with the cameras in view only", times.second);

    timer.restart();
    plugin.setViewAreaAlwaysVisible(true);
    std::printf("showing all view sectors took %.0f ms\n", timer.nsecsElapsed() / 1e6);
    showSectors(visibleOnly.scene(), true);
    times = alternate(
        9, [&] { return grabMs(view); }, [&] { return grabMs(visibleView); });
    status |= BenchSupport::report("render with all sectors, city at zoom 13", times.first,
                                   "render with the sectors in view only", times.second, 1.5);

    // The whole country; the baseline is the scene's own way of drawing as
    // many icons.
    view->setZoom(CountryZoom);
    view->centerOn(BenchSupport::Country.center());
    QApplication::processEvents();
    const double sectorsCountry = median({grabMs(view), grabMs(view), grabMs(view)});
    plugin.setViewAreaAlwaysVisible(false);
    QApplication::processEvents();

    QGraphicsScene plainScene;
    OsmView plainView(&plainScene);
    addPixmapItems(&plainScene, plugin.cameras());
    frame(&plainView, &plainView, view->size(), CountryZoom, BenchSupport::Country.center());
    times = alternate(
        5, [&] { return grabMs(view); }, [&] { return grabMs(&plainView); });
    status |= BenchSupport::reportWithin("render 100,000 cameras, country at zoom 4", times.first,
                                         100, "render 100,000 pixmap items", times.second);
    std::printf("%-44s %9.2f ms\n", "the same with all view sectors", sectorsCountry);
    return status;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    WorkstationWindow window;
    OstrelPlugin plugin;
    int status = townCase(window, plugin, dir);
    std::fflush(stdout);
    status |= countryCase(window, plugin, dir);
    return status;
}
