// How soon the live player shows a camera's first picture and how far its
// pictures trail the camera, against ffplay in its low-delay mode
// (-fflags nobuffer -flags low_delay) on the same RTSP and HTTP sources.
//
// The sources stamp every picture with the wall-clock time it was made, as
// a bar code (see tests/support/rtspserver.py). Both programs show their
// pictures on one X server (Xvfb); the benchmark reads the stamps off the
// screen, so the delay of each includes its painting. Time to first picture
// is measured for one program at a time, in turns; the live delay with all
// of them playing at once, every screen grab reading each window.

#include "benchmedia.h"
#include "peerprocess.h"
#include "player/playerwidget.h"
#include "testsupport.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFrame>
#include <QImage>
#include <QPixmap>
#include <QRandomGenerator>
#include <QScreen>
#include <QStackedWidget>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr int StampColumns = 26;
constexpr qint64 StampModulo = qint64(1) << 24;
const QSize Picture(640, 480);
constexpr int Rounds = 3;
constexpr int Samples = 150;
constexpr int SettleMs = 2000;
constexpr int FirstPictureTimeoutMs = 20000;
constexpr int WindowGap = 20;
const char UnderXvfb[] = "OSTREL_BENCH_UNDER_XVFB";

void runEventLoop(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// How old a stamp is at the wall-clock time `ms`.
qint64 age(qint64 stamp, qint64 ms)
{
    return ((ms - stamp) % StampModulo + StampModulo) % StampModulo;
}

qint64 stampIn(const QImage &image, const QRect &area)
{
    return BenchMedia::readBars(image, area, StampColumns);
}

QImage grab(const QRect &area)
{
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
        .toImage();
}

// The stamped picture as a one-shot HTTP camera makes it: the stamp is
// taken when the picture leaves the real-time pacing, before encoding.
QStringList httpCamera(quint16 port)
{
    const QString graph =
        QStringLiteral("color=c=black:size=%1x2:rate=25,realtime,settb=1/1000,"
                       "setpts=RTCTIME/1000,format=gray,"
                       "geq=lum='if(eq(X\\,0)\\,235\\,if(eq(X\\,1)\\,16\\,"
                       "if(mod(floor((T*1000+0.5)/pow(2\\,X-2))\\,2)\\,235\\,16)))',"
                       "setpts=N*40,scale=%2:%3:flags=neighbor,setsar=1,format=yuv420p")
            .arg(StampColumns)
            .arg(Picture.width())
            .arg(Picture.height());
    return {QStringLiteral("-v"),
            QStringLiteral("error"),
            QStringLiteral("-f"),
            QStringLiteral("lavfi"),
            QStringLiteral("-i"),
            graph,
            QStringLiteral("-c:v"),
            QStringLiteral("libx264"),
            QStringLiteral("-preset"),
            QStringLiteral("ultrafast"),
            QStringLiteral("-tune"),
            QStringLiteral("zerolatency"),
            QStringLiteral("-g"),
            QStringLiteral("25"),
            QStringLiteral("-flush_packets"),
            QStringLiteral("1"),
            QStringLiteral("-muxdelay"),
            QStringLiteral("0"),
            QStringLiteral("-f"),
            QStringLiteral("mpegts"),
            QStringLiteral("-listen"),
            QStringLiteral("1"),
            QStringLiteral("http://127.0.0.1:%1/live").arg(port)};
}

// What plays: the player with a player-options text, or ffplay.
struct ClientKind
{
    QString name;
    bool isPlayer;
    QString options;
};

// One playing client and where its picture is on the screen.
class Client
{
public:
    Client(const ClientKind &kind, const QString &address, const QPoint &at, const QSize &frame)
        : m_kind(kind)
    {
        if (kind.isPlayer) {
            m_player = std::make_unique<PlayerWidget>(nullptr, address, false, kind.options);
            m_player->setFixedSize(frame);
            m_player->move(at);
            m_player->show();
        } else {
            m_area = QRect(at, Picture);
            m_ffplay = std::make_unique<PeerProcess>();
            m_ffplay->start(
                QStringLiteral("ffplay"),
                {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-nostats"),
                 QStringLiteral("-fflags"), QStringLiteral("nobuffer"), QStringLiteral("-flags"),
                 QStringLiteral("low_delay"), QStringLiteral("-an"), QStringLiteral("-noborder"),
                 QStringLiteral("-left"), QString::number(at.x()), QStringLiteral("-top"),
                 QString::number(at.y()), QStringLiteral("-x"), QString::number(Picture.width()),
                 QStringLiteral("-y"), QString::number(Picture.height()), address});
        }
    }

    // Where the picture is shown, on the screen.
    QRect area() const
    {
        if (!m_player)
            return m_area;
        auto *video = m_player->findChild<QFrame *>(QStringLiteral("video"));
        const QRect picture = m_player->videoRect() & video->rect();
        return QRect(video->mapToGlobal(picture.topLeft()), picture.size());
    }

    const ClientKind &kind() const { return m_kind; }

private:
    ClientKind m_kind;
    std::unique_ptr<PlayerWidget> m_player;
    std::unique_ptr<PeerProcess> m_ffplay;
    QRect m_area;
};

// A source of stamped pictures: one RTSP server for all clients, or a
// one-shot HTTP server for each.
class Source
{
public:
    explicit Source(bool rtsp)
        : m_rtsp(rtsp)
    { }

    bool isRtsp() const { return m_rtsp; }
    QString name() const { return m_rtsp ? QStringLiteral("RTSP") : QStringLiteral("HTTP"); }

    bool start()
    {
        if (!m_rtsp)
            return true;
        auto server = std::make_unique<PeerProcess>();
        if (!server->startReportingPort(
                TestSupport::systemPython(),
                {TestSupport::sourcePath(QStringLiteral("tests/support/rtspserver.py")),
                 QStringLiteral("0"),
                 QStringLiteral("%1x%2").arg(Picture.width()).arg(Picture.height()),
                 QStringLiteral("stamp")},
                QRegularExpression(QStringLiteral("^listening (\\d+)$")))) {
            return false;
        }
        m_servers.push_back(std::move(server));
        return true;
    }

    // The address for one more client; empty when no server could start.
    QString nextAddress()
    {
        if (m_rtsp)
            return QStringLiteral("rtsp://127.0.0.1:%1/test").arg(m_servers.front()->port());
        auto server = std::make_unique<PeerProcess>();
        if (!server->startOnFreePort(QStringLiteral("ffmpeg"), httpCamera))
            return QString();
        const QString address = QStringLiteral("http://127.0.0.1:%1/live").arg(server->port());
        m_servers.push_back(std::move(server));
        return address;
    }

    // One-shot servers whose client has gone.
    void dropFinished()
    {
        if (m_rtsp)
            return;
        m_servers.erase(std::remove_if(m_servers.begin(), m_servers.end(),
                                       [](const auto &server) { return !server->isRunning(); }),
                        m_servers.end());
    }

private:
    bool m_rtsp;
    std::vector<std::unique_ptr<PeerProcess>> m_servers;
};

// Milliseconds from starting the client until its picture shows; -1 when it
// does not within the time limit. A new window shows what was on the screen
// before until it is painted: only a picture made after the start counts.
qint64 firstPicture(Source *source, const ClientKind &kind, const QSize &frame)
{
    const QString address = source->nextAddress();
    if (address.isEmpty())
        return -1;
    QElapsedTimer timer;
    timer.start();
    const qint64 startMs = QDateTime::currentMSecsSinceEpoch();
    Client client(kind, address, QPoint(0, 0), frame);
    while (timer.elapsed() < FirstPictureTimeoutMs) {
        const QRect area = client.area();
        if (!area.isEmpty()) {
            const qint64 now = QDateTime::currentMSecsSinceEpoch();
            const qint64 stamp = stampIn(grab(area), QRect(QPoint(), area.size()));
            if (stamp >= 0 && age(stamp, now) <= now - startMs)
                return timer.elapsed();
        }
        runEventLoop(5);
    }
    return -1;
}

struct Delays
{
    std::vector<qint64> ms;

    qint64 quantile(double q) const
    {
        if (ms.empty())
            return -1;
        std::vector<qint64> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return sorted.at(std::min(sorted.size() - 1, size_t(q * sorted.size())));
    }
};

// All clients playing side by side; each grab of the screen reads every
// window's stamp at the same moment.
bool liveDelays(Source *source, const QList<ClientKind> &kinds, const QSize &frame,
                std::vector<Delays> *delays)
{
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < kinds.size(); ++i) {
        const QString address = source->nextAddress();
        if (address.isEmpty())
            return false;
        clients.push_back(std::make_unique<Client>(
            kinds.at(i), address, QPoint(i * (frame.width() + WindowGap), 0), frame));
    }
    const QRect all(0, 0, int(clients.size()) * (frame.width() + WindowGap),
                    qMax(frame.height(), Picture.height()));
    const auto stamps = [&](const QImage &image, std::vector<qint64> *read) {
        read->clear();
        for (const auto &client : clients)
            read->push_back(stampIn(image, client->area().translated(-all.topLeft())));
    };
    std::vector<qint64> read;
    const bool playing = TestSupport::waitUntil(
        [&] {
            stamps(grab(all), &read);
            return std::all_of(read.begin(), read.end(), [](qint64 s) { return s >= 0; });
        },
        FirstPictureTimeoutMs * 2);
    if (!playing)
        return false;
    runEventLoop(SettleMs);

    delays->assign(clients.size(), Delays());
    for (int sample = 0; sample < Samples; ++sample) {
        // Not in step with the pictures' 40 ms.
        runEventLoop(20 + int(QRandomGenerator::global()->bounded(40)));
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        const QImage image = grab(all);
        const qint64 at = (before + QDateTime::currentMSecsSinceEpoch()) / 2;
        stamps(image, &read);
        for (size_t i = 0; i < read.size(); ++i) {
            if (read.at(i) >= 0)
                (*delays)[i].ms.push_back(age(read.at(i), at));
        }
    }
    return true;
}

