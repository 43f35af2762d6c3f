#include "player/playerwidget.h"
#include "player/restartpolicy.h"
#include "player/streampool.h"

#include "messagecapture.h"
#include "peerprocess.h"
#include "streamfixture.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QThreadPool>
#include <QTimer>

#include <memory>

extern "C" {
#include <libavutil/log.h>
}

namespace {

QString describe(const RestartPolicy::Decision &decision, qint64 nowMs)
{
    switch (decision.action) {
    case RestartPolicy::Action::OpenNow:
        return decision.atMs == nowMs ? QStringLiteral("now") : QStringLiteral("now?");
    case RestartPolicy::Action::OpenLater:
        return QStringLiteral("later %1").arg(decision.atMs - nowMs);
    case RestartPolicy::Action::GiveUp:
        return QStringLiteral("giveup");
    }
    return QString();
}

} // namespace

// When a live player opens its camera again, and how: the policy with a
// given clock, then cameras that fail, hang, stop or come back.
class TestPlayerRestart : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void policy_data();
    void policy();
    void reconnectsWhenTheCameraComesBack_data();
    void reconnectsWhenTheCameraComesBack();
    void openingHasADeadline();
    void silentCameraIsReopened();
    void noOpeningOnceDestructionHasBegun();
    void playerWaitsForAFreeSlot();
};

void TestPlayerRestart::initTestCase()
{
    av_log_set_level(AV_LOG_FATAL);
}

void TestPlayerRestart::policy_data()
{
    // Steps "event time [expected]": start, open, picture, cancel; fail,
    // refuse, lose give a decision; left gives the seconds shown; overdue
    // whether the opening started last has passed its deadline.
    QTest::addColumn<QStringList>("steps");
    QTest::newRow("back-off doubles up to 30 s")
        << QStringList {"start 0",        "fail 100 later 1000",   "start 1100",
                        "fail 1200 later 2000",  "start 3200",     "fail 3300 later 4000",
                        "start 7300",     "fail 7400 later 8000",  "start 15400",
                        "fail 15500 later 16000", "start 31500",   "fail 31600 later 30000",
                        "start 61600",    "fail 61700 later 30000"};
    QTest::newRow("a picture after an opening starts afresh")
        << QStringList {"start 0", "fail 10 later 1000", "start 1010", "fail 1020 later 2000",
                        "start 3020", "open 3500", "picture 3600", "lose 90000 now",
                        "start 90000", "fail 90100 later 1000"};
    QTest::newRow("an opening without a picture does not")
        << QStringList {"start 0", "fail 10 later 1000", "start 1010", "open 1500",
                        "lose 1600 later 2000", "start 3600", "open 4000", "lose 4100 later 4000"};
    QTest::newRow("pictures without an opening count for nothing")
        << QStringList {"start 0",     "fail 10 later 1000",   "picture 20",  "start 1010",
                        "picture 1100", "open 1500", "lose 1600 later 2000", "picture 1700",
                        "start 3600",  "fail 3700 later 4000"};
    QTest::newRow("a refused address is given up")
        << QStringList {"start 0", "refuse 5 giveup", "left 6 0"};
    QTest::newRow("seconds shown round up")
        << QStringList {"start 0",        "fail 0 later 1000", "left 0 1", "left 999 1",
                        "left 1000 0",    "start 1000",        "fail 1000 later 2000",
                        "left 1001 2",    "left 2000 1",       "cancel 2500", "left 2500 0"};
    QTest::newRow("an opening has 10 s")
        << QStringList {"start 500", "overdue 10500 no", "overdue 10501 yes"};
}

void TestPlayerRestart::policy()
{
    QFETCH(QStringList, steps);
    RestartPolicy policy;
    qint64 started = 0;
    for (const QString &step : qAsConst(steps)) {
        const QStringList parts = step.split(QLatin1Char(' '));
        const QString event = parts.at(0);
        const qint64 now = parts.at(1).toLongLong();
        QString result;
        if (event == QLatin1String("start")) {
            policy.openingStarted(now);
            started = now;
        } else if (event == QLatin1String("open")) {
            policy.opened(now);
        } else if (event == QLatin1String("picture")) {
            policy.pictureShown(now);
        } else if (event == QLatin1String("cancel")) {
            policy.cancel();
        } else if (event == QLatin1String("fail") || event == QLatin1String("refuse")) {
            result = describe(policy.openFailed(now, event == QLatin1String("refuse")), now);
        } else if (event == QLatin1String("lose")) {
            result = describe(policy.streamLost(now), now);
        } else if (event == QLatin1String("left")) {
            result = QString::number(policy.secondsLeft(now));
        } else if (event == QLatin1String("overdue")) {
            result = RestartPolicy::openOverdue(started, now) ? QStringLiteral("yes")
                                                              : QStringLiteral("no");
        }
        QCOMPARE(QString(event + QLatin1Char(' ') + parts.at(1) + QLatin1Char(' ') + result)
                     .trimmed(),
                 step);
    }
}

void TestPlayerRestart::reconnectsWhenTheCameraComesBack_data()
{
    QTest::addColumn<QString>("scheme");
    QTest::newRow("http") << QStringLiteral("http");
    QTest::newRow("rtsp") << QStringLiteral("rtsp");
}

