// A video wall: N live 1920x1080 H.264 cameras at 25 frames/s, each shown in
// a 480x270 tile of one window. The CPU time the player process takes per
// stream is set against what `ffmpeg -i URL -f null -` takes to decode the
// same streams, measured in turns (player, command line, player, command
// line) in the same run. The player's pictures carry their number in a bar
// code, read at every paint, so that skipped pictures are counted.

#include "benchmedia.h"
#include "peerprocess.h"
#include "player/playerwidget.h"
#include "testsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFrame>
#include <QGridLayout>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <vector>

#include <time.h>

namespace {

constexpr int FileSeconds = 10;
constexpr int FileFrames = FileSeconds * 25;
constexpr int FrameRate = 25;
constexpr int WarmUpMs = 3000;
constexpr int WindowMs = 12000;
constexpr int Rounds = 2;
const QSize Tile(480, 270);

QString address(quint16 port)
{
    return BenchMedia::liveAddress(port);
}

// One one-shot camera per stream, sending the file in real time, looped.
bool startCameras(std::vector<std::unique_ptr<PeerProcess>> *cameras, int count,
                  const QString &file)
{
    for (int i = 0; i < count; ++i) {
        cameras->push_back(std::make_unique<PeerProcess>());
        const bool started =
            cameras->back()->startOnFreePort(QStringLiteral("ffmpeg"), [&](quint16 port) {
                return BenchMedia::liveServerArguments(file, port);
            });
        if (!started)
            return false;
    }
    return true;
}

void runEventLoop(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double threadCpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + now.tv_nsec / 1e9;
}

struct Figures
{
    double cpuPerStream = 0; // share of one core
    qint64 sent = 0;
    qint64 painted = 0;
    qint64 skipped = 0;
    qint64 delivered = 0;
    double readingSeconds = 0;
    double othersCpu = 0; // share of the machine's cores, other processes
    double guiThreadCpu = 0; // share of a core
    QSize picture;
};

// What the processes of the benchmark, and the others, take in a window.
class CpuWindow
{
public:
    explicit CpuWindow(const std::vector<qint64> &pids)
        : m_pids(pids)
    {
        m_machine = BenchMedia::machineBusySeconds();
        for (const qint64 pid : m_pids)
            m_before.push_back(BenchMedia::cpuSeconds(pid));
        m_timer.start();
    }

    // CPU seconds of the first `count` processes given.
    double used(size_t count) const { return sum(count); }
    // Cores the machine's other processes kept busy on average.
    double others() const
    {
        return (BenchMedia::machineBusySeconds() - m_machine - sum(m_pids.size())) / seconds();
    }
    double seconds() const { return m_timer.elapsed() / 1000.0; }

private:
    double sum(size_t count) const
    {
        double total = 0;
        for (size_t i = 0; i < count && i < m_pids.size(); ++i)
            total += BenchMedia::cpuSeconds(m_pids.at(i)) - m_before.at(i);
        return total;
    }

    std::vector<qint64> m_pids;
    std::vector<double> m_before;
    double m_machine = 0;
    QElapsedTimer m_timer;
};

// Follows one tile: every paint of its video frame reads the number of the
// picture about to be painted; a number not following the last one means
// pictures were skipped.
class TileWatch : public QObject
{
public:
    explicit TileWatch(PlayerWidget *player)
        : m_player(player)
    {
        player->findChild<QFrame *>(QStringLiteral("video"))->installEventFilter(this);
        QObject::connect(player, &PlayerWidget::newFrame, this, [this] { ++m_delivered; });
    }

    void restart()
    {
        m_delivered = 0;
        m_painted = 0;
        m_skipped = 0;
        m_readingSeconds = 0;
    }