// The benchmark runs on a virtual X server of its own, started for it.
int runUnderXvfb(int argc, char *argv[])
{
    QProcess xvfb;
    xvfb.setProcessChannelMode(QProcess::ForwardedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QString::fromLatin1(UnderXvfb), QStringLiteral("1"));
    xvfb.setProcessEnvironment(environment);
    QStringList arguments {QStringLiteral("-a"), QStringLiteral("-s"),
                           QStringLiteral("-screen 0 2800x520x24"),
                           QCoreApplication::applicationFilePath()};
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    xvfb.start(QStringLiteral("xvfb-run"), arguments);
    if (!xvfb.waitForStarted(10000)) {
        QTextStream(stdout) << "this benchmark needs xvfb-run\n";
        return 1;
    }
    xvfb.waitForFinished(20 * 60 * 1000);
    return xvfb.exitStatus() == QProcess::NormalExit ? xvfb.exitCode() : 1;
}

qint64 median(QList<qint64> values)
{
    if (values.contains(-1))
        return -1;
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

} // namespace

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet(UnderXvfb)) {
        QCoreApplication app(argc, argv);
        return runUnderXvfb(argc, argv);
    }
    QApplication app(argc, argv);
    BenchMedia::silenceLogs();
    QTextStream out(stdout);

    const QList<ClientKind> kinds {
        {QStringLiteral("player, no options"), true, QString()},
        {QStringLiteral("player, --network-caching=300"), true,
         QStringLiteral("--network-caching=300")},
        {QStringLiteral("player, --network-caching=0"), true,
         QStringLiteral("--network-caching=0")},
        {QStringLiteral("ffplay -fflags nobuffer -flags low_delay"), false, QString()},
    };

    // The player's size for a video frame of the picture's size.
    QSize frame;
    {
        PlayerWidget probe(nullptr, QString());
        probe.findChild<QStackedWidget *>(QStringLiteral("stackedWidget"))->setCurrentIndex(0);
        probe.show();
        runEventLoop(100);
        const QSize inner = probe.findChild<QFrame *>(QStringLiteral("video"))->size();
        frame = probe.size() + Picture - inner;
    }

    out << QStringLiteral("%1x%2 H.264 at 25 frames/s, each picture stamped with the wall clock "
                          "when made; shown on one X server (Xvfb) and read off the screen\n")
               .arg(Picture.width())
               .arg(Picture.height());
    out << QStringLiteral("first picture: from starting the client to its picture on the "
                          "screen, median of %1 turns, one client at a time\n")
               .arg(Rounds);
    out << QStringLiteral("live delay: screen time minus stamp, %1 screen grabs with all clients "
                          "playing at once, after %2 s\n")
               .arg(Samples)
               .arg(SettleMs / 1000);
    out << QStringLiteral("load average at start: %1\n").arg(BenchMedia::loadAverage(), 0, 'f', 2);
    out << "source  client                                    first picture  live delay "
           "median / 90% / max\n";
    out.flush();

    bool met = true;
    for (const bool rtsp : {true, false}) {
        Source source(rtsp);
        if (!source.start()) {
            out << "cannot start the " << source.name() << " camera\n";
            return 1;
        }
        std::vector<QList<qint64>> first(kinds.size());
        for (int round = 0; round < Rounds; ++round) {
            for (int i = 0; i < kinds.size(); ++i) {
                first[i] << firstPicture(&source, kinds.at(i), frame);
                source.dropFinished();
                runEventLoop(300);
            }
        }
        std::vector<Delays> delays;
        if (!liveDelays(&source, kinds, frame, &delays)) {
            out << "not every client played the " << source.name() << " camera\n";
            return 1;
        }
        for (int i = 0; i < kinds.size(); ++i) {
            const Delays &d = delays.at(i);
            out << QStringLiteral("%1  %2  %3  %4 / %5 / %6 ms (%7 grabs read)\n")
                       .arg(source.name(), -6)
                       .arg(kinds.at(i).name, -40)
                       .arg(QStringLiteral("%1 ms").arg(median(first.at(i))), 13)
                       .arg(d.quantile(0.5), 5)
                       .arg(d.quantile(0.9))
                       .arg(d.quantile(1.0))
                       .arg(d.ms.size());
        }
        out.flush();
        // The list's usual caching against the anchor, the last client.
        const int anchor = kinds.size() - 1;
        for (int i = 1; i < anchor; ++i) {
            met = met && median(first.at(i)) >= 0 && median(first.at(i)) <= median(first.at(anchor))
                  && delays.at(i).quantile(0.5) <= delays.at(anchor).quantile(0.5);
        }
    }
    out << QStringLiteral("load average at the end: %1\n")
               .arg(BenchMedia::loadAverage(), 0, 'f', 2);
    out << QStringLiteral("target: with a caching given, first picture and median delay no "
                          "longer than ffplay's: %1\n")
               .arg(met ? QStringLiteral("met") : QStringLiteral("not met"));
    return 0;
}
