#include "pluginhost.h"
#include "workstationwindow.h"

#include <QDockWidget>
#include <QJsonObject>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QPluginLoader>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// The host's view of the plug-in: only the file, its metadata and the
// meta-object interface; and the workstation started as an operator starts it.
class TestPluginLoading : public QObject
{
    Q_OBJECT

private slots:
    void hostContract();
    void workstationCommandLine_data();
    void workstationCommandLine();
};

namespace {

QStringList names(const QObject *object, bool properties)
{
    const QMetaObject *meta = object->metaObject();
    QStringList result;
    if (properties) {
        for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i)
            result << QString::fromLatin1(meta->property(i).name());
        return result;
    }
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.methodType() == QMetaMethod::Method || method.methodType() == QMetaMethod::Slot)
            result << QString::fromLatin1(method.methodSignature());
    }
    return result;
}

QWidget *make(QObject *plugin, const char *factory, QWidget *parent, const QString &address)
{
    QWidget *made = nullptr;
    QMetaObject::invokeMethod(plugin, factory, Q_RETURN_ARG(QWidget *, made),
                              Q_ARG(QWidget *, parent), Q_ARG(QString, address));
    return made;
}

} // namespace

// Everything the host relies on, found by name: the metadata, the plug-in's
// and a camera's properties and invokables in their order (hosts store
// meta-method indices), and the object names of the players it is given.
void TestPluginLoading::hostContract()
{
    QPluginLoader loader(QStringLiteral(OSTREL_PLUGIN_FILE));
    const QJsonObject metaData = loader.metaData();
    QCOMPARE(metaData.value(QStringLiteral("IID")).toString(),
             QStringLiteral("org.trafficdesk.varka.OstrelModule"));
    QCOMPARE(metaData.value(QStringLiteral("className")).toString(),
             QStringLiteral("OstrelPlugin"));
    QVERIFY(!metaData.contains(QStringLiteral("MetaData")));

    WorkstationWindow window;
    PluginHost host;
    QVERIFY(host.load(QStringLiteral(OSTREL_PLUGIN_FILE)));
    QObject *plugin = host.instance();
    QCOMPARE(plugin->metaObject()->className(), "OstrelPlugin");
    QCOMPARE(names(plugin, true), QStringList({"viewAreaAlwaysVisible", "moduleVersion", "changed",
                                               "maxStreamCount", "loadWarnings", "stillFolder"}));
    QCOMPARE(plugin->property("moduleVersion").toString(), QStringLiteral("2.3.45"));
    QStringList invokables = names(plugin, false);
    invokables.removeAll(QStringLiteral("osmViewZoomChanged(int)"));
    invokables.removeAll(QStringLiteral("attachedCamDestroyed(QObject*)"));
    invokables.removeAll(QStringLiteral("camDestroyed(QObject*)"));
    QCOMPARE(invokables, QStringList({"createCamWidget(QWidget*,QString,bool)",
                                      "createCamWidget(QWidget*,QString)",
                                      "createImagePlayerWidget(QWidget*,QString,int)",
                                      "createImagePlayerWidget(QWidget*,QString)",
                                      "loadVlcCamList(QString,QGraphicsObject*)",
                                      "loadVlcCamList(QString)",
                                      "saveVlcCamList(QString)",
                                      "lastError()",
                                      "setTypeVisible(int,bool)",
                                      "typeIsVisible(int)",
                                      "clearCams()",
                                      "editCamProperties(CamGraphicsItem*)",
                                      "createNewCamera(QPointF,int)",
                                      "createNewCamera(QPointF)",
                                      "deleteCamera(CamGraphicsItem*)",
                                      "attachToScene(QWidget*,bool,QPointF)",
                                      "attachToScene(QWidget*,bool)",
                                      "attachToScene(QWidget*)",
                                      "deleteAttachedCams()",
                                      "setSceneCamZoomSize(int,int,int)",
                                      "camerasSeeing(QPointF)"}));

    // A camera: its code is read-only, and the host reaches the graphics
    // item through the interface cast.
    QObject *cam = nullptr;
    QVERIFY(QMetaObject::invokeMethod(plugin, "createNewCamera", Q_RETURN_ARG(QObject *, cam),
                                      Q_ARG(QPointF, QPointF(1, 2)), Q_ARG(int, 3)));
    QCOMPARE(names(cam, true), QStringList({"type", "position", "selected", "useTcpRtsp",
                                            "hasImages", "url", "overlayUrl", "imageUrlTemplate",
                                            "angle", "viewRadius", "viewAngle", "movable"}));
    QCOMPARE(names(cam, false),
             QStringList({"setViewRadius(double)", "setAngle(double)", "setViewAngle(double)",
                          "modelData(int,int)", "play(bool,bool)", "play(bool)", "play()",
                          "setPixmap(QString,QString)"}));
    QVERIFY(!cam->setProperty("type", 2));
    QCOMPARE(cam->property("type").toInt(), 3);
    QVERIFY(cam->qt_metacast("org.qt-project.Qt.QGraphicsItem"));
    // The model columns: name, address without credentials, type code, and
    // the players' state (none here).
    cam->setProperty("url", QStringLiteral("rtsp://admin:pw@10.1.1.1/live"));
    const QVariantList columns = {QString(), QStringLiteral("rtsp://10.1.1.1/live"), 3, QString(),
                                  QVariant()};
    for (int column = 0; column < columns.size(); ++column) {
        QVariant data;
        QVERIFY(QMetaObject::invokeMethod(cam, "modelData", Q_RETURN_ARG(QVariant, data),
                                          Q_ARG(int, column), Q_ARG(int, Qt::DisplayRole)));
        QCOMPARE(data, columns.at(column));
    }

    // A player for the main window comes in a dock named after its address,
    // which goes with its player on close; for any other parent it comes
    // bare, named after its class. Snapshots come every 30 s by default.
    const QString stream = QStringLiteral("tcp://127.0.0.1:1");
    const QString images = QStringLiteral("http://127.0.0.1:1/snapshot.jpg");
    for (const char *factory : {"createCamWidget", "createImagePlayerWidget"}) {
        const QString address = factory[6] == 'C' ? stream : images;
        auto *dock = qobject_cast<QDockWidget *>(make(plugin, factory, &window, address));
        QVERIFY(dock);
        QCOMPARE(dock->objectName(), address);
        QCOMPARE(dock->parentWidget(), &window);
        QPointer<QWidget> docked = dock->widget();
        QPointer<QDockWidget> guard = dock;
        dock->close();
        QVERIFY(QTest::qWaitFor([&] { return guard.isNull() && docked.isNull(); }, 5000));

        QWidget parent;
        QWidget *bare = make(plugin, factory, &parent, address);
        QVERIFY(bare);
        QCOMPARE(bare->parentWidget(), &parent);
        QCOMPARE(bare->objectName(), QString::fromLatin1(bare->metaObject()->className()));
        if (address == images)
            QCOMPARE(bare->findChild<QTimer *>(QStringLiteral("refreshTimer"))->interval(), 30000);
    }
    delete plugin;
}

