#include "pluginhost.h"
#include "workstationwindow.h"

#include <QJsonObject>
#include <QMetaMethod>
#include <QPluginLoader>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The host's view of the plug-in: only the file, its metadata and the
// meta-object interface.
class TestPluginLoading : public QObject
{
    Q_OBJECT

private slots:
    void metadataCarriesOnlyIdentity();
    void interfaceByName();
    void workstationCommandLine_data();
    void workstationCommandLine();
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
        "camerasSeeing(QPointF)",
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

void TestPluginLoading::workstationCommandLine_data()
{
    QTest::addColumn<QString>("shot");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("output");
    QTest::addColumn<bool>("succeeds");
    QTest::newRow("screenshot") << "shot.png" << "0.2" << "camera layer 2.3.45 loaded" << true;
    QTest::newRow("missing folder")
        << "missing/shot.png" << "0" << "Cannot write the screenshot %1: " << false;
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
