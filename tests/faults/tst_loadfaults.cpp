#include "imageplayer/imageplayerwidget.h"
#include "items/camgraphicsitem.h"
#include "overlays/axistrafficstreamoverlay.h"
#include "overlays/citilogovelay.h"
#include "player/playerwidget.h"
#include "player/scenecamproxywidget.h"
#include "player/streamsession.h"
#include "plugin/ostrelplugin.h"

#include "../overlays/simulatorpeer.h"
#include "../player/streamfixture.h"
#include "peerprocess.h"
#include "testsupport.h"
#include "workstationwindow.h"

#include <QApplication>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

namespace {

// Floating docks are windows of their own as well as children of the main
// window; each widget is counted once.
template<typename T>
QList<T *> everywhere()
{
    QSet<T *> found;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (auto *self = qobject_cast<T *>(window))
            found.insert(self);
        const QList<T *> children = window->findChildren<T *>();
        for (T *child : children)
            found.insert(child);
    }
    return found.values();
}

} // namespace

// The plug-in going while everything it opened still runs: nothing hangs,
// nothing is left behind. Leaks are found when the suite runs under
// LeakSanitizer. Each way of closing a single player is a row of
// tst_playerstreams.
class TestLoadFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void pluginGoesWithEverythingOpen();

private:
    PeerProcess m_rtsp;
    QString m_rtspAddress;
    std::unique_ptr<WorkstationWindow> m_window;
    std::unique_ptr<OstrelPlugin> m_plugin;
};

void TestLoadFaults::initTestCase()
{
    av_log_set_level(AV_LOG_QUIET);
    QVERIFY(StreamFixture::startRtspServer(&m_rtsp));
    m_rtspAddress = QStringLiteral("rtsp://127.0.0.1:%1/test").arg(m_rtsp.port());
}

void TestLoadFaults::init()
{
    m_window = std::make_unique<WorkstationWindow>();
    QVERIFY(TestSupport::showWorkstation(m_window.get(), 15, QSize(1000, 700)));
    m_plugin = std::make_unique<OstrelPlugin>();
    m_plugin->setSceneCamZoomSize(15, 320, 240);
}

void TestLoadFaults::cleanup()
{
    m_plugin.reset();
    m_window.reset();
    QTRY_COMPARE_WITH_TIMEOUT(StreamSession::runningTasks(), 0, 5000);
}

