#ifndef STILLCAPTURE_H
#define STILLCAPTURE_H

#include "player/stillwriter.h"

#include <QObject>
#include <QString>

#include <memory>

class QElapsedTimer;
struct AVFrame;

/*
 * The live player's stills: where they go, starting each on StillWriter's
 * thread, and the word on the picture that tells the operator what became
 * of the last one, for a few seconds. GUI thread only; a still started goes
 * on being written when this goes, only its notice is lost.
 */
class StillCapture : public QObject
{
    Q_OBJECT

public:
    // How long a still's notice stays on the picture.
    static constexpr int NoticeMs = 5000;

    enum class Start { Started, NothingShown, Busy };

    // Notices are timed on `clock`, which outlives this object.
    StillCapture(const QElapsedTimer *clock, QObject *parent);

    QString folder() const { return m_folder; }
    // Empty for the user's pictures folder.
    void setFolder(const QString &folder);

    // Starts writing `frame` as a still of `camera`. Without a frame the
    // notice says so at once; with too many stills waiting to be written
    // nothing is said, for the caller to word it.
    Start save(const std::shared_ptr<AVFrame> &frame, const QString &camera);

    QString notice() const { return m_notice; }
    bool noticeFailed() const { return m_failed; }
    void showNotice(const QString &text, bool failed);
    // Takes a notice away once its time is up.
    void expire();

signals:
    void saved(const QString &file);
    void noticeChanged();

private:
    void done(const StillWriter::Result &result);

    const QElapsedTimer *const m_clock;
    QString m_folder;
    bool m_folderIsDefault = true;
    QString m_notice;
    bool m_failed = false;
    qint64 m_noticeUntil = 0;
};

#endif // STILLCAPTURE_H
