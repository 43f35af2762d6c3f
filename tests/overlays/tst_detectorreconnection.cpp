#include "overlays/axistrafficstreamoverlay.h"
#include "overlays/citilogovelay.h"
#include "overlays/tcpdetectortransport.h"

#include "imagecollector.h"
#include "simulatorpeer.h"

#include <QTest>

namespace {

// Shorter than the detectors' own, so that the test waits seconds, not half
// a minute; the clients treat them alike.
constexpr int reconnectDelay = 1000;
constexpr qint64 keepAliveInterval = 2000;

} // namespace

// The slow part of the detector clients' life cycle: the traffic-stream
// keep-alive after a quiet spell, and a CitiLog client coming back a while
// after a failure under the same identifier. Reconnection after every kind
// of loss, for both clients, is in tst_detectorfaults. The cases run side by
// side so that the whole test waits one keep-alive period.
class TestDetectorReconnection : public QObject
{
    Q_OBJECT

private slots:
    void reconnectionAndKeepAlive();
};

void TestDetectorReconnection::reconnectionAndKeepAlive()
{
    // What the clients wait for unless told otherwise.
    QCOMPARE(CitiLogOvelay::Timings().connection.reconnectDelay, 10000);
    QCOMPARE(AxisTrafficStreamOverlay::Timings().connection.reconnectDelay, 10000);
    QCOMPARE(AxisTrafficStreamOverlay::Timings().protocol.keepAliveInterval, 20000);

    SimulatorPeer quiet;
    QVERIFY(quiet.start(QStringLiteral("trafficstream")));
    quiet.command("answer id nope");

    SimulatorPeer oversized;
    QVERIFY(oversized.start(QStringLiteral("citilog"), QByteArray(), {"--misbehave", "oversize"}));

    CitiLogOvelay::Timings citiLogTimings;
    citiLogTimings.connection.reconnectDelay = reconnectDelay;
    CitiLogOvelay citiLog(nullptr, oversized.url(QString()),
                          std::make_unique<TcpDetectorTransport>(), citiLogTimings);
    ImageCollector citiLogImages(&citiLog);
    citiLog.start();
    AxisTrafficStreamOverlay::Timings waitingTimings;
    waitingTimings.protocol.keepAliveInterval = keepAliveInterval;
    AxisTrafficStreamOverlay waiting(nullptr, quiet.url(),
                                     std::make_unique<TcpDetectorTransport>(), waitingTimings);
    ImageCollector waitingImages(&waiting);
    waiting.start();

    // The keep-alive at the first tick past the quiet spell after the last
    // command.
    QVERIFY(quiet.waitForLine("recv 1 id", int(keepAliveInterval) + 5000));
    const qint64 quietFor = quiet.timeOf("recv 1 id") - quiet.timeOf("recv 1 sm data=on");
    QVERIFY2(quietFor >= keepAliveInterval - 100 && quietFor <= keepAliveInterval + 1600,
             qPrintable(QString::number(quietFor)));
    QVERIFY(quiet.waitForLine("closed 1"));
    QCOMPARE(waitingImages.last(),
             ImageCollector::messageImage(QSize(640, 480), "Invalid answer to 'id' command"));

    // The oversized message on 300 x 300 until the client comes back after
    // the reconnection delay, under the same identifier.
    QVERIFY(oversized.waitForLine("connected 2", 1000));
    const qint64 away = oversized.timeOf("connected 2") - oversized.timeOf("closed 1");
    QVERIFY2(away >= reconnectDelay - 200 && away <= reconnectDelay + 1000,
             qPrintable(QString::number(away)));
    QCOMPARE(citiLogImages.at(1),
             ImageCollector::messageImage(QSize(300, 300), "Message size too big"));
    QVERIFY(citiLogImages.at(2).isNull());
    const QString request = "<CTL source=\"" + citiLog.ownId() + "\" dest=\"\"><ReqAnaEnum/></CTL>";
    QVERIFY(oversized.waitForLine("recv 2 " + request, 1000));
    QVERIFY(oversized.timeOf("recv 1 " + request) >= 0);
}

QTEST_MAIN(TestDetectorReconnection)
#include "tst_detectorreconnection.moc"
