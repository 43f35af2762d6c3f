#ifndef BENCHMEDIA_H
#define BENCHMEDIA_H

#include <QProcess>
#include <QSize>
#include <QString>
#include <QStringList>

class PlayerWidget;

// Media and measurements shared by the player's benchmarks.
namespace BenchMedia {

// Keeps the player's warnings and FFmpeg's log out of the figures.
void silenceLogs();

// An H.264 file of the FFmpeg test picture, made with the command line.
bool makeVideo(const QString &path, const QSize &size, int seconds);

// Resident memory of a process in KiB (VmRSS), or -1.
qint64 residentKiB(qint64 pid);
qint64 ownResidentKiB();

// Runs the event loop until the player shows a delivered picture.
bool waitForPicture(PlayerWidget *player, int timeoutMs);

// An FFmpeg command line run to its end; returns its wall time in ms or -1.
qint64 timeFfmpeg(const QStringList &arguments);

} // namespace BenchMedia

#endif // BENCHMEDIA_H
