#include "benchmedia.h"

#include "player/playerwidget.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QStackedWidget>
#include <QTextStream>
#include <QThread>

#include <unistd.h>

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
                 {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"),
                  QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                  QStringLiteral("testsrc=size=%1x%2:rate=25").arg(size.width()).arg(size.height()),
                  QStringLiteral("-t"), QString::number(seconds), QStringLiteral("-c:v"),
                  QStringLiteral("libx264"), QStringLiteral("-preset"), QStringLiteral("veryfast"),
                  QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), QStringLiteral("-g"),
                  QStringLiteral("50"), path});
    return ffmpeg.waitForFinished(300000) && ffmpeg.exitCode() == 0;
}

bool makeCameraVideo(const QString &path, const QSize &size, int seconds)
{
    const int codeHeight = qRound(size.height() * CameraCodeHeight);
    // Column 0 white, column 1 black, then the picture number's bits.
    const QString code = QStringLiteral("color=c=black:size=%1x2:rate=25,format=gray,"
                                        "geq=lum='if(eq(X\\,0)\\,235\\,if(eq(X\\,1)\\,16\\,"
                                        "if(mod(floor(N/pow(2\\,X-2))\\,2)\\,235\\,16)))',"
                                        "scale=%2:%3:flags=neighbor[code]")
                             .arg(CameraCodeColumns)
                             .arg(size.width())
                             .arg(codeHeight);
    const QString graph =
        QStringLiteral("testsrc2=size=%1x%2:rate=25,noise=alls=10:allf=t[picture];%3;"
                       "[picture][code]overlay=0:0:shortest=1")
            .arg(size.width())
            .arg(size.height())
            .arg(code);
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ffmpeg.start(QStringLiteral("ffmpeg"), {QStringLiteral("-v"),
                                            QStringLiteral("error"),
                                            QStringLiteral("-y"),
                                            QStringLiteral("-f"),
                                            QStringLiteral("lavfi"),
                                            QStringLiteral("-i"),
                                            graph,
                                            QStringLiteral("-t"),
                                            QString::number(seconds),
                                            QStringLiteral("-c:v"),
                                            QStringLiteral("libx264"),
                                            QStringLiteral("-preset"),
                                            QStringLiteral("veryfast"),
                                            QStringLiteral("-tune"),
                                            QStringLiteral("zerolatency"),
                                            QStringLiteral("-b:v"),
                                            QStringLiteral("4M"),
                                            QStringLiteral("-maxrate"),
                                            QStringLiteral("4M"),
                                            QStringLiteral("-bufsize"),
                                            QStringLiteral("4M"),
                                            QStringLiteral("-g"),
                                            QStringLiteral("50"),
                                            QStringLiteral("-pix_fmt"),
                                            QStringLiteral("yuv420p"),
                                            path});
    return ffmpeg.waitForFinished(600000) && ffmpeg.exitCode() == 0;
}

qint64 readBars(const QImage &image, const QRect &area, int columns)
{
    if (columns < 3 || columns > 64 || area.isEmpty() || !image.rect().contains(area))
        return -1;
    const int y = area.top() + area.height() / 2;
    const auto level = [&](int column) {
        const int x = area.left() + int((column + 0.5) * area.width() / columns);
        return qGray(image.pixel(x, y));
    };
    const int white = level(0);
    const int black = level(1);
    if (white - black < 100)
        return -1;
    const int threshold = (white + black) / 2;
    qint64 value = 0;
    for (int column = columns - 1; column >= 2; --column)
        value = value * 2 + (level(column) > threshold ? 1 : 0);
    return value;
}

double cpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    // The command name may hold spaces; the fields after it do not.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    static const long ticks = sysconf(_SC_CLK_TCK);
    // utime and stime, the 14th and 15th fields of the line.
    return double(fields.at(11).toLongLong() + fields.at(12).toLongLong()) / ticks;
}

double machineBusySeconds()
{
    QFile stat(QStringLiteral("/proc/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    // "cpu user nice system idle iowait irq softirq steal ..."
    const QList<QByteArray> fields = stat.readLine().simplified().split(' ');
    if (fields.size() < 9)
        return -1;
    qint64 busy = 0;
    for (const int field : {1, 2, 3, 6, 7, 8})
        busy += fields.at(field).toLongLong();
    static const long ticks = sysconf(_SC_CLK_TCK);
    return double(busy) / ticks;
}

double loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return file.readAll().split(' ').value(0).toDouble();
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

QString liveAddress(quint16 port)
{
    return QStringLiteral("http://127.0.0.1:%1/live").arg(port);
}

QStringList realTimeInput(const QString &file)
{
    return {QStringLiteral("-v"),
            QStringLiteral("error"),
            QStringLiteral("-re"),
            QStringLiteral("-stream_loop"),
            QStringLiteral("-1"),
            QStringLiteral("-i"),
            file};
}

QStringList liveServerArguments(const QString &file, quint16 port)
{
    return realTimeInput(file) + QStringList {QStringLiteral("-c"),      QStringLiteral("copy"),
                                              QStringLiteral("-f"),      QStringLiteral("mpegts"),
                                              QStringLiteral("-listen"), QStringLiteral("1"),
                                              liveAddress(port)};
}

} // namespace BenchMedia
