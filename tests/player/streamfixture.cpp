#include "streamfixture.h"

#include "messagecapture.h"
#include "peerprocess.h"
#include "player/playerwidget.h"
#include "testsupport.h"

#include <QDebug>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStackedWidget>

#include <algorithm>

namespace {

const QString Ffmpeg = QStringLiteral("ffmpeg");

// FFmpeg arguments written as one line; no argument here holds a space.
QStringList args(const QString &line)
{
    return line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QString testPicture(const char *size, int seconds)
{
    return QStringLiteral(" -f lavfi -i testsrc=size=%1:rate=25:duration=%2 ")
        .arg(QLatin1String(size))
        .arg(seconds);
}

const QString H264 = QStringLiteral(" -c:v libx264 -preset ultrafast -pix_fmt yuv420p -g 25 ");

bool runFfmpeg(const QString &arguments, const QString &output)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(Ffmpeg, args(QStringLiteral("-v error -y ") + arguments) << output);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        qWarning().noquote() << "ffmpeg" << arguments << "failed:" << process.readAll();
        process.kill();
        process.waitForFinished(3000);
        return false;
    }
    return true;
}

} // namespace

bool StreamFixture::makeFiles(const QStringList &names)
{
    return m_dir.isValid()
           && std::all_of(names.cbegin(), names.cend(),
                          [this](const QString &name) { return makeFile(name); });
}

QString StreamFixture::file(const QString &name) const
{
    return m_dir.filePath(name);
}

bool StreamFixture::makeFile(const QString &name)
{
    const auto colour = [](const char *name, int seconds) {
        return QStringLiteral("-f lavfi -i color=c=%1:size=320x240:rate=25:duration=%2")
                   .arg(name)
                   .arg(seconds)
               + H264 + "-f mpegts";
    };
    const QMap<QString, QString> recipes {
        {"h264.mp4", testPicture("320x240", 5) + H264},
        {"h264_640x480.mp4", testPicture("640x480", 4) + H264},
        {"audio_h264.mkv", testPicture("320x240", 5)
                               + "-f lavfi -i sine=duration=5 -map 1:a -map 0:v" + H264
                               + "-c:a aac"},
        {"gray40_mjpeg.avi",
         "-f lavfi -i color=c=0x282828:size=320x240:rate=25 -t 3 -c:v mjpeg -pix_fmt yuvj420p"},
        {"tone.wav", "-f lavfi -i sine=duration=1"},
        // Seconds of pictures without their parameter sets make the probe
        // give up on the size; the pictures after them decode at 320x240.
        {"headless.ts",
         testPicture("320x240", 12) + H264 + "-bsf:v filter_units=remove_types=7|8 -f mpegts"},
        {"whole.ts", testPicture("320x240", 3) + H264 + "-f mpegts"},
        // The pictures after the garbage last long enough to be seen before
        // the file ends and the player reopens it, however late a test looks.
        {"red.ts", colour("red", 2)},
        {"blue.ts", colour("blue", 10)},
    };
    // Files made of others end to end; "random" is 256 KiB of random bytes
    // that no demuxer takes for a stream (some random bytes pass for H.263).
    const QMap<QString, QStringList> joined {
        {"nosize.ts", {"headless.ts", "whole.ts"}},
        {"garbage_between.ts", {"red.ts", "random", "blue.ts"}},
        {"garbage.ts", {"random"}},
    };
    if (recipes.contains(name))
        return runFfmpeg(recipes.value(name), file(name));
    if (!joined.contains(name)) {
        qWarning() << "no recipe for" << name;
        return false;
    }
    QByteArray bytes;
    for (const QString &part : joined.value(name)) {
        QFile in(file(part));
        if (part != QLatin1String("random") && (!makeFile(part) || !in.open(QIODevice::ReadOnly)))
            return false;
        bytes += part == QLatin1String("random") ? randomBytes(256 * 1024, 7) : in.readAll();
    }
    return TestSupport::writeFile(file(name), bytes);
}

QString StreamFixture::oneShotAddress(quint16 port, const QString &scheme)
{
    return QStringLiteral("%1://127.0.0.1:%2/live").arg(scheme).arg(port);
}

bool StreamFixture::startOneShotServer(PeerProcess *peer, const QString &scheme, const char *size,
                                       quint16 port)
{
    return peer->startOnFreePort(
        Ffmpeg,
        [&](quint16 port) {
            return args(QStringLiteral("-v error -re") + testPicture(size, 120) + H264
                        + "-tune zerolatency -f mpegts -listen 1 " + oneShotAddress(port, scheme));
        },
        10000, port);
}

bool StreamFixture::startRtspServer(PeerProcess *peer, quint16 port)
{
    return peer->startReportingPort(
        TestSupport::systemPython(),
        {TestSupport::sourcePath(QStringLiteral("tests/support/rtspserver.py")),
         QString::number(port)},
        QRegularExpression(QStringLiteral("^listening (\\d+)$")));
}

int StreamFixture::currentPage(PlayerWidget *player)
{
    return player->findChild<QStackedWidget *>(QStringLiteral("stackedWidget"))->currentIndex();
}

QString StreamFixture::loadingText(PlayerWidget *player)
{
    return player->findChild<QLabel *>(QStringLiteral("label_2"))->text();
}

QStringList StreamFixture::playerWarnings(const MessageCapture &capture)
{
    return capture.messages().filter(QRegularExpression(
        QStringLiteral("^(No frame in 10 sec|Error reading frame|Restarting player)$")));
}

QByteArray StreamFixture::randomBytes(int size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

bool StreamFixture::isBlack(const QImage &image)
{
    for (int y = 0; y < image.height(); y += 7) {
        for (int x = 0; x < image.width(); x += 7) {
            if (image.pixelColor(x, y).value() > 16)
                return false;
        }
    }
    return true;
}

bool StreamFixture::waitForPicture(PlayerWidget *player, int timeoutMs)
{
    return TestSupport::waitUntil(
        [player] {
            return currentPage(player) == 0 && player->infoText().isEmpty()
                   && player->warningText().isEmpty() && !isBlack(player->currentFrame());
        },
        timeoutMs);
}
