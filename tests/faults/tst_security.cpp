#include "imageplayer/imageplayerwidget.h"
#include "items/camgraphicsitem.h"
#include "net/ftpclient.h"
#include "player/playerwidget.h"
#include "player/proxysocket.h"
#include "plugin/ostrelplugin.h"

#include "../overlays/simulatorpeer.h"
#include "../player/applicationproxyscope.h"
#include "../player/streamfixture.h"
#include "cameralistdock.h"
#include "messagecapture.h"
#include "osmview.h"
#include "peerprocess.h"
#include "testsupport.h"
#include "workstationwindow.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMutex>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cerrno>
#include <memory>

extern "C" {
#include <libavutil/log.h>
}

namespace {

// What no text the plug-in shows or logs may hold.
const QString User = QStringLiteral("opuser");
const QString Secret = QStringLiteral("S3cret");

// FFmpeg's own log lines, which bypass the Qt message handler.
QMutex ffmpegLogMutex;
QStringList ffmpegLog;

void recordFfmpegLog(void *context, int level, const char *format, va_list arguments)
{
    if (level > AV_LOG_INFO)
        return;
    char line[1024];
    int prefix = 1;
    av_log_format_line(context, level, format, arguments, line, sizeof line, &prefix);
    QMutexLocker locker(&ffmpegLogMutex);
    ffmpegLog.append(QString::fromUtf8(line));
}

// Whether 127.0.0.1 and nothing else listens on `port`, by the kernel's
// tables: an IPv4 entry for 127.0.0.1 and no IPv6 entry at all.
bool listensOnLoopbackOnly(quint16 port)
{
    int loopback = 0;
    int other = 0;
    for (const TestSupport::TcpEntry &entry : TestSupport::tcpTable()) {
        if (entry.state == TestSupport::TcpEntry::Listening && entry.localPort == port)
            ++(entry.localAddress == "0100007F" ? loopback : other);
    }
    return loopback == 1 && other == 0;
}

// Every text a camera's user can see in the workstation: window titles,
// labels and the players' own texts, the camera list, the cameras' model
// data and the actions of menus.
QStringList visibleTexts(OstrelPlugin *plugin)
{
    QStringList texts;
    const QWidgetList widgets = QApplication::allWidgets();
    for (QWidget *widget : widgets) {
        texts << widget->windowTitle() << widget->toolTip() << widget->statusTip();
        if (auto *label = qobject_cast<QLabel *>(widget))
            texts << label->text();
        if (auto *player = qobject_cast<PlayerWidget *>(widget))
            texts << player->warningText() << player->infoText() << player->initError();
        if (auto *tree = qobject_cast<QTreeWidget *>(widget)) {
            for (int row = 0; row < tree->topLevelItemCount(); ++row) {
                for (int column = 0; column < tree->columnCount(); ++column)
                    texts << tree->topLevelItem(row)->text(column)
                          << tree->topLevelItem(row)->toolTip(column);
            }
        }
        const QList<QAction *> actions = widget->actions();
        for (const QAction *action : actions)
            texts << action->text() << action->toolTip();
    }
    for (const CamGraphicsItem *cam : plugin->cameras()) {
        for (int column = 0; column < 4; ++column) {
            for (const int role :
                 {Qt::DisplayRole, Qt::EditRole, Qt::ToolTipRole, Qt::StatusTipRole})
                texts << cam->modelData(column, role).toString();
        }
        texts << cam->displayUrl() << cam->toolTip();
    }
    return texts;
}

QString address(const QString &scheme, const QString &userInfo, quint16 port, const QString &path)
{
    return scheme + QStringLiteral("://") + userInfo + QStringLiteral("@127.0.0.1:")
           + QString::number(port) + path;
}

QStringList holdingCredentials(const QStringList &texts)
{
    QStringList found;
    for (const QString &text : texts) {
        if (text.contains(Secret, Qt::CaseInsensitive) || text.contains(User + QLatin1Char(':')))
            found.append(text);
    }
    return found;
}

} // namespace

// What must not get out: the loopback relay takes no connection from
// elsewhere, and camera passwords appear nowhere on screen or in the logs.
// Hostile XML is refused by the list reader and the detector protocols.
class TestSecurity : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void relayListensOnLoopbackOnly();
    void credentialsAppearNowhere();
};

void TestSecurity::initTestCase()
{
    av_log_set_level(AV_LOG_INFO);
    av_log_set_callback(&recordFfmpegLog);
}

void TestSecurity::cleanupTestCase()
{
    av_log_set_callback(&av_log_default_callback);
}

