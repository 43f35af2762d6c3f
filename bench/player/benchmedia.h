#ifndef BENCHMEDIA_H
#define BENCHMEDIA_H

#include <QProcess>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

class QImage;
class PlayerWidget;

// Media and measurements shared by the player's benchmarks.
namespace BenchMedia {

// Keeps the player's warnings and FFmpeg's log out of the figures.
void silenceLogs();

// An H.264 file of the FFmpeg test picture, made with the command line.
bool makeVideo(const QString &path, const QSize &size, int seconds);

// A camera's main stream: moving colour bars with sensor noise, about
// 4 Mbit/s, no B-frames, a key frame every 2 s. Across its top, a bar code
// (see readBars) gives the picture's number in the file, so that a player's
// skipped pictures can be counted.
bool makeCameraVideo(const QString &path, const QSize &size, int seconds);
// The height of that bar code as a share of the picture's height.
constexpr double CameraCodeHeight = 1.0 / 15;
constexpr int CameraCodeColumns = 12;

// Reads a bar code of `columns` equal columns across `area`, sampled along
// its middle row: a white and a black column to compare with, then the
// bits, lowest first. -1 when the picture holds no such code.
qint64 readBars(const QImage &image, const QRect &area, int columns);

// Resident memory of a process in KiB (VmRSS), or -1.
qint64 residentKiB(qint64 pid);
qint64 ownResidentKiB();

// CPU time (user and system, all threads) of a process in seconds, or -1.
double cpuSeconds(qint64 pid);
// CPU time all processes of the machine spent busy, in seconds, or -1.
double machineBusySeconds();
// The load average over the last minute.
double loadAverage();

// Runs the event loop until the player shows a delivered picture.
bool waitForPicture(PlayerWidget *player, int timeoutMs);

// A live camera over HTTP: `file` looped in real time by a one-shot FFmpeg
// server at liveAddress(port), as MPEG-TS.
QString liveAddress(quint16 port);
QStringList realTimeInput(const QString &file);
QStringList liveServerArguments(const QString &file, quint16 port);

// An FFmpeg command line run to its end; returns its wall time in ms or -1.
qint64 timeFfmpeg(const QStringList &arguments);

} // namespace BenchMedia

#endif // BENCHMEDIA_H
