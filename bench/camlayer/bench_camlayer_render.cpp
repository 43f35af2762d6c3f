// One full render of the map view showing 10,000 cameras, zoomed out, against
// the same view showing 10,000 plain pixmap items with the same flags.
#include "benchsupport.h"

#include "items/camgraphicsitem.h"
#include "osmview.h"
#include "plugin/ostrelplugin.h"
#include "workstationwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QTemporaryDir>

#include <algorithm>
#include <vector>

namespace {

constexpr int ZoomedOut = 11;

double grabMs(OsmView *view)
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

void frame(QWidget *window, OsmView *view, const QSize &size)
{
    view->scene()->setSceneRect(-180, -90, 360, 180); // a map spans the world
    window->resize(size);
    window->show();
    view->setReferenceLatitude(55.75);
    view->setZoom(ZoomedOut);
    QApplication::processEvents();
    view->centerOn(37.6, 55.75);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString file = BenchSupport::writeCameraList(dir);
    if (file.isEmpty())
        return 2;

    WorkstationWindow window;
    OstrelPlugin plugin;
    if (!plugin.loadVlcCamList(file))
        return 2;
    frame(&window, window.mapView(), QSize(1024, 768));

    QGraphicsScene scene;
    OsmView plainView(&scene);
    const QPixmap icon(QStringLiteral(":/resources/camera.png"));
    for (int i = 0; i < BenchSupport::CameraCount; ++i) {
        auto *item = new QGraphicsPixmapItem(icon);
        item->setOffset(-icon.width() / 2.0, -icon.height() / 2.0);
        item->setFlags(QGraphicsItem::ItemIsSelectable | QGraphicsItem::ItemIsFocusable
                       | QGraphicsItem::ItemIgnoresTransformations
                       | QGraphicsItem::ItemIgnoresParentOpacity);
        item->setPos(plugin.cameras().at(i)->scenePos());
        scene.addItem(item);
    }
    frame(&plainView, &plainView, window.mapView()->size());

    // The two sides take turns, so that a busy machine slows both alike.
    grabMs(window.mapView()); // warms the pixmap caches
    grabMs(&plainView);
    std::vector<double> cameras;
    std::vector<double> plain;
    for (int i = 0; i < 15; ++i) {
        cameras.push_back(grabMs(window.mapView()));
        plain.push_back(grabMs(&plainView));
    }
    return BenchSupport::report("render 10,000 cameras, zoom 11", median(cameras),
                                "render 10,000 pixmap items", median(plain), 1.5);
}
