#include "player/playerwidget.h"
#include "player/proxysocket.h"

#include "applicationproxyscope.h"
#include "peerprocess.h"
#include "streamfixture.h"
#include "testsupport.h"

#include <QTcpServer>
#include <QTest>

extern "C" {
#include <libavutil/log.h>
}

namespace {

QString loopbackUrl(const QString &scheme, const QString &userInfo, quint16 port,
                    const QString &pathAndQuery)
{
    return scheme + QStringLiteral("://") + userInfo + QStringLiteral("127.0.0.1:")
           + QString::number(port) + pathAndQuery;
}

} // namespace

// Live players reaching their cameras through the loopback relay while the
// application has a network proxy configured.
class TestPlayerRelay : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void streamPlaysThroughTheRelay();
    void addressWithoutPortRelaysToTheSchemesPort_data();
    void addressWithoutPortRelaysToTheSchemesPort();
    void localFileIsNotRelayed();

private:
    StreamFixture m_media;
};

void TestPlayerRelay::initTestCase()
{
    av_log_set_level(AV_LOG_FATAL);
    QVERIFY(m_media.makeFiles({QStringLiteral("h264.mp4")}));
}

void TestPlayerRelay::streamPlaysThroughTheRelay()
{
    // User information and query must survive the rewriting.
    const QString http = QStringLiteral("http");
    const QString userInfo = QStringLiteral("viewer:s%40cret@");
    const QString path = QStringLiteral("/live?ch=1");

    PeerProcess camera;
    QVERIFY(StreamFixture::startOneShotServer(&camera));
    const quint16 cameraPort = camera.port();
    // A proxy that would notice being used.
    QTcpServer proxyServer;
    QVERIFY(proxyServer.listen(QHostAddress::LocalHost));
    ApplicationProxyScope proxy(QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"),
                                              proxyServer.serverPort()));

    PlayerWidget player(nullptr, loopbackUrl(http, userInfo, cameraPort, path));
    auto *relay = player.findChild<ProxySocket *>();
    QVERIFY(relay && relay->isListening());
    QCOMPARE(relay->remoteHost(), QStringLiteral("127.0.0.1"));
    QCOMPARE(relay->remotePort(), cameraPort);
    QCOMPARE(player.camAddress(), loopbackUrl(http, userInfo, relay->serverPort(), path));
    QCOMPARE(player.windowTitle(),
             QStringLiteral("Camera ") + loopbackUrl(http, QString(), relay->serverPort(), path));

    // The one-shot camera serves a single connection: the relay's.
    player.show();
    QVERIFY(StreamFixture::waitForPicture(&player));
    QCOMPARE(player.videoSize(), QSize(640, 480));
    QVERIFY(!proxyServer.hasPendingConnections());
}

void TestPlayerRelay::addressWithoutPortRelaysToTheSchemesPort_data()
{
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<int>("port");
    QTest::newRow("rtsp") << QStringLiteral("rtsp") << 554;
    QTest::newRow("rtsps") << QStringLiteral("rtsps") << 322;
    QTest::newRow("http") << QStringLiteral("http") << 80;
    QTest::newRow("https") << QStringLiteral("https") << 443;
    QTest::newRow("other") << QStringLiteral("tcp") << 80;
}

void TestPlayerRelay::addressWithoutPortRelaysToTheSchemesPort()
{
    QFETCH(QString, scheme);
    QFETCH(int, port);
    const auto nobody = TestSupport::refusingPort();
    ApplicationProxyScope proxy(QNetworkProxy(
        QNetworkProxy::Socks5Proxy, QStringLiteral("127.0.0.1"), nobody->localPort()));
    PlayerWidget player(nullptr, scheme + QStringLiteral("://admin:pw@127.0.0.1/stream/1?channel=2"));
    auto *relay = player.findChild<ProxySocket *>();
    QVERIFY(relay && relay->isListening());
    QCOMPARE(relay->remoteHost(), QStringLiteral("127.0.0.1"));
    QCOMPARE(relay->remotePort(), quint16(port));
    QCOMPARE(player.camAddress(),
             loopbackUrl(scheme, QStringLiteral("admin:pw@"), relay->serverPort(),
                         QStringLiteral("/stream/1?channel=2")));
}

void TestPlayerRelay::localFileIsNotRelayed()
{
    const auto nobody = TestSupport::refusingPort();
    ApplicationProxyScope proxy(QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"),
                                              nobody->localPort()));
    const QString file = m_media.file(QStringLiteral("h264.mp4"));
    PlayerWidget player(nullptr, file);
    QVERIFY(!player.findChild<ProxySocket *>());
    QCOMPARE(player.camAddress(), file);
    QVERIFY(StreamFixture::waitForPicture(&player));
}

QTEST_MAIN(TestPlayerRelay)
#include "tst_playerrelay.moc"
