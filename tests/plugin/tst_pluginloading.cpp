#include "pluginhost.h"
#include "workstationwindow.h"

#include <QJsonObject>
#include <QMetaMethod>
#include <QPluginLoader>
#include <QPointer>
#include <QProcess>
#include <QTest>

// The host's view of the plug-in: only the file, its metadata and the
// meta-object interface.
class TestPluginLoading : public QObject
{
    Q_OBJECT

private slots:
    void metadataCarriesOnlyIdentity();
    void interfaceByName();
    void workstationStartsWithPlugin();
};

void TestPluginLoading::metadataCarriesOnlyIdentity()
{
    QPluginLoader loader(QStringLiteral(OSTREL_PLUGIN_FILE));
    const QJsonObject meta = loader.metaData();
    QCOMPARE(meta.value(QStringLiteral("IID")).toString(),
             QStringLiteral("org.trafficdesk.varka.OstrelModule"));
    QCOMPARE(meta.value(QStringLiteral("className")).toString(), QStringLiteral("OstrelPlugin"));
    QVERIFY(!meta.contains(QStringLiteral("MetaData")));
}

void TestPluginLoading::interfaceByName()
{
    WorkstationWindow window;
    PluginHost host;
    QVERIFY(host.load(QStringLiteral(OSTREL_PLUGIN_FILE)));
    QObject *plugin = host.instance();
    QCOMPARE(plugin->metaObject()->className(), "OstrelPlugin");
    QCOMPARE(plugin->property("moduleVersion").toString(), QStringLiteral("2.3.45"));
    QVERIFY(plugin->property("maxStreamCount").toInt() >= 10);
    QCOMPARE(plugin->property("changed").toBool(), false);

    const QStringList expected = {
        "createCamWidget(QWidget*,QString,bool)",
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
    };
    QStringList invokables;
    const QMetaObject *meta = plugin->metaObject();
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.methodType() == QMetaMethod::Method)
            invokables << QString::fromLatin1(method.methodSignature());
    }
    QCOMPARE(invokables, expected);
    delete plugin;
}

void TestPluginLoading::workstationStartsWithPlugin()
{
    QProcess workstation;
    workstation.setProcessChannelMode(QProcess::MergedChannels);
    const QString shot = QDir::temp().filePath(
        QStringLiteral("ostrel-start-%1.png").arg(QCoreApplication::applicationPid()));
    workstation.start(
        QStringLiteral(OSTREL_WORKSTATION),
        {QStringLiteral("--screenshot"), shot, QStringLiteral("--after"), QStringLiteral("0.2")});
    QVERIFY(workstation.waitForFinished(30000));
    const QByteArray output = workstation.readAll();
    QVERIFY2(workstation.exitCode() == 0, output.constData());
    QVERIFY(output.contains("camera layer 2.3.45 loaded"));
    QImage picture(shot);
    QVERIFY(!picture.isNull());
    QFile::remove(shot);
}

QTEST_MAIN(TestPluginLoading)
#include "tst_pluginloading.moc"
