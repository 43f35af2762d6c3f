// Decoding throughput of the live player against the FFmpeg command line
// decoding and converting the same file to RGB.

#include "benchmedia.h"
#include "player/playerwidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <atomic>

namespace {

constexpr int Seconds = 12;
constexpr int Frames = Seconds * 25;
constexpr int Runs = 3;

// Frames per second from construction until the end of the file.
double playerRun(const QString &file)
{
    std::atomic<int> frames {0};
    std::atomic<qint64> endMs {-1};
    QElapsedTimer timer;
    timer.start();
    auto *player = new PlayerWidget(nullptr, file);
    QObject::connect(
        player, &PlayerWidget::newFrame, player, [&frames] { ++frames; }, Qt::DirectConnection);
    QObject::connect(
        player, &PlayerWidget::warning, player,
        [&endMs, &timer](const QString &text) {
            if (text == QLatin1String("Error reading frame") && endMs < 0)
                endMs = timer.elapsed();
        },
        Qt::DirectConnection);
    while (endMs < 0 && timer.elapsed() < 120000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    const double fps = endMs > 0 ? frames * 1000.0 / endMs : 0.0;
    delete player;
    return fps;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    BenchMedia::silenceLogs();
    QTextStream out(stdout);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("720p.mp4"));
    if (!BenchMedia::makeVideo(file, QSize(1280, 720), Seconds)) {
        out << "cannot make the test video\n";
        return 1;
    }

    double cliFps = 0;
    double playerFps = 0;
    for (int run = 0; run < Runs; ++run) {
        const qint64 ms = BenchMedia::timeFfmpeg(
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-threads"),
             QStringLiteral("auto"), QStringLiteral("-i"), file, QStringLiteral("-pix_fmt"),
             QStringLiteral("rgb24"), QStringLiteral("-f"), QStringLiteral("null"),
             QStringLiteral("-")});
        if (ms > 0)
            cliFps = qMax(cliFps, Frames * 1000.0 / ms);
        playerFps = qMax(playerFps, playerRun(file));
    }
    if (cliFps <= 0 || playerFps <= 0) {
        out << "a run failed\n";
        return 1;
    }
    out << QStringLiteral("1280x720 H.264, %1 frames, best of %2 runs\n").arg(Frames).arg(Runs);
    out << QStringLiteral("player (open + decode + RGB):  %1 frames/s\n").arg(playerFps, 0, 'f', 1);
    out << QStringLiteral("ffmpeg -pix_fmt rgb24 -f null: %1 frames/s\n").arg(cliFps, 0, 'f', 1);
    out << QStringLiteral("ratio player/ffmpeg: %1 (target >= 0.9)\n")
               .arg(playerFps / cliFps, 0, 'f', 2);
    return 0;
}