void TestSecurity::relayListensOnLoopbackOnly()
{
    QTcpServer proxyServer;
    QVERIFY(proxyServer.listen(QHostAddress::LocalHost));
    ApplicationProxyScope proxy(QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"),
                                              proxyServer.serverPort()));
    QTcpServer camera;
    QVERIFY(camera.listen(QHostAddress::LocalHost));

    PlayerWidget player(nullptr, QStringLiteral("http://%1:%2@127.0.0.1:%3/live")
                                     .arg(User, Secret)
                                     .arg(camera.serverPort()));
    auto *relay = player.findChild<ProxySocket *>();
    QVERIFY(relay && relay->isListening());
    QVERIFY(listensOnLoopbackOnly(relay->serverPort()));
    QVERIFY(holdingCredentials({player.windowTitle()}).isEmpty());
    // The opening reaches the camera through the relay, and the proxy never.
    QVERIFY(TestSupport::waitUntil([&] { return camera.hasPendingConnections(); }, 5000));
    QVERIFY(!proxyServer.hasPendingConnections());
}

// Cameras whose video, detector and snapshot addresses carry a user name
// and password, some of them working and some failing in every way: none
// of the texts the workstation shows, and nothing logged through Qt or by
// FFmpeg, holds the password.
void TestSecurity::credentialsAppearNowhere()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString credentials = User + QLatin1Char(':') + Secret + QStringLiteral("Pw");

    PeerProcess rtsp;
    QVERIFY(StreamFixture::startRtspServer(&rtsp));
    SimulatorPeer trafficStream;
    QVERIFY(trafficStream.start(
        QStringLiteral("trafficstream"),
        QStringLiteral(R"({"user": "%1", "password": "%2Pw"})").arg(User, Secret).toUtf8()));
    PeerProcess http;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("www")));
    QVERIFY(http.startHttpServer(dir.filePath(QStringLiteral("www"))));
    const quint16 httpPort = http.port();
    PeerProcess ftp;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("ftp")));
    QVERIFY(ftp.startFtpServer(dir.filePath(QStringLiteral("ftp"))));
    const quint16 ftpPort = ftp.port();
    const auto refusing = TestSupport::refusingPort();
    const quint16 nobody = refusing->localPort();

    const auto entry = [](const QString &name, int type, const QString &url, const QString &overlay,
                          const QString &images) {
        return QStringLiteral("<Cam url='%1' rtsp_tcp='true' type='%2' overlay_url='%3' "
                              "image_url_template='%4' image_update_period='1' lon='37.6' "
                              "lat='55.75'>%5</Cam>")
            .arg(url, QString::number(type), overlay, images, name);
    };
    const QString unparsable = User + QLatin1Char(':') + Secret + QStringLiteral("@Pw");
    const QString encoded = User + QLatin1Char(':') + Secret + QStringLiteral("%40Pw");
    const QString list =
        QStringLiteral("<VarkaNetwork>")
        + entry(
            QStringLiteral("Working"), 4,
            address(QStringLiteral("rtsp"), credentials, rtsp.port(), QStringLiteral("/test")),
            address(QStringLiteral("tcp"), credentials, trafficStream.port(), QStringLiteral("/")),
            address(QStringLiteral("ftp"), credentials, ftpPort,
                    QStringLiteral("/yyyy-MM-dd/x.png")))
        + entry(QStringLiteral("Failing"), 5,
                address(QStringLiteral("rtsp"), credentials, nobody, QStringLiteral("/test")),
                address(QStringLiteral("tcp"), credentials, nobody, QStringLiteral("/")),
                address(QStringLiteral("http"), credentials, httpPort,
                        QStringLiteral("/yyyy-MM-dd/none.png")))
        + entry(QStringLiteral("Unparsable"), 1,
                address(QStringLiteral("http"), unparsable, nobody, QStringLiteral("/live")),
                QString(),
                address(QStringLiteral("ftp"), unparsable, ftpPort,
                        QStringLiteral("/yyyy-MM-dd/x.png")))
        + entry(QStringLiteral("Encoded"), 1,
                address(QStringLiteral("rtsp"), encoded, nobody, QStringLiteral("/test")),
                QString(),
                address(QStringLiteral("http"), encoded, httpPort, QStringLiteral("/none.png")))
        + QStringLiteral("</VarkaNetwork>");
    const QString listFile = dir.filePath(QStringLiteral("cameras.xml"));
    QVERIFY(TestSupport::writeFile(listFile, list.toUtf8()));

    MessageCapture capture;
    {
        QMutexLocker locker(&ffmpegLogMutex);
        ffmpegLog.clear();
    }
    WorkstationWindow window;
    window.resize(1000, 700);
    window.mapView()->setZoom(15);
    window.show();
    auto plugin = std::make_unique<OstrelPlugin>();
    window.setPlugin(plugin.get());
    QVERIFY(window.openList(listFile));
    QCOMPARE(plugin->cameras().size(), 4);

    // The first session sets the test camera's media up; its server trips
    // over sessions that come while it does.
    QVERIFY(plugin->cameras().at(0)->play(false, false));
    QVERIFY(StreamFixture::waitForPicture(window.findChild<PlayerWidget *>()));
    for (CamGraphicsItem *cam : plugin->cameras()) {
        if (cam != plugin->cameras().at(0))
            QVERIFY(cam->play(false, false));
        QVERIFY(cam->play(true, false));
    }
    QVERIFY(plugin->cameras().at(0)->play(false, true));
    QVERIFY(plugin->cameras().at(1)->play(true, true));
    // One edited address, as the properties dialog sets it.
    plugin->cameras().at(3)->setUrl(
        address(QStringLiteral("rtsp"), credentials, nobody, QStringLiteral("/other")));
    window.cameraList()->refresh();

    // Every status the snapshot players show, also those that last only
    // until the next command of their FTP client, and every text on screen
    // while the players work and fail.
    QStringList shown;
    // Holds the connections below, so that no status reaches `shown` once
    // this test has returned and the players are still winding down.
    QObject listening;
    const QWidgetList widgets = QApplication::allWidgets();
    for (QWidget *widget : widgets) {
        auto *imagePlayer = qobject_cast<ImagePlayerWidget *>(widget);
        if (!imagePlayer)
            continue;
        auto *ftpClient = imagePlayer->findChild<FtpClient *>(QStringLiteral("ftp"));
        auto *status = imagePlayer->findChild<QLabel *>(QStringLiteral("status"));
        const auto note = [&shown, status] { shown.append(status->text()); };
        connect(ftpClient, &FtpClient::commandFinished, &listening, note);
        connect(ftpClient, &FtpClient::stateChanged, &listening, note);
    }
    QTimer sample;
    connect(&sample, &QTimer::timeout, this, [&] { shown += visibleTexts(plugin.get()); });
    sample.start(250);

    const QList<QString> expected {QStringLiteral("ftp error: Authentication failed."),
                                   QStringLiteral("Error ffmpeg initialization: ")
                                       + qt_error_string(ECONNREFUSED)};
    const auto seen = [&] {
        // A live player's error page also counts down to its next attempt.
        const bool failuresShown =
            std::all_of(expected.cbegin(), expected.cend(), [&](const QString &text) {
                return std::any_of(shown.cbegin(), shown.cend(),
                                   [&](const QString &line) { return line.startsWith(text); });
            });
        const bool notFound = std::any_of(shown.cbegin(), shown.cend(), [](const QString &text) {
            return text.endsWith(QLatin1String("server replied: File not found"));
        });
        const bool invalid = std::any_of(shown.cbegin(), shown.cend(), [](const QString &text) {
            return text.startsWith(QLatin1String("url '"))
                   && text.endsWith(QLatin1String("' is invalid"));
        });
        const QWidgetList all = QApplication::allWidgets();
        const bool playing = std::any_of(all.cbegin(), all.cend(), [](QWidget *widget) {
            auto *player = qobject_cast<PlayerWidget *>(widget);
            return player && !player->currentFrame().isNull()
                   && !StreamFixture::isBlack(player->currentFrame());
        });
        return failuresShown && notFound && invalid && playing
               && trafficStream.timeOf(QStringLiteral("recv 1 sm data=on")) >= 0;
    };
    QVERIFY(TestSupport::waitUntil(seen, 20000));
    // A little longer, for refreshes and reconnections to come round.
    QTest::qWait(1000);
    sample.stop();
    shown += visibleTexts(plugin.get());
    shown.removeDuplicates();

    QVERIFY2(holdingCredentials(shown).isEmpty(),
             qPrintable(holdingCredentials(shown).join(QLatin1Char('\n'))));
    const QStringList logged = capture.messages();
    QVERIFY2(holdingCredentials(logged).isEmpty(),
             qPrintable(holdingCredentials(logged).join(QLatin1Char('\n'))));
    QMutexLocker locker(&ffmpegLogMutex);
    QVERIFY2(holdingCredentials(ffmpegLog).isEmpty(),
             qPrintable(holdingCredentials(ffmpegLog).join(QLatin1Char('\n'))));
}

QTEST_MAIN(TestSecurity)
#include "tst_security.moc"
