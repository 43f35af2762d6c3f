#include "player/playerwidget.h"
#include "player/streamsession.h"

#include "../player/streamfixture.h"
#include "messagecapture.h"
#include "peerprocess.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

extern "C" {
#include <libavutil/log.h>
}

namespace {

// Mostly one colour in the middle of the picture, after the round trip
// through the encoder.
bool isMostly(const QImage &image, const QColor &colour)
{
    if (image.isNull())
        return false;
    const QColor c = image.pixelColor(image.width() / 2, image.height() / 2);
    return qAbs(c.red() - colour.red()) < 60 && qAbs(c.green() - colour.green()) < 60
           && qAbs(c.blue() - colour.blue()) < 60;
}

QByteArray randomBytes(int size, quint32 seed)
{
    QRandomGenerator generator(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    generator.fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / int(sizeof(quint32)));
    return bytes;
}

// Two seconds of one colour as MPEG-TS, made with the FFmpeg command line.
QByteArray colourStream(const QTemporaryDir &dir, const QString &colour)
{
    const QString path = dir.filePath(colour + QStringLiteral(".ts"));
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::MergedChannels);
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {"-v", "error", "-y", "-f", "lavfi", "-i",
                  QStringLiteral("color=c=%1:size=320x240:rate=25:duration=2").arg(colour), "-c:v",
                  "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-g", "10", "-f",
                  "mpegts", path});
    if (!ffmpeg.waitForFinished(30000) || ffmpeg.exitCode() != 0) {
        ffmpeg.kill();
        ffmpeg.waitForFinished(3000);
        return QByteArray();
    }
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/*
 * An HTTP stream server in the test: connection n is answered with the
 * header and then the bytes of body n, all at once. The connection stays
 * open until the test hangs up, or hangs up after its body when asked to.
 */
class ScriptedStreamServer : public QObject
{
public:
    struct Body
    {
        QByteArray bytes;
        bool hangUp = false;
    };

    explicit ScriptedStreamServer(const QList<Body> &bodies)
        : m_bodies(bodies)
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                const int index = m_connections.size();
                m_connections.append(socket);
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket, index] {
                    m_requests[socket] += socket->readAll();
                    if (!m_requests[socket].contains("\r\n\r\n") || m_answered.contains(socket))
                        return;
                    m_answered.insert(socket);
                    socket->write("HTTP/1.0 200 OK\r\nContent-Type: video/mp2t\r\n\r\n");
                    const Body body = m_bodies.value(index);
                    socket->write(body.bytes);
                    if (body.hangUp)
                        socket->disconnectFromHost();
                });
            }
        });
    }

    QString url() const
    {
        return QStringLiteral("http://127.0.0.1:%1/live.ts").arg(m_server.serverPort());
    }
    int connectionCount() const { return m_connections.size(); }
    void hangUp(int index)
    {
        if (QTcpSocket *socket = m_connections.value(index))
            socket->disconnectFromHost();
    }

private:
    QTcpServer m_server;
    QList<Body> m_bodies;
    QList<QPointer<QTcpSocket>> m_connections;
    QHash<QTcpSocket *, QByteArray> m_requests;
    QSet<QTcpSocket *> m_answered;
};

} // namespace

// Stream servers that die, freeze or talk nonsense in the middle of a
// stream: the player goes on, restarts or gives up as it should, and can
// always be closed.
class TestStreamFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void frozenServerResumesOnTheSameConnection();
    void killedServerEndsOnTheErrorPage();
    void garbageMidStream();
};

void TestStreamFaults::initTestCase()
{
    av_log_set_level(AV_LOG_QUIET);
}

// A camera that stops sending for less than the watchdog's 10 s and then
// goes on: the player waits and goes on with it. The one-shot server cannot
// be connected to a second time, so pictures after the pause prove that no
// reopening took place.
void TestStreamFaults::frozenServerResumesOnTheSameConnection()
{
    PeerProcess camera;
    QVERIFY(StreamFixture::startOneShotServer(&camera));
    MessageCapture capture;
    int frames = 0; // outlives the player, which may deliver one more
    PlayerWidget player(nullptr, StreamFixture::oneShotAddress(camera.port()));
    player.show();
    QVERIFY(StreamFixture::waitForPicture(&player));

    camera.pause();
    QTest::qWait(300);
    connect(&player, &PlayerWidget::newFrame, this, [&frames] { ++frames; });
    QTest::qWait(1500);
    // What was on its way when the server froze may still come in.
    const int duringPause = frames;
    QVERIFY2(duringPause < 10, qPrintable(QString::number(duringPause)));

    camera.resume();
    QVERIFY(TestSupport::waitUntil([&] { return frames > duringPause + 25; }, 5000));
    QVERIFY(StreamFixture::waitForPicture(&player));
    QCOMPARE(StreamFixture::currentPage(&player), 0);
    QVERIFY2(StreamFixture::playerWarnings(capture).isEmpty(),
             qPrintable(capture.messages().join('\n')));
}

