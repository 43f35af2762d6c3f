// Resident memory taken by each playing 1280x720 live player, against what
// the FFmpeg command line needs to decode the same stream to RGB.

#include "benchmedia.h"
#include "peerprocess.h"
#include "player/playerwidget.h"
#include "testsupport.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <memory>
#include <vector>

namespace {

constexpr int Players = 4;
constexpr int SettleMs = 2000;
constexpr int Samples = 10;

// Average resident size over a second, after the process has settled.
template<typename Read>
qint64 settledResidentKiB(Read read)
{
    QTest::qWait(SettleMs);
    qint64 sum = 0;
    for (int i = 0; i < Samples; ++i) {
        sum += read();
        QTest::qWait(1000 / Samples);
    }
    return sum / Samples;
}

qint64 commandLineResidentKiB(const QString &file)
{
    PeerProcess decoder;
    if (!decoder.start(QStringLiteral("ffmpeg"),
                       BenchMedia::realTimeInput(file)
                           + QStringList {QStringLiteral("-threads"), QStringLiteral("auto"),
                                          QStringLiteral("-pix_fmt"), QStringLiteral("rgb24"),
                                          QStringLiteral("-f"), QStringLiteral("null"),
                                          QStringLiteral("-")})) {
        return -1;
    }
    const qint64 pid = decoder.pid();
    return settledResidentKiB([pid] { return BenchMedia::residentKiB(pid); });
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    BenchMedia::silenceLogs();
    QTextStream out(stdout);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("720p.mp4"));
    const QString tiny = dir.filePath(QStringLiteral("tiny.mp4"));
    if (!BenchMedia::makeVideo(file, QSize(1280, 720), 10)
        || !BenchMedia::makeVideo(tiny, QSize(32, 32), 10)) {
        out << "cannot make the test videos\n";
        return 1;
    }

    // One live camera per player, sending the file in real time.
    std::vector<std::unique_ptr<PeerProcess>> cameras;
    std::vector<std::unique_ptr<PlayerWidget>> players;
    qint64 withOne = 0;
    for (int i = 0; i < Players; ++i) {
        cameras.push_back(std::make_unique<PeerProcess>());
        if (!cameras.back()->startOnFreePort(QStringLiteral("ffmpeg"), [&](quint16 port) {
                return BenchMedia::liveServerArguments(file, port);
            })) {
            out << "cannot start a camera\n";
            return 1;
        }
        players.push_back(std::make_unique<PlayerWidget>(
            nullptr, BenchMedia::liveAddress(cameras.back()->port())));
        if (!BenchMedia::waitForPicture(players.back().get(), 20000)) {
            out << "no picture\n";
            return 1;
        }
        // The first player also pays for what every process loads once.
        if (i == 0)
            withOne = settledResidentKiB(BenchMedia::ownResidentKiB);
    }
    const qint64 withAll = settledResidentKiB(BenchMedia::ownResidentKiB);
    const double perPlayer = double(withAll - withOne) / (Players - 1);
    players.clear();
    cameras.clear();

    // The command line's share for decoding: its size on this stream less its
    // size on a tiny one.
    const qint64 cliFull = commandLineResidentKiB(file);
    const qint64 cliBase = commandLineResidentKiB(tiny);
    if (cliFull <= 0 || cliBase <= 0) {
        out << "cannot measure the command line\n";
        return 1;
    }
    const double cliDecoding = double(cliFull - cliBase);

    out << QStringLiteral("1280x720 H.264 live at 25 frames/s, %1 players\n").arg(Players);
    out << QStringLiteral("per playing player:          %1 MiB\n").arg(perPlayer / 1024, 0, 'f', 1);
    out << QStringLiteral("ffmpeg decoding to rgb24:    %1 MiB (%2 MiB in all, %3 MiB on a "
                          "32x32 stream)\n")
               .arg(cliDecoding / 1024, 0, 'f', 1)
               .arg(cliFull / 1024.0, 0, 'f', 1)
               .arg(cliBase / 1024.0, 0, 'f', 1);
    out << QStringLiteral("ratio player/ffmpeg: %1 (target <= 1.5)\n")
               .arg(perPlayer / cliDecoding, 0, 'f', 2);
    return 0;
}
