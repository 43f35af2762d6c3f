#include "player/playerwidget.h"

#include "messagecapture.h"
#include "peerprocess.h"
#include "streamfixture.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTest>
#include <QThreadPool>

extern "C" {
#include <libavutil/log.h>
}

// RTSP over either transport, and how a player goes away while a live
// source holds it up. The one-shot HTTP server plays in the relay, overlay
// and restart tests.
class TestPlayerStreams : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void playsRtsp_data();
    void playsRtsp();
    void destroyingBlockedPlayerTakesTheGracePeriod();
    void destroyingOpeningPlayerInterruptsTheOpen();
};

void TestPlayerStreams::initTestCase()
{
    av_log_set_level(AV_LOG_FATAL);
}

void TestPlayerStreams::playsRtsp_data()
{
    QTest::addColumn<bool>("useTcp");
    QTest::addColumn<QString>("transport");
    QTest::newRow("udp") << false << QStringLiteral("transport RTP/AVP/UDP;unicast;client_port");
    QTest::newRow("tcp") << true << QStringLiteral("transport RTP/AVP/TCP;unicast");
}

void TestPlayerStreams::playsRtsp()
{
    QFETCH(bool, useTcp);
    QFETCH(QString, transport);
    PeerProcess camera;
    QVERIFY(StreamFixture::startRtspServer(&camera));

    PlayerWidget player(
        nullptr, QStringLiteral("rtsp://127.0.0.1:%1/test").arg(camera.port()), useTcp);
    player.show();
    QVERIFY(StreamFixture::waitForPicture(&player));
    QCOMPARE(player.videoSize(), QSize(640, 480));

    // The camera saw only the transport the flag asks for: without it the
    // library's own default (UDP first), with it TCP alone.
    const QStringList setups = QString::fromUtf8(camera.output())
                                   .split(QLatin1Char('\n'))
                                   .filter(QStringLiteral("transport "));
    QVERIFY(!setups.isEmpty());
    for (const QString &setup : setups)
        QVERIFY2(setup.startsWith(transport), qPrintable(setup));
}

void TestPlayerStreams::destroyingBlockedPlayerTakesTheGracePeriod()
{
    PeerProcess camera;
    QVERIFY(StreamFixture::startOneShotServer(&camera));
    auto *player = new PlayerWidget(nullptr, StreamFixture::oneShotAddress(camera.port()));
    QVERIFY(StreamFixture::waitForPicture(player));

    // The camera stops sending; the read blocks.
    camera.pause();
    QTest::qWait(300);
    QElapsedTimer timer;
    timer.start();
    delete player;
    const qint64 elapsed = timer.elapsed();
    QVERIFY2(elapsed >= 2900 && elapsed < 5000, qPrintable(QString::number(elapsed)));
    QTRY_COMPARE_WITH_TIMEOUT(QThreadPool::globalInstance()->activeThreadCount(), 0, 2000);
}

void TestPlayerStreams::destroyingOpeningPlayerInterruptsTheOpen()
{
    // A camera that accepts the connection and never answers.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
    MessageCapture capture;
    auto *player = new PlayerWidget(
        nullptr, QStringLiteral("http://127.0.0.1:%1/live").arg(silent.serverPort()));
    QVERIFY(silent.waitForNewConnection(5000));
    QTest::qWait(300);
    QCOMPARE(StreamFixture::currentPage(player), 1);

    QElapsedTimer timer;
    timer.start();
    delete player;
    QVERIFY2(timer.elapsed() < 1500, qPrintable(QString::number(timer.elapsed())));
    QTRY_COMPARE_WITH_TIMEOUT(QThreadPool::globalInstance()->activeThreadCount(), 0, 2000);
    QVERIFY(capture.messages().isEmpty());
}

QTEST_MAIN(TestPlayerStreams)
#include "tst_playerstreams.moc"