// The camera's server dies and comes back on the same port: the player
// shows why it waits, and the picture returns without the operator.
void TestPlayerRestart::reconnectsWhenTheCameraComesBack()
{
    QFETCH(QString, scheme);
    const bool rtsp = scheme == QLatin1String("rtsp");
    quint16 port = 0;
    const auto startCamera = [&](PeerProcess *camera) {
        return rtsp ? StreamFixture::startRtspServer(camera, port)
                    : StreamFixture::startOneShotServer(camera, QStringLiteral("http"),
                                                        "640x480", port);
    };
    auto camera = std::make_unique<PeerProcess>();
    QVERIFY(startCamera(camera.get()));
    port = camera->port();
    MessageCapture capture;
    PlayerWidget player(nullptr,
                        rtsp ? QStringLiteral("rtsp://127.0.0.1:%1/test").arg(port)
                             : StreamFixture::oneShotAddress(port),
                        true);
    player.show();
    QVERIFY(StreamFixture::waitForPicture(&player));

    camera->process().kill();
    QVERIFY(camera->process().waitForFinished(3000));
    QVERIFY(TestSupport::waitUntil(
        [&] { return StreamFixture::loadingText(&player).contains(QStringLiteral("\nReconnecting in ")); },
        15000));
    QVERIFY(capture.contains(QStringLiteral("Restarting player")));
    QVERIFY(player.currentFrame().isNull());

    camera = std::make_unique<PeerProcess>();
    QVERIFY(startCamera(camera.get()));
    QVERIFY(StreamFixture::waitForPicture(&player, 20000));
}

// A camera that takes the connection and never answers holds its player
// (and a stream slot) for 10 s at most; then it is tried again.
void TestPlayerRestart::openingHasADeadline()
{
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
    PlayerWidget player(nullptr,
                        QStringLiteral("http://127.0.0.1:%1/live").arg(silent.serverPort()));
    player.show();
    QVERIFY(silent.waitForNewConnection(5000));
    const std::unique_ptr<QTcpSocket> first(silent.nextPendingConnection());
    QElapsedTimer opening;
    opening.start();
    QVERIFY(TestSupport::waitUntil(
        [&] { return StreamFixture::currentPage(&player) == 1 && !player.initError().isEmpty(); },
        14000));
    QVERIFY2(opening.elapsed() >= 9000, qPrintable(QString::number(opening.elapsed())));
    QCOMPARE(StreamFixture::loadingText(&player),
             QStringLiteral("Error ffmpeg initialization: no answer from the camera\n"
                            "Reconnecting in 1 s"));
    QVERIFY(TestSupport::waitUntil([&] { return silent.hasPendingConnections(); }, 3000));
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

// A read that fails while the player's stream winds down is its end.
void TestPlayerRestart::noOpeningOnceDestructionHasBegun()
{
    PeerProcess camera;
    QVERIFY(StreamFixture::startOneShotServer(&camera));
    const quint16 port = camera.port();
    MessageCapture capture;
    auto *player = new PlayerWidget(nullptr, StreamFixture::oneShotAddress(port));
    QVERIFY(StreamFixture::waitForPicture(player));
    camera.pause();

    // The one-shot server no longer listens; take its port to see whether the
    // stream comes back to it.
    QVERIFY(TestSupport::waitUntil(
        [&] { return !TestSupport::listensOn(camera.pid(), port); }, 3000));
    QTcpServer watch;
    QVERIFY(watch.listen(QHostAddress::LocalHost, port));

    // During the grace period the blocked read fails because the camera
    // goes away.
    QTimer::singleShot(1000, [&camera] { camera.stop(); });
    delete player;
    QTest::qWait(2500);
    QVERIFY(!watch.hasPendingConnections());
    QVERIFY(!capture.contains(QStringLiteral("Restarting player")));
}

// Streams beyond the pool's count wait, say so, and start as a slot frees;
// the host's own pool is never used.
void TestPlayerRestart::playerWaitsForAFreeSlot()
{
    StreamFixture media;
    QVERIFY(media.makeFiles({QStringLiteral("h264.mp4")}));
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
    StreamPool pool;
    QCOMPARE(pool.setMaxStreams(1), 1);

    auto holder = std::make_unique<PlayerWidget>(
        nullptr, QStringLiteral("http://127.0.0.1:%1/live").arg(silent.serverPort()), false,
        QString(), &pool);
    QVERIFY(silent.waitForNewConnection(5000));
    PlayerWidget waiting(nullptr, media.file(QStringLiteral("h264.mp4")), false, QString(), &pool);
    waiting.show();
    QCOMPARE(StreamFixture::loadingText(&waiting),
             QStringLiteral("Waiting for a free stream slot (1 playing)"));
    QCOMPARE(pool.waiting(), 1);
    QCOMPARE(QThreadPool::globalInstance()->activeThreadCount(), 0);

    holder.reset();
    QVERIFY(StreamFixture::waitForPicture(&waiting));
    QCOMPARE(pool.playing(), 1);
    QCOMPARE(pool.waiting(), 0);
}

QTEST_MAIN(TestPlayerRestart)
#include "tst_playerrestart.moc"
