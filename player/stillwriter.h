#ifndef STILLWRITER_H
#define STILLWRITER_H

#include <QCoreApplication>
#include <QDateTime>
#include <QFuture>
#include <QString>

#include <memory>

struct AVFrame;

/*
 * Stills for incident reports: a decoded picture converted at the stream's
 * own size and written as PNG, named after the camera and the time, into a
 * folder of the host's choosing. Converting and encoding a 4K picture take
 * a good part of a second, so they run on a thread of their own, one still
 * after the other; what became of a still comes back through its future.
 */
class StillWriter
{
    Q_DECLARE_TR_FUNCTIONS(StillWriter)

public:
    enum class Outcome { Saved, NoFolder, NotWritable, NoPicture, WriteFailed };
    struct Result
    {
        Outcome outcome = Outcome::NoPicture;
        QString file; // where it went, when saved
        QString detail; // the system's reason, when there is one
    };

    // UTF-8 bytes of the camera's name in a file name; with the time and a
    // counter the name stays well within the 255 bytes file systems allow.
    static constexpr int MaxNameBytes = 120;
    // Stills queued at once, each holding a decoded picture.
    static constexpr int MaxPending = 4;
    // Names tried when stills of one camera come within a second.
    static constexpr int MaxAttempts = 100;

    // The user's pictures folder.
    static QString defaultFolder();
    // What keeps `folder` from taking stills, or Saved.
    static Outcome checkFolder(const QString &folder);
    static QString describe(const Result &result);

    // Camera names are whatever a list or a host gives: path separators and
    // characters file systems or shells stumble on become "_", control and
    // format characters go, and a name without anything left is "camera".
    static QString safeName(const QString &camera);
    // "<name>_<yyyy-MM-dd_HH-mm-ss>.png", with "-<attempt>" before the
    // extension from the second attempt on.
    static QString fileName(const QString &camera, const QDateTime &time, int attempt = 1);

    // Saves `frame` into `folder`; with `makeFolder` a missing folder is
    // made first (the user's own pictures folder may not exist yet).
    static QFuture<Result> save(const std::shared_ptr<AVFrame> &frame, const QString &folder,
                                bool makeFolder, const QString &camera, const QDateTime &time);
    static int pending();

private:
    static Result write(const std::shared_ptr<AVFrame> &frame, const QString &folder,
                        bool makeFolder, const QString &camera, const QDateTime &time);
};

#endif // STILLWRITER_H