    qint64 delivered() const { return m_delivered; }
    qint64 painted() const { return m_painted; }
    qint64 skipped() const { return m_skipped; }
    double readingSeconds() const { return m_readingSeconds; }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            // The reading is not the player's work; its time is taken out.
            const double start = threadCpuSeconds();
            const QImage picture = m_player->currentFrame();
            const int codeHeight = qMax(1, int(picture.height() * BenchMedia::CameraCodeHeight));
            const qint64 number = BenchMedia::readBars(
                picture, QRect(0, 0, picture.width(), codeHeight), BenchMedia::CameraCodeColumns);
            if (number >= 0 && number != m_last) {
                ++m_painted;
                if (m_last >= 0)
                    m_skipped += (number - m_last + FileFrames) % FileFrames - 1;
                m_last = number;
            }
            m_readingSeconds += threadCpuSeconds() - start;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    PlayerWidget *const m_player;
    qint64 m_last = -1;
    qint64 m_delivered = 0;
    qint64 m_painted = 0;
    qint64 m_skipped = 0;
    double m_readingSeconds = 0;
};

// The player side: one window of tiles.
bool playerTurn(int count, const QString &file, const QString &options, Figures *figures)
{
    std::vector<std::unique_ptr<PeerProcess>> cameras;
    if (!startCameras(&cameras, count, file))
        return false;

    QWidget wall;
    auto *grid = new QGridLayout(&wall);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    std::vector<PlayerWidget *> players;
    std::vector<std::unique_ptr<TileWatch>> watches;
    for (int i = 0; i < count; ++i) {
        auto *player = new PlayerWidget(&wall, address(cameras.at(i)->port()), false, options);
        grid->addWidget(player, i / 4, i % 4);
        players.push_back(player);
    }
    wall.show();
    for (PlayerWidget *player : players) {
        if (!BenchMedia::waitForPicture(player, 30000))
            return false;
    }
    // Each tile's video frame is made exactly the tile's size. The player
    // paints through an event filter of its own, set once its stream opened;
    // the watch's, set later, sees the paint first.
    for (PlayerWidget *player : players) {
        watches.push_back(std::make_unique<TileWatch>(player));
        const QSize frame = player->findChild<QFrame *>(QStringLiteral("video"))->size();
        player->setFixedSize(player->size() + Tile - frame);
    }
    runEventLoop(WarmUpMs);
    // The picture fills the tile with its aspect kept, converted at the size
    // it is painted.
    for (PlayerWidget *player : players) {
        if (player->findChild<QFrame *>(QStringLiteral("video"))->size() != Tile
            || player->currentFrame().size() != player->videoRect().size()) {
            return false;
        }
    }
    figures->picture = players.front()->videoRect().size();

    for (auto &watch : watches)
        watch->restart();
    std::vector<qint64> pids {QCoreApplication::applicationPid()};
    for (const auto &camera : cameras)
        pids.push_back(camera->pid());
    const CpuWindow window(pids);
    const double guiBefore = threadCpuSeconds();
    runEventLoop(WindowMs);
    figures->guiThreadCpu += (threadCpuSeconds() - guiBefore) / window.seconds();
    const double cpu = window.used(1);
    const double seconds = window.seconds();
    figures->othersCpu += window.others();

    double reading = 0;
    for (const auto &watch : watches) {
        figures->painted += watch->painted();
        figures->skipped += watch->skipped();
        figures->delivered += watch->delivered();
        reading += watch->readingSeconds();
    }
    figures->readingSeconds += reading;
    figures->sent += qRound64(seconds * FrameRate) * count;
    figures->cpuPerStream += (cpu - reading) / seconds / count;
    return true;
}

// The baseline: the command line decoding each stream and throwing the
// pictures away.
bool commandLineTurn(int count, const QString &file, Figures *figures)
{
    std::vector<std::unique_ptr<PeerProcess>> cameras;
    if (!startCameras(&cameras, count, file))
        return false;
    std::vector<std::unique_ptr<PeerProcess>> decoders;
    for (int i = 0; i < count; ++i) {
        decoders.push_back(std::make_unique<PeerProcess>());
        if (!decoders.back()->start(QStringLiteral("ffmpeg"),
                                    {QStringLiteral("-v"), QStringLiteral("error"),
                                     QStringLiteral("-nostats"), QStringLiteral("-progress"),
                                     QStringLiteral("pipe:1"), QStringLiteral("-stats_period"),
                                     QStringLiteral("0.5"), QStringLiteral("-i"),
                                     address(cameras.at(i)->port()), QStringLiteral("-f"),
                                     QStringLiteral("null"), QStringLiteral("-")})) {
            return false;
        }
    }
    // Decoded pictures so far, from the progress lines.
    std::vector<qint64> frames(count, 0);
    const QRegularExpression frameLine(QStringLiteral("^frame=(\\d+)$"),
                                       QRegularExpression::MultilineOption);
    const auto readProgress = [&] {
        for (int i = 0; i < count; ++i) {
            auto matches = frameLine.globalMatch(QString::fromUtf8(decoders.at(i)->output()));
            while (matches.hasNext())
                frames[i] = matches.next().captured(1).toLongLong();
        }
    };
    const bool started = TestSupport::waitUntil(
        [&] {
            readProgress();
            return std::all_of(frames.begin(), frames.end(), [](qint64 n) { return n > 0; });
        },
        30000);
    if (!started)
        return false;
    runEventLoop(WarmUpMs);

    readProgress();
    const std::vector<qint64> framesBefore = frames;
    std::vector<qint64> pids;
    for (const auto &decoder : decoders)
        pids.push_back(decoder->pid());
    for (const auto &camera : cameras)
        pids.push_back(camera->pid());
    pids.push_back(QCoreApplication::applicationPid());
    const CpuWindow window(pids);
    runEventLoop(WindowMs);
    const double cpu = window.used(decoders.size());
    const double seconds = window.seconds();
    figures->othersCpu += window.others();
    readProgress();
    for (int i = 0; i < count; ++i)
        figures->delivered += frames.at(i) - framesBefore.at(i);
    figures->sent += qRound64(seconds * FrameRate) * count;
    figures->cpuPerStream += cpu / seconds / count;
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    BenchMedia::silenceLogs();
    QTextStream out(stdout);

    // bench_player_wall [--options TEXT] [TILES...]
    QList<int> counts;
    QString options;
    const QStringList arguments = app.arguments().mid(1);
    for (int i = 0; i < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("--options") && i + 1 < arguments.size())
            options = arguments.at(++i);
        else
            counts << qBound(1, arguments.at(i).toInt(), 16);
    }
    if (counts.isEmpty())
        counts = {2, 4, 8};

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("camera1080.mp4"));
    if (!BenchMedia::makeCameraVideo(file, QSize(1920, 1080), FileSeconds)) {
        out << "cannot make the test video\n";
        return 1;
    }

    out << QStringLiteral("1920x1080 H.264 at 25 frames/s, 4 Mbit/s, live over HTTP (MPEG-TS) "
                          "from one-shot servers on loopback, into %1x%2 tiles; player options: "
                          "%3\n")
               .arg(Tile.width())
               .arg(Tile.height())
               .arg(options.isEmpty() ? QStringLiteral("none") : options);
    out << QStringLiteral("CPU time per stream (% of a core) in %1 s after %2 s of warm-up, in "
                          "turns: player, ffmpeg -i URL -f null -, x%3\n")
               .arg(WindowMs / 1000)
               .arg(WarmUpMs / 1000)
               .arg(Rounds);
    out << "skipped: pictures whose number in the bar code was never painted; others: cores "
           "kept busy by other processes meanwhile\n";
    out << "tiles  player  ffmpeg  ratio  painted/sent  skipped  delivered  GUI thread  others "
           "(player/ffmpeg turns)\n";
    out.flush();
    bool allMet = true;
    QSize pictureSize;
    for (const int count : counts) {
        Figures player;
        Figures commandLine;
        for (int round = 0; round < Rounds; ++round) {
            if (!playerTurn(count, file, options, &player)) {
                out << "the player's turn failed with " << count << " tiles\n";
                return 1;
            }
            if (!commandLineTurn(count, file, &commandLine)) {
                out << "the command line's turn failed with " << count << " streams\n";
                return 1;
            }
        }
        pictureSize = player.picture;
        const double playerCpu = player.cpuPerStream / Rounds * 100;
        const double commandLineCpu = commandLine.cpuPerStream / Rounds * 100;
        const double ratio = playerCpu / commandLineCpu;
        out << QStringLiteral("%1  %2  %3  %4  %5  %6  %7  %10  %8/%9\n")
                   .arg(count, 5)
                   .arg(playerCpu, 6, 'f', 1)
                   .arg(commandLineCpu, 6, 'f', 1)
                   .arg(ratio, 5, 'f', 2)
                   .arg(QStringLiteral("%1/%2").arg(player.painted).arg(player.sent), 12)
                   .arg(player.skipped, 7)
                   .arg(player.delivered, 9)
                   .arg(player.othersCpu / Rounds, 0, 'f', 2)
                   .arg(commandLine.othersCpu / Rounds, 0, 'f', 2)
                   .arg(QStringLiteral("%1%").arg(player.guiThreadCpu / Rounds * 100, 0, 'f', 1),
                        10);
        out.flush();
        allMet = allMet && ratio <= 1.1 && (count < 8 || player.skipped == 0);
    }
    out << QStringLiteral("pictures painted at %1x%2 (the picture's aspect in the tile); the "
                          "benchmark's reading of their codes is not counted\n")
               .arg(pictureSize.width())
               .arg(pictureSize.height());
    out << QStringLiteral("target: ratio <= 1.1, and nothing skipped with 8 tiles: %1\n")
               .arg(allMet ? QStringLiteral("met") : QStringLiteral("not met"));
    return 0;
}