void TestPluginLoading::workstationCommandLine_data()
{
    QTest::addColumn<QString>("shot");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("output");
    QTest::addColumn<bool>("succeeds");
    QTest::newRow("screenshot") << "shot.png"
                                << "0.2"
                                << "camera layer 2.3.45 loaded" << true;
    QTest::newRow("missing folder") << "missing/shot.png"
                                    << "0"
                                    << "Cannot write the screenshot %1: " << false;
    const QString badDelay = QStringLiteral("--after takes seconds from 0 to 3600, not \"%1\"");
    for (const char *after : {"1e300", "3600.5", "-1", "nan", "inf", "2s"})
        QTest::newRow(after) << "shot.png" << after << badDelay.arg(after) << false;
}

// Started as an operator starts it: the workstation loads the plug-in, or
// says why it cannot do what it was asked.
void TestPluginLoading::workstationCommandLine()
{
    QFETCH(QString, shot);
    QFETCH(QString, after);
    QFETCH(QString, output);
    QFETCH(bool, succeeds);
    QTemporaryDir dir;
    shot = dir.filePath(shot);
    QProcess workstation;
    workstation.setProcessChannelMode(QProcess::MergedChannels);
    workstation.start(QStringLiteral(OSTREL_WORKSTATION),
                      {QStringLiteral("--screenshot"), shot, QStringLiteral("--after"), after});
    QVERIFY(workstation.waitForFinished(30000));
    const QString said = QString::fromUtf8(workstation.readAll());
    QVERIFY2(said.contains(output.replace(QLatin1String("%1"), shot)), qPrintable(said));
    QCOMPARE(workstation.exitStatus(), QProcess::NormalExit);
    QCOMPARE(workstation.exitCode(), succeeds ? 0 : 1);
    QCOMPARE(QImage(shot).isNull(), !succeeds);
}

QTEST_MAIN(TestPluginLoading)
#include "tst_pluginloading.moc"
