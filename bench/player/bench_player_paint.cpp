// Cost of one paint of the live player (a 1920x1080 picture fitted into a
// 960x540 frame) against a bare QPainter::drawImage of the same picture.

#include "benchmedia.h"
#include "peerprocess.h"
#include "player/playerwidget.h"
#include "testsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>

#include <functional>

namespace {

constexpr int Paints = 100;

// Shortest of single paints, alternating between the two ways of painting,
// so that load from other processes weighs on neither.
QPair<double, double> shortestPaints(const std::function<void()> &first,
                                     const std::function<void()> &second)
{
    first();
    second();
    double best[2] = {1e9, 1e9};
    QElapsedTimer timer;
    for (int i = 0; i < Paints; ++i) {
        int which = 0;
        for (const auto *paint : {&first, &second}) {
            timer.start();
            (*paint)();
            best[which] = qMin(best[which], timer.nsecsElapsed() / 1e6);
            ++which;
        }
    }
    return {best[0], best[1]};
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    BenchMedia::silenceLogs();
    QTextStream out(stdout);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("1080p.mp4"));
    if (!BenchMedia::makeVideo(file, QSize(1920, 1080), 2)) {
        out << "cannot make the test video\n";
        return 1;
    }
    // A live camera, frozen once the picture shows, so that no decoding runs
    // while painting is measured.
    PeerProcess camera;
    const auto address = [](quint16 port) { return BenchMedia::liveAddress(port); };
    const auto arguments = [&](quint16 port) {
        return BenchMedia::liveServerArguments(file, port);
    };
    if (!camera.startOnFreePort(QStringLiteral("ffmpeg"), arguments)) {
        out << "cannot start the camera\n";
        return 1;
    }

    PlayerWidget player(nullptr, address(camera.port()));
    player.resize(966, 546); // the video frame inside is 960x540
    player.show();
    if (!BenchMedia::waitForPicture(&player, 20000)) {
        out << "no picture\n";
        return 1;
    }
    camera.pause();
    QCoreApplication::processEvents();

    auto *video = player.findChild<QFrame *>(QStringLiteral("video"));
    const QImage frame = player.currentFrame();
    const QRect rect = player.videoRect();
    QImage target(video->size(), QImage::Format_RGB32);

    // The paint event of the video frame as Qt delivers it; the background
    // below belongs to the parent widgets and costs the same for any widget.
    const auto [playerMs, bareMs] =
        shortestPaints([&] { video->render(&target, QPoint(), QRegion(), QWidget::RenderFlags()); },
                       [&] {
                           QPainter painter(&target);
                           painter.drawImage(rect, frame);
                       });

    out << QStringLiteral("%1x%2 picture into a %3x%4 rectangle\n")
               .arg(frame.width())
               .arg(frame.height())
               .arg(rect.width())
               .arg(rect.height());
    out << QStringLiteral("shortest of %1 paints each\n").arg(Paints);
    out << QStringLiteral("player paint:      %1 ms\n").arg(playerMs, 0, 'f', 2);
    out << QStringLiteral("bare drawImage:    %1 ms\n").arg(bareMs, 0, 'f', 2);
    out << QStringLiteral("ratio player/bare: %1 (target <= 1.2)\n")
               .arg(playerMs / bareMs, 0, 'f', 2);
    out.flush();
    camera.stop();
    return 0;
}
