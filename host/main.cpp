#include "osmview.h"
#include "pluginhost.h"
#include "workstationwindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDebug>
#include <QGraphicsScene>
#include <QMessageBox>
#include <QTimer>

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
    parser.addOptions({pluginOption, listOption, shotOption, afterOption});
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
