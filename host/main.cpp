#include "cameralayer.h"
#include "osmview.h"
#include "pluginhost.h"
#include "workstationwindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QTimer>
#include <QTranslator>

namespace {

// The longest wait before a screenshot: enough for any stream to show, and
// a bound that the timer's milliseconds always hold.
constexpr double MaxScreenshotDelaySeconds = 3600;

QString findExample(const QString &name)
{
    const QStringList candidates = {
        QCoreApplication::applicationDirPath() + QStringLiteral("/../share/ostrel/examples/")
            + name,
        QCoreApplication::applicationDirPath() + QStringLiteral("/" OSTREL_SOURCE_EXAMPLES "/")
            + name,
    };
    for (const QString &candidate : candidates) {
        if (QFileInfo::exists(candidate))
            return QDir::cleanPath(candidate);
    }
    return QString();
}

// Operator-facing texts of the plug-in and of this host, in the user's
// language when a catalogue lies beside the plug-in.
void installTranslations(QApplication &app, const QString &pluginFile)
{
    const QString directory = QFileInfo(pluginFile).absolutePath();
    for (const QString &catalogue : {QStringLiteral("ostrel")}) {
        auto *translator = new QTranslator(&app);
        if (translator->load(QLocale(), catalogue, QStringLiteral("_"), directory))
            app.installTranslator(translator);
        else
            delete translator;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("workstation"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QCoreApplication::translate("main", "Map workstation with the camera layer plug-in"));
    parser.addHelpOption();
    const auto option = [](const char *name, const char *description, const char *value = nullptr,
                           const QString &defaultValue = QString()) {
        return QCommandLineOption(QString::fromLatin1(name),
                                  QCoreApplication::translate("main", description),
                                  value ? QString::fromLatin1(value) : QString(), defaultValue);
    };
    const QCommandLineOption pluginOption = option("plugin", "Plug-in file.", "file");
    const QCommandLineOption listOption = option("list", "Camera list to load.", "file");
    const QCommandLineOption roadsOption = option("roads", "Road network (GeoJSON).", "file");
    const QCommandLineOption tilesOption =
        option("tiles", "Offline tile directory (DIR/z/x/y.png).", "dir");
    const QCommandLineOption zoomOption = option("zoom", "Initial zoom level.", "level", "14");
    const QCommandLineOption playOption = option("play", "Play a camera live in a dock.", "name");
    const QCommandLineOption imagesOption =
        option("play-images", "Play a camera's snapshots in a dock.", "name");
    const QCommandLineOption onMapOption =
        option("play-on-map", "Play a camera live on the map.", "name");
    const QCommandLineOption shotOption =
        option("screenshot", "Write a picture of the window and quit.", "png");
    const QCommandLineOption afterOption =
        option("after", "Seconds to wait before the screenshot.", "seconds", "1");
    const QCommandLineOption sizeOption = option("size", "Window size.", "WIDTHxHEIGHT");
    const QCommandLineOption viewAreasOption =
        option("view-areas", "Show the view sectors of all cameras.");
    parser.addOptions({pluginOption, listOption, roadsOption, tilesOption, zoomOption, playOption,
                       imagesOption, onMapOption, shotOption, afterOption, viewAreasOption,
                       sizeOption});
    parser.process(app);

    bool afterOk = false;
    const double after = parser.value(afterOption).toDouble(&afterOk);
    if (!afterOk || !(after >= 0 && after <= MaxScreenshotDelaySeconds)) {
        qCritical().noquote() << QCoreApplication::translate(
                                     "main", "--after takes seconds from 0 to %1, not \"%2\"")
                                     .arg(MaxScreenshotDelaySeconds)
                                     .arg(parser.value(afterOption));
        return 1;
    }

    bool ok = true;
    const auto fail = [&ok](const QString &message) {
        qCritical().noquote() << message;
        ok = false;
    };

    const QString pluginFile =
        parser.isSet(pluginOption) ? parser.value(pluginOption) : PluginHost::defaultPluginPath();
    installTranslations(app, pluginFile);

    WorkstationWindow window;
    window.mapView()->setBackgroundBrush(QColor(0xf2, 0xef, 0xe9));
    window.mapView()->setGraticuleVisible(true);
    window.mapView()->setReferenceLatitude(55.75);
    window.mapView()->setZoom(parser.value(zoomOption).toInt());
    window.mapView()->centerOn(37.615, 55.752);
    if (parser.isSet(tilesOption))
        window.mapView()->setTileDirectory(parser.value(tilesOption));
    const QString roads =
        parser.isSet(roadsOption) ? parser.value(roadsOption) : findExample("town-roads.geojson");
    if (!roads.isEmpty() && !window.loadRoads(roads))
        fail(QCoreApplication::translate("main", "Cannot read the road network %1").arg(roads));

    PluginHost host;
    if (!host.load(pluginFile)) {
        qCritical().noquote() << host.errorString();
        return 2;
    }
    QObject *plugin = host.instance();
    qInfo().noquote() << "camera layer" << plugin->property("moduleVersion").toString()
                      << "loaded from" << host.fileName();
    window.setPlugin(plugin);
    if (parser.isSet(viewAreasOption))
        window.cameraLayer().setViewAreasAlwaysVisible(true);

    if (parser.isSet(sizeOption)) {
        const QStringList size = parser.value(sizeOption).split(QLatin1Char('x'));
        if (size.size() == 2)
            window.resize(size.at(0).toInt(), size.at(1).toInt());
    }
    window.show();
    if (parser.isSet(listOption)) {
        if (window.openList(parser.value(listOption)))
            window.centreOnCameras();
        else
            fail(window.cameraLayer().lastError());
    }

    const auto playAll = [&](const QCommandLineOption &which, bool images, bool onMap) {
        const QStringList names = parser.values(which);
        for (const QString &name : names) {
            QObject *camera = window.findCamera(name);
            if (!camera || !CameraLayer::play(camera, images, onMap))
                fail(QCoreApplication::translate("main", "Cannot play camera \"%1\"").arg(name));
        }
    };
    playAll(playOption, false, false);
    playAll(imagesOption, true, false);
    playAll(onMapOption, false, true);
    if (parser.isSet(shotOption)) {
        window.dockFloatingPlayers();
        QCoreApplication::processEvents();
        window.centreOnCameras();
    }

    if (parser.isSet(shotOption)) {
        const QString file = parser.value(shotOption);
        QTimer::singleShot(qRound(after * 1000), &window, [&window, &fail, &ok, file] {
            QImageWriter writer(file);
            if (!writer.write(window.grab().toImage())) {
                fail(QCoreApplication::translate("main", "Cannot write the screenshot %1: %2")
                         .arg(file, writer.errorString()));
            }
            QApplication::exit(ok ? 0 : 1);
        });
    }
    const int rc = app.exec();
    // The layer goes first, while the scene and the main window it uses
    // still exist.
    delete plugin;
    return ok ? rc : 1;
}
