#include "player/proxysocket.h"

#include "messagecapture.h"
#include "testsupport.h"

#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUrl>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <vector>

using TestSupport::waitUntil;

namespace {

constexpr int WaitMs = 5000;

// The camera side: a listener on loopback that keeps what it accepts.
class Camera : public QTcpServer
{
public:
    explicit Camera(quint16 port = 0) { listen(QHostAddress::LocalHost, port); }

    QTcpSocket *nextConnection()
    {
        if (!waitUntil([this] { return hasPendingConnections(); }, WaitMs))
            return nullptr;
        return nextPendingConnection();
    }
};

QByteArray randomBytes(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(size);
    generator.fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

// Reads from `socket` until `size` bytes have come or the time is up.
QByteArray receive(QTcpSocket *socket, int size)
{
    QByteArray received;
    waitUntil(
        [&] {
            received += socket->readAll();
            return received.size() >= size;
        },
        WaitMs);
    return received;
}

bool waitUnconnected(const QTcpSocket *socket)
{
    return waitUntil([socket] { return socket->state() == QAbstractSocket::UnconnectedState; },
                     WaitMs);
}

} // namespace

// The relay on its own; the address it gives a player is checked in
// tst_playerrelay, with a stream going through it.
class TestProxySocket : public QObject
{
    Q_OBJECT

private slots:
    void passesBytesBothWaysIntact();
    void secondClientReplacesFirst();
    void refusedCameraEndsClient();
    void cannotListen();
};

void TestProxySocket::passesBytesBothWaysIntact()
{
    const QByteArray up = randomBytes(8 << 20);
    const QByteArray down = randomBytes(3 << 20);
    Camera camera;
    ProxySocket relay(QStringLiteral("127.0.0.1"), camera.serverPort(), nullptr);

    for (const bool cameraHangsUp : {true, false}) {
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, relay.serverPort());
        QTcpSocket *camSide = camera.nextConnection();
        QVERIFY(camSide);
        client.write(up);
        camSide->write(down);
        QVERIFY(receive(camSide, up.size()) == up);
        QVERIFY(receive(&client, down.size()) == down);

        // A side that hangs up right after sending ends the other side, but
        // only once its last bytes have arrived there.
        QTcpSocket *sender = cameraHangsUp ? camSide : &client;
        QTcpSocket *receiver = cameraHangsUp ? &client : camSide;
        sender->write(down);
        sender->disconnectFromHost();
        QVERIFY(receive(receiver, down.size()) == down);
        QVERIFY(waitUnconnected(receiver));
    }
}

void TestProxySocket::secondClientReplacesFirst()
{
    Camera camera;
    ProxySocket relay(QStringLiteral("127.0.0.1"), camera.serverPort(), nullptr);

    QTcpSocket first;
    first.connectToHost(QHostAddress::LocalHost, relay.serverPort());
    QTcpSocket *firstCamSide = camera.nextConnection();
    QVERIFY(firstCamSide);

    QTcpSocket second;
    second.connectToHost(QHostAddress::LocalHost, relay.serverPort());
    QTcpSocket *secondCamSide = camera.nextConnection();
    QVERIFY(secondCamSide);
    QVERIFY(waitUnconnected(&first));
    QVERIFY(waitUnconnected(firstCamSide));

    second.write("PLAY");
    QCOMPARE(receive(secondCamSide, 4), QByteArray("PLAY"));
    secondCamSide->write("200 OK");
    QCOMPARE(receive(&second, 6), QByteArray("200 OK"));
}

void TestProxySocket::refusedCameraEndsClient()
{
    auto refusing = TestSupport::refusingPort();
    const quint16 port = refusing->localPort();
    ProxySocket relay(QStringLiteral("127.0.0.1"), port, nullptr);
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, relay.serverPort());
    QVERIFY(client.waitForConnected(WaitMs));
    QVERIFY(waitUnconnected(&client));

    // The relay keeps serving: a camera that answers later is reached.
    refusing.reset();
    Camera camera(port);
    QVERIFY(camera.isListening());
    client.connectToHost(QHostAddress::LocalHost, relay.serverPort());
    QVERIFY(camera.nextConnection());
}

void TestProxySocket::cannotListen()
{
    // Run out of file descriptors so that no listening socket can be made.
    rlimit saved {};
    QCOMPARE(getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit low = saved;
    low.rlim_cur = std::min<rlim_t>(saved.rlim_cur, 256);
    QCOMPARE(setrlimit(RLIMIT_NOFILE, &low), 0);
    std::vector<int> taken;
    for (int fd = ::open("/dev/null", O_RDONLY); fd >= 0; fd = ::open("/dev/null", O_RDONLY))
        taken.push_back(fd);

    MessageCapture capture;
    QObject owner;
    const QUrl relayed = ProxySocket::relayUrl(QUrl(QStringLiteral("rtsp://cam:554/s")), &owner);

    for (int fd : taken)
        ::close(fd);
    setrlimit(RLIMIT_NOFILE, &saved);

    const auto *relay = owner.findChild<ProxySocket *>();
    QVERIFY(relay);
    QVERIFY(!relay->isListening());
    QCOMPARE(relayed.port(), 0);
    const QStringList messages = capture.messages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().startsWith(QLatin1String("ProxySocket error listening ")),
             qPrintable(messages.first()));
}

QTEST_MAIN(TestProxySocket)
#include "tst_proxysocket.moc"
