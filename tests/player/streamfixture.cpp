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
#include <QStackedWidget>

namespace {

const QString Ffmpeg = QStringLiteral("ffmpeg");

QStringList testPicture(const QString &size, int seconds)
{
    return {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
        QStringLiteral("testsrc=size=%1:rate=25:duration=%2").arg(size).arg(seconds)};
}

QStringList h264(const QStringList &extra = {})
{
    return QStringList {QStringLiteral("-c:v"), QStringLiteral("libx264"),
               QStringLiteral("-preset"), QStringLiteral("ultrafast"), QStringLiteral("-pix_fmt"),
               QStringLiteral("yuv420p"), QStringLiteral("-g"), QStringLiteral("25")}
    + extra;
}

bool runFfmpeg(const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(Ffmpeg,
        QStringList {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y")}
            + arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        qWarning().noquote() << "ffmpeg" << arguments.join(QLatin1Char(' '))
                             << "failed:" << process.readAll();
        process.kill();
        process.waitForFinished(3000);
        return false;
    }
    return true;
}

} // namespace

bool StreamFixture::makeFiles(const QStringList &names)
{
    if (!m_dir.isValid())
        return false;
    for (const QString &name : names) {
        if (!makeFile(name))
            return false;
    }
    return true;
}

QString StreamFixture::file(const QString &name) const
{
    return m_dir.filePath(name);
}

bool StreamFixture::makeFile(const QString &name)
{
    const QString path = file(name);
    if (name == QLatin1String("h264.mp4"))
        return runFfmpeg(testPicture(QStringLiteral("320x240"), 5) + h264() + QStringList {path});
    if (name == QLatin1String("h264_640x480.mp4"))
        return runFfmpeg(testPicture(QStringLiteral("640x480"), 4) + h264() + QStringList {path});
    if (name == QLatin1String("h264_1280x720.mp4"))
        return runFfmpeg(testPicture(QStringLiteral("1280x720"), 4) + h264() + QStringList {path});
    if (name == QLatin1String("mpeg4.avi")) {
        return runFfmpeg(testPicture(QStringLiteral("320x240"), 5)
            + QStringList {QStringLiteral("-c:v"), QStringLiteral("mpeg4"), path});
    }
    if (name == QLatin1String("audio_h264.mkv")) {
        return runFfmpeg(testPicture(QStringLiteral("320x240"), 5)
            + QStringList {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                QStringLiteral("sine=duration=5"), QStringLiteral("-map"), QStringLiteral("1:a"),
                QStringLiteral("-map"), QStringLiteral("0:v")}
            + h264({QStringLiteral("-c:a"), QStringLiteral("aac"), path}));
    }
    if (name == QLatin1String("gray40_mjpeg.avi")) {
        return runFfmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
            QStringLiteral("color=c=0x282828:size=320x240:rate=25"), QStringLiteral("-t"),
            QStringLiteral("3"), QStringLiteral("-c:v"), QStringLiteral("mjpeg"),
            QStringLiteral("-pix_fmt"), QStringLiteral("yuvj420p"), path});
    }
    if (name == QLatin1String("nosize.ts")) {
        // Seconds of pictures without their parameter sets make the probe
        // give up on the size; the pictures after them decode at 320x240.
        const QString headless = file(QStringLiteral("headless.ts"));
        const QString whole = file(QStringLiteral("whole.ts"));
        if (!runFfmpeg(testPicture(QStringLiteral("320x240"), 12)
                + h264({QStringLiteral("-bsf:v"), QStringLiteral("filter_units=remove_types=7|8"),
                    QStringLiteral("-f"), QStringLiteral("mpegts"), headless}))
            || !runFfmpeg(testPicture(QStringLiteral("320x240"), 3)
                + h264({QStringLiteral("-f"), QStringLiteral("mpegts"), whole}))) {
            return false;
        }
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly))
            return false;
        for (const QString &part : {headless, whole}) {
            QFile in(part);
            if (!in.open(QIODevice::ReadOnly))
                return false;
            out.write(in.readAll());
        }
        return true;
    }
    qWarning() << "no recipe for" << name;
    return false;
}

QString StreamFixture::oneShotAddress(quint16 port, const QString &scheme)
{
    return QStringLiteral("%1://127.0.0.1:%2/live").arg(scheme).arg(port);
}

bool StreamFixture::startOneShotServer(PeerProcess *peer, quint16 port, const QString &scheme)
{
    const QString url = scheme == QLatin1String("tcp")
        ? QStringLiteral("tcp://127.0.0.1:%1?listen").arg(port)
        : oneShotAddress(port, scheme);
    QStringList arguments {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-re")};
    arguments += testPicture(QStringLiteral("640x480"), 120);
    arguments += h264({QStringLiteral("-tune"), QStringLiteral("zerolatency"), QStringLiteral("-f"),
        QStringLiteral("mpegts")});
    if (scheme == QLatin1String("http"))
        arguments += {QStringLiteral("-listen"), QStringLiteral("1")};
    arguments += url;
    return peer->startListening(Ffmpeg, arguments, port);
}

bool StreamFixture::startRtspServer(PeerProcess *peer, quint16 port)
{
    return peer->startListening(TestSupport::systemPython(),
        {TestSupport::sourcePath(QStringLiteral("tests/support/rtspserver.py")),
            QString::number(port)},
        port);
}

int StreamFixture::currentPage(PlayerWidget *player)
{
    auto *pages = player->findChild<QStackedWidget *>(QStringLiteral("stackedWidget"));
    return pages ? pages->currentIndex() : -1;
}

QString StreamFixture::loadingText(PlayerWidget *player)
{
    return player->findChild<QLabel *>(QStringLiteral("label_2"))->text();
}

QStringList StreamFixture::playerWarnings(const MessageCapture &capture)
{
    const QStringList known {QStringLiteral("No frame in 10 sec"),
                             QStringLiteral("Error reading frame"),
                             QStringLiteral("Restarting player")};
    QStringList found;
    for (const QString &message : capture.messages()) {
        if (known.contains(message))
            found.append(message);
    }
    return found;
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
