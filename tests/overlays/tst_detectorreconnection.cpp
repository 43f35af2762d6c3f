#include "overlays/axistrafficstreamoverlay.h"
#include "overlays/citilogovelay.h"

#include "imagecollector.h"
#include "simulatorpeer.h"

#include <QTest>

// The slow part of the detector clients' life cycle: the traffic-stream
// keep-alive after 20 s of quiet, and a CitiLog client coming back 10 s
// after a failure under the same identifier. Reconnection after every kind
// of loss, for both clients, is in tst_detectorfaults. The cases run side
// by side so that the whole test waits one keep-alive period.
class TestDetectorReconnection : public QObject
{
    Q_OBJECT

private slots:
    void reconnectionAndKeepAlive();
};

void TestDetectorReconnection::reconnectionAndKeepAlive()
{
    SimulatorPeer quiet;
    QVERIFY(quiet.start(QStringLiteral("trafficstream")));
    quiet.command("answer id nope");

    SimulatorPeer oversized;
    QVERIFY(oversized.start(QStringLiteral("citilog"), QByteArray(), {"--misbehave", "oversize"}));

    CitiLogOvelay citiLog(nullptr, oversized.url(QString()));
    ImageCollector citiLogImages(&citiLog);
    citiLog.start();
    AxisTrafficStreamOverlay waiting(nullptr, quiet.url());
    ImageCollector waitingImages(&waiting);
    waiting.start();

    // Keep-alive between 20 and 21 s after the last command.
    QVERIFY(quiet.waitForLine("recv 1 id", 25000));
    const qint64 quietFor = quiet.timeOf("recv 1 id") - quiet.timeOf("recv 1 sm data=on");
    QVERIFY2(quietFor >= 19900 && quietFor <= 21600, qPrintable(QString::number(quietFor)));
    QVERIFY(quiet.waitForLine("closed 1"));
    QCOMPARE(waitingImages.last(),
             ImageCollector::messageImage(QSize(640, 480), "Invalid answer to 'id' command"));

    // The oversized message on 300 x 300 until the client comes back 10 s
    // after the disconnection, under the same identifier.
    QVERIFY(oversized.waitForLine("connected 2", 1000));
    const qint64 away = oversized.timeOf("connected 2") - oversized.timeOf("closed 1");
    QVERIFY2(away >= 9800 && away <= 11000, qPrintable(QString::number(away)));
    QCOMPARE(citiLogImages.at(1),
             ImageCollector::messageImage(QSize(300, 300), "Message size too big"));
    QVERIFY(citiLogImages.at(2).isNull());
    const QString request = "<CTL source=\"" + citiLog.ownId() + "\" dest=\"\"><ReqAnaEnum/></CTL>";
    QVERIFY(oversized.waitForLine("recv 2 " + request, 1000));
    QVERIFY(oversized.timeOf("recv 1 " + request) >= 0);
}

QTEST_MAIN(TestDetectorReconnection)
#include "tst_detectorreconnection.moc"
