#include "benchmedia.h"

#include "player/playerwidget.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStackedWidget>
#include <QTextStream>
#include <QThread>

extern "C" {
#include <libavutil/log.h>
}

namespace BenchMedia {

void silenceLogs()
{
    av_log_set_level(AV_LOG_FATAL);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
}

bool makeVideo(const QString &path, const QSize &size, int seconds)
{
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ffmpeg.start(QStringLiteral("ffmpeg"),
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-f"),
            QStringLiteral("lavfi"), QStringLiteral("-i"),
            QStringLiteral("testsrc=size=%1x%2:rate=25").arg(size.width()).arg(size.height()),
            QStringLiteral("-t"), QString::number(seconds), QStringLiteral("-c:v"),
            QStringLiteral("libx264"), QStringLiteral("-preset"), QStringLiteral("veryfast"),
            QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), QStringLiteral("-g"),
            QStringLiteral("50"), path});
    return ffmpeg.waitForFinished(300000) && ffmpeg.exitCode() == 0;
}

qint64 residentKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

qint64 ownResidentKiB()
{
    return residentKiB(QCoreApplication::applicationPid());
}

bool waitForPicture(PlayerWidget *player, int timeoutMs)
{
    auto *pages = player->findChild<QStackedWidget *>(QStringLiteral("stackedWidget"));
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (pages->currentIndex() == 0 && player->infoText().isEmpty()
            && player->warningText().isEmpty()) {
            return true;
        }
        QThread::msleep(10);
    }
    return false;
}

qint64 timeFfmpeg(const QStringList &arguments)
{
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    ffmpeg.start(QStringLiteral("ffmpeg"), arguments);
    if (!ffmpeg.waitForFinished(300000) || ffmpeg.exitCode() != 0)
        return -1;
    return timer.elapsed();
}

} // namespace BenchMedia