// SIGKILL: the server says no goodbye. Whether the stream comes over TCP or
// over UDP, the player notices, reopens at once, finds nobody and waits on
// its error page for the next attempt; it closes at once meanwhile.
void TestStreamFaults::killedServerEndsOnTheErrorPage()
{
    PeerProcess camera;
    QVERIFY(StreamFixture::startRtspServer(&camera));
    const QString address = QStringLiteral("rtsp://127.0.0.1:%1/test").arg(camera.port());
    MessageCapture capture;
    // One after the other: the test camera's server trips over a session
    // set up while the first one sets its media up.
    auto overTcp = std::make_unique<PlayerWidget>(nullptr, address, true);
    QVERIFY(StreamFixture::waitForPicture(overTcp.get()));
    auto overUdp = std::make_unique<PlayerWidget>(nullptr, address, false);
    QVERIFY(StreamFixture::waitForPicture(overUdp.get()));

    camera.process().kill();
    QVERIFY(camera.process().waitForFinished(3000));
    QElapsedTimer sinceKill;
    sinceKill.start();

    // Over UDP the stream itself just stops; the RTSP session's connection
    // goes with the server, and at the latest the watchdog ends the read.
    QVERIFY(TestSupport::waitUntil([&] { return StreamFixture::currentPage(overTcp.get()) == 1; },
                                   5000));
    QVERIFY(TestSupport::waitUntil([&] { return StreamFixture::currentPage(overUdp.get()) == 1; },
                                   14000));
    QVERIFY2(sinceKill.elapsed() < 14000, qPrintable(QString::number(sinceKill.elapsed())));
    for (PlayerWidget *player : {overTcp.get(), overUdp.get()}) {
        QVERIFY2(StreamFixture::loadingText(player).startsWith(
                     QStringLiteral("Error ffmpeg initialization: ")),
                 qPrintable(StreamFixture::loadingText(player)));
        QVERIFY(player->currentFrame().isNull());
    }
    QCOMPARE(StreamFixture::playerWarnings(capture).count(QStringLiteral("Restarting player")), 2);

    QElapsedTimer closing;
    closing.start();
    overTcp.reset();
    overUdp.reset();
    QVERIFY2(closing.elapsed() < 1000, qPrintable(QString::number(closing.elapsed())));
    QTRY_COMPARE_WITH_TIMEOUT(StreamSession::runningTasks(), 0, 2000);
}

// Valid MPEG-TS, then random bytes, then valid MPEG-TS again on the same
// connection: the player skips what it cannot decode and shows the pictures
// after it. When that server hangs up, the reopened connection brings only
// random bytes, and the player ends on its error page with the reason.
void TestStreamFaults::garbageMidStream()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray red = colourStream(dir, QStringLiteral("red"));
    const QByteArray blue = colourStream(dir, QStringLiteral("blue"));
    QVERIFY(!red.isEmpty() && !blue.isEmpty());

    ScriptedStreamServer server(
        {{red + randomBytes(256 * 1024, 13) + blue}, {randomBytes(512 * 1024, 17), true}});
    MessageCapture capture;
    PlayerWidget player(nullptr, server.url());
    player.show();
    QVERIFY(StreamFixture::waitForPicture(&player));
    QVERIFY(TestSupport::waitUntil(
        [&] { return isMostly(player.currentFrame(), QColor(0, 0, 255)); }, 10000));
    QCOMPARE(StreamFixture::currentPage(&player), 0);
    QVERIFY(StreamFixture::playerWarnings(capture).isEmpty());

    server.hangUp(0);
    QVERIFY(TestSupport::waitUntil([&] { return server.connectionCount() == 2; }, 5000));
    QVERIFY(
        TestSupport::waitUntil([&] { return StreamFixture::currentPage(&player) == 1; }, 15000));
    QVERIFY2(StreamFixture::loadingText(&player).startsWith(
                 QStringLiteral("Error ffmpeg initialization: ")),
             qPrintable(StreamFixture::loadingText(&player)));
    QCOMPARE(
        StreamFixture::playerWarnings(capture),
        QStringList({QStringLiteral("Error reading frame"), QStringLiteral("Restarting player")}));
}

QTEST_MAIN(TestStreamFaults)
#include "tst_streamfaults.moc"