// Eight live players, docked and on the map, with both detector clients,
// and snapshot players in a dock and on the map, all running when the
// plug-in is destroyed. The players go with it, together and promptly; the
// detector clients of the docks go with the docks, when the main window goes.
void TestLoadFaults::pluginGoesWithEverythingOpen()
{
    SimulatorPeer trafficStream;
    QVERIFY(trafficStream.start(QStringLiteral("trafficstream")));
    SimulatorPeer citiLog;
    QVERIFY(citiLog.start(QStringLiteral("citilog")));
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QImage snapshot(160, 120, QImage::Format_RGB32);
    snapshot.fill(Qt::darkCyan);
    QVERIFY(snapshot.save(dir.filePath(QStringLiteral("snapshot.png"))));
    PeerProcess http;
    QVERIFY(http.startHttpServer(dir.path()));

    const QString snapshots = QStringLiteral("http://127.0.0.1:%1/snapshot.png").arg(http.port());
    QFile list(dir.filePath(QStringLiteral("cameras.xml")));
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write(QStringLiteral("<VarkaNetwork>"
                              "<Cam url='%1' rtsp_tcp='true' type='4' overlay_url='%2' lon='37.60' "
                              "lat='55.75' image_url_template='%4'>Traffic stream</Cam>"
                              "<Cam url='%1' rtsp_tcp='true' type='5' overlay_url='%3' lon='37.61' "
                              "lat='55.75'>CitiLog</Cam>"
                              "</VarkaNetwork>")
                   .arg(m_rtspAddress, trafficStream.url(), citiLog.url(QString()), snapshots)
                   .toUtf8());
    list.close();
    QVERIFY(m_plugin->loadVlcCamList(list.fileName()));
    CamGraphicsItem *withTrafficStream = m_plugin->cameras().at(0);
    CamGraphicsItem *withCitiLog = m_plugin->cameras().at(1);

    // The first session sets the test camera's media up; its server trips
    // over sessions that come while it does.
    QVERIFY(withTrafficStream->play(false, false));
    QCOMPARE(everywhere<PlayerWidget>().size(), 1);
    QVERIFY(StreamFixture::waitForPicture(everywhere<PlayerWidget>().constFirst()));
    QVERIFY(withCitiLog->play(false, false));
    QVERIFY(withTrafficStream->play(false, true));
    QVERIFY(withTrafficStream->play(true, false));
    QVERIFY(withTrafficStream->play(true, true));

    const QList<PlayerWidget *> players = everywhere<PlayerWidget>();
    QCOMPARE(players.size(), 3);
    for (PlayerWidget *player : players)
        QVERIFY(StreamFixture::waitForPicture(player));
    QVERIFY(trafficStream.waitForLine(QStringLiteral("recv 2 sm data=on"), 10000));
    QVERIFY(citiLog.waitForLine(QStringLiteral("recv 1 <CTL source"), 10000));
    const QList<ImagePlayerWidget *> imagePlayers = everywhere<ImagePlayerWidget>();
    QCOMPARE(imagePlayers.size(), 2);
    QVERIFY(TestSupport::waitUntil(
        [&] {
            return std::all_of(imagePlayers.cbegin(), imagePlayers.cend(), [](QWidget *w) {
                return w->findChild<QLabel *>(QStringLiteral("status"))
                    ->text()
                    .startsWith(QStringLiteral("new image loaded at"));
            });
        },
        10000));
    QCOMPARE(m_window->findChildren<AxisTrafficStreamOverlay *>().size(), 1);
    QCOMPARE(m_window->findChildren<CitiLogOvelay *>().size(), 1);
    QCOMPARE(m_plugin->sceneProxies().size(), 2);

    // Five more live cameras make a wall of eight.
    m_plugin->setMaxStreamCount(8);
    std::vector<std::unique_ptr<PeerProcess>> wall;
    for (int i = 0; i < 5; ++i) {
        wall.push_back(std::make_unique<PeerProcess>());
        QVERIFY(StreamFixture::startOneShotServer(wall.back().get(), QStringLiteral("http"),
                                                  "320x240"));
        const quint16 port = wall.back()->port();
        QVERIFY(m_plugin->createCamWidget(m_window.get(), StreamFixture::oneShotAddress(port)));
    }
    const QList<PlayerWidget *> wallPlayers = everywhere<PlayerWidget>();
    QCOMPARE(wallPlayers.size(), 8);
    for (PlayerWidget *player : wallPlayers)
        QVERIFY(StreamFixture::waitForPicture(player));

    // A dock closed just before, its deletion still pending when the
    // plug-in goes.
    auto *closing = qobject_cast<QDockWidget *>(
        m_window->findChildren<PlayerWidget *>().constFirst()->parentWidget());
    QVERIFY(closing);
    closing->close();

    // All streams stop at once; the wait (up to 3 s a stream) is paid once.
    QElapsedTimer elapsed;
    elapsed.start();
    m_plugin.reset();
    qInfo("plug-in with 8 live players destroyed in %lld ms", qint64(elapsed.elapsed()));
    QVERIFY2(elapsed.elapsed() < 4000, qPrintable(QString::number(elapsed.elapsed())));
    QVERIFY(everywhere<PlayerWidget>().isEmpty());
    QVERIFY(everywhere<ImagePlayerWidget>().isEmpty());
    QVERIFY(everywhere<SceneCamProxyWidget>().isEmpty());
    QCOMPARE(StreamSession::runningTasks(), 0);
    // The on-map player took its detector client with it.
    QVERIFY(trafficStream.waitForLine(QStringLiteral("closed 2"), 5000));

    // Without a plug-in the docks and their detector clients still work,
    // and go with the main window.
    QTest::qWait(200);
    elapsed.restart();
    m_window.reset();
    QVERIFY2(elapsed.elapsed() < 3000, qPrintable(QString::number(elapsed.elapsed())));
    QVERIFY(trafficStream.waitForLine(QStringLiteral("closed 1"), 5000));
    QVERIFY(citiLog.waitForLine(QStringLiteral("closed 1"), 5000));
    QVERIFY(everywhere<QDockWidget>().isEmpty());
}

QTEST_MAIN(TestLoadFaults)
#include "tst_loadfaults.moc"
