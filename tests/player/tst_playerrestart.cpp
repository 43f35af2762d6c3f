#include "player/playerwidget.h"

#include "messagecapture.h"
#include "peerprocess.h"
#include "streamfixture.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QProgressBar>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

#include <cerrno>

extern "C" {
#include <libavutil/log.h>
}

// Cameras that stop or never answer. A camera gone when the player reopens
// it is in tst_streamfaults, killed and hanging up.
class TestPlayerRestart : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void unreachableCameraShowsTheLibraryText();
    void silentCameraIsReopened();
    void noOpeningOnceDestructionHasBegun();
};

void TestPlayerRestart::initTestCase()
{
    av_log_set_level(AV_LOG_FATAL);
}

void TestPlayerRestart::unreachableCameraShowsTheLibraryText()
{
    MessageCapture capture;
    const auto refusing = TestSupport::refusingPort();
    PlayerWidget player(nullptr,
                        QStringLiteral("http://127.0.0.1:%1/x").arg(refusing->localPort()));
    player.show();
    QTRY_COMPARE_WITH_TIMEOUT(StreamFixture::loadingText(&player),
                              QStringLiteral("Error ffmpeg initialization: ")
                                  + qt_error_string(ECONNREFUSED),
                              5000);
    QCOMPARE(StreamFixture::currentPage(&player), 1);
    QVERIFY(player.findChild<QProgressBar *>(QStringLiteral("progressBar"))->isHidden());
    QTest::qWait(500);
    QVERIFY(StreamFixture::playerWarnings(capture).isEmpty());
}

void TestPlayerRestart::silentCameraIsReopened()
{
    PeerProcess camera;
    QVERIFY(StreamFixture::startRtspServer(&camera));
    MessageCapture capture;
    PlayerWidget player(
        nullptr, QStringLiteral("rtsp://127.0.0.1:%1/test").arg(camera.port()), true);
    player.show();
    QVERIFY(StreamFixture::waitForPicture(&player));

    camera.pause();
    QElapsedTimer silence;
    silence.start();
    QTRY_VERIFY_WITH_TIMEOUT(capture.contains(QStringLiteral("No frame in 10 sec")), 13000);
    QVERIFY2(silence.elapsed() >= 10000, qPrintable(QString::number(silence.elapsed())));
    // One timeout is enough: the interrupted read fails right away.
    QTRY_VERIFY_WITH_TIMEOUT(capture.contains(QStringLiteral("Restarting player")), 2000);
    QCOMPARE(
        StreamFixture::playerWarnings(capture),
        QStringList({QStringLiteral("No frame in 10 sec"), QStringLiteral("Error reading frame"),
                     QStringLiteral("Restarting player")}));
    // The last picture stays on the video page while the camera is reopened.
    QCOMPARE(StreamFixture::currentPage(&player), 0);
    QVERIFY(!player.warningText().isEmpty());

    // The camera answers again: a second session is set up and plays.
    QByteArray served = camera.output();
    camera.resume();
    QVERIFY(TestSupport::waitUntil(
        [&] {
            served += camera.output();
            return served.count("transport ") >= 2;
        },
        10000));
    QVERIFY(StreamFixture::waitForPicture(&player));
    QCOMPARE(StreamFixture::playerWarnings(capture).size(), 3);
}

void TestPlayerRestart::noOpeningOnceDestructionHasBegun()
{
    PeerProcess camera;
    QVERIFY(StreamFixture::startOneShotServer(&camera));
    const quint16 port = camera.port();
    MessageCapture capture;
    auto *player = new PlayerWidget(nullptr, StreamFixture::oneShotAddress(port));
    // The one-shot server stops listening once it has its client; its port
    // is taken at once, to see whether the player comes back to it.
    QVERIFY(TestSupport::waitUntil(
        [&] { return !TestSupport::listensOn(camera.pid(), port); }, 10000));
    QTcpServer watch;
    QVERIFY(watch.listen(QHostAddress::LocalHost, port));
    QVERIFY(StreamFixture::waitForPicture(player));
    camera.pause();
    QTest::qWait(300); // until the read blocks

    // During the grace period a restart arrives, and the blocked read fails
    // because the camera goes away.
    bool restartArrived = false;
    QTimer::singleShot(500, player, [&] {
        restartArrived = QMetaObject::invokeMethod(player, "restartingFFmpeg");
    });
    QTimer::singleShot(1000, [&camera] { camera.stop(); });
    delete player;
    QVERIFY(restartArrived);

    QTest::qWait(1000);
    QVERIFY(!watch.hasPendingConnections());
    QVERIFY(!capture.contains(QStringLiteral("Restarting player")));
}

QTEST_MAIN(TestPlayerRestart)
#include "tst_playerrestart.moc"
