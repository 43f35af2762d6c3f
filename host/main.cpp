#include "osmview.h"
#include "pluginhost.h"
#include "workstationwindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDebug>
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QMessageBox>
#include <QTimer>
#include <QtMath>

// Centres the map on the cameras the layer put on it, at the closest zoom
// level that shows them all in `area`. Cameras are the scene items that carry
// their own object as item data 0.
static void showAllCameras(OsmView *view, const QSize &area)
{
    double left = 0, right = 0, bottom = 0, top = 0;
    bool found = false;
    const QList<QGraphicsItem *> items = view->scene()->items();
    for (const QGraphicsItem *item : items) {
        if (!qvariant_cast<QObject *>(item->data(0)))
            continue;
        const QPointF p = item->scenePos();
        left = found ? qMin(left, p.x()) : p.x();
        right = found ? qMax(right, p.x()) : p.x();
        bottom = found ? qMin(bottom, p.y()) : p.y();
        top = found ? qMax(top, p.y()) : p.y();
        found = true;
    }
    if (!found)
        return;
    const QRectF bounds(QPointF(left, bottom), QPointF(right, top));

    view->setReferenceLatitude(bounds.center().y());
    const double stretch = 1.0 / std::cos(qDegreesToRadians(view->referenceLatitude()));
    int zoom = OsmView::MaxZoom;
    while (zoom > OsmView::MinZoom
           && (bounds.width() * OsmView::pixelsPerDegree(zoom) > area.width() * 0.8
               || bounds.height() * OsmView::pixelsPerDegree(zoom) * stretch
                   > area.height() * 0.8)) {
        --zoom;
    }
    view->setZoom(zoom);
    view->centerOn(bounds.center());
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("workstation"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QCoreApplication::translate("main", "Map workstation with the camera layer plug-in"));
    parser.addHelpOption();
    const QCommandLineOption pluginOption(QStringLiteral("plugin"),
                                          QCoreApplication::translate("main", "Plug-in file."),
                                          QStringLiteral("file"));
    const QCommandLineOption listOption(QStringLiteral("list"),
                                        QCoreApplication::translate("main", "Camera list to load."),
                                        QStringLiteral("file"));
    const QCommandLineOption shotOption(
        QStringLiteral("screenshot"),
        QCoreApplication::translate("main", "Write a picture of the window and quit."),
        QStringLiteral("png"));
    const QCommandLineOption afterOption(
        QStringLiteral("after"),
        QCoreApplication::translate("main", "Seconds to wait before the screenshot."),
        QStringLiteral("seconds"), QStringLiteral("1"));
    const QCommandLineOption viewAreasOption(
        QStringLiteral("view-areas"),
        QCoreApplication::translate("main", "Show the view sectors of all cameras."));
    parser.addOptions({pluginOption, listOption, viewAreasOption, shotOption, afterOption});
    parser.process(app);

    WorkstationWindow window;
    window.mapView()->setReferenceLatitude(55.75);
    window.mapView()->centerOn(37.62, 55.75);

    PluginHost host;
    const QString pluginFile = parser.isSet(pluginOption) ? parser.value(pluginOption)
                                                          : PluginHost::defaultPluginPath();
    if (!host.load(pluginFile)) {
        qCritical().noquote() << host.errorString();
        return 2;
    }
    QObject *plugin = host.instance();
    qInfo().noquote() << "camera layer" << plugin->property("moduleVersion").toString()
                      << "loaded from" << host.fileName();

    if (parser.isSet(viewAreasOption))
        plugin->setProperty("viewAreaAlwaysVisible", true);

    bool ok = true;
    if (parser.isSet(listOption)) {
        bool loaded = false;
        QMetaObject::invokeMethod(plugin, "loadVlcCamList", Q_RETURN_ARG(bool, loaded),
                                  Q_ARG(QString, parser.value(listOption)));
        if (!loaded) {
            QString error;
            QMetaObject::invokeMethod(plugin, "lastError", Q_RETURN_ARG(QString, error));
            qCritical().noquote() << error;
            ok = false;
        } else {
            showAllCameras(window.mapView(), window.size());
        }
    }

    window.show();

    if (parser.isSet(shotOption)) {
        const QString file = parser.value(shotOption);
        const int delayMs = qMax(0, int(parser.value(afterOption).toDouble() * 1000));
        QTimer::singleShot(delayMs, &window, [&window, &ok, file] {
            if (!window.grab().save(file))
                ok = false;
            QApplication::exit(ok ? 0 : 1);
        });
    }
    const int rc = app.exec();
    delete plugin;
    return ok ? rc : 1;
}
