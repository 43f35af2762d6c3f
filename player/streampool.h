#ifndef STREAMPOOL_H
#define STREAMPOOL_H

#include "player/restartpolicy.h"

#include <QList>
#include <QObject>
#include <QSet>

class QRunnable;
class QThreadPool;
class StreamSession;

/*
 * The threads live streams decode on, and the slots that bound how many
 * decode at once. A playing stream holds its slot, and a pool thread, from
 * its opening until it stops; further sessions wait in order and start as
 * slots free. The pool is the plug-in's own: the host's global pool is
 * never touched.
 *
 * Everything here runs on the GUI thread.
 */
class StreamPool : public QObject
{
    Q_OBJECT

public:
    static constexpr int MinStreams = 1;
    static constexpr int MaxStreams = 64;
    static constexpr int StopGraceMs = 3000;
    static constexpr int AbortWaitMs = 2000;

    // How long the streams on this pool wait for a camera; sessions take
    // them when made. Tests shorten them to prove the same in less time.
    struct Timings
    {
        qint64 openDeadlineMs = RestartPolicy::OpenDeadlineMs;
        qint64 noPacketTimeoutMs = 10000; // the warning's text names it
        int stopGraceMs = StopGraceMs;
    };

    explicit StreamPool(QObject *parent = nullptr);
    // Stops what still runs, as shutdown() does.
    ~StreamPool() override;

    // For players made outside a plug-in; it goes with the application.
    static StreamPool *standalone();
    // At least ten, or one per core where there are more.
    static int defaultMaxStreams();

    int maxStreams() const { return m_maxStreams; }
    // Takes `count` bounded to [MinStreams, MaxStreams]; returns what was taken.
    int setMaxStreams(int count);
    int playing() const { return int(m_running.size()); }
    int waiting() const { return int(m_queue.size()); }
    int sessionCount() const { return int(m_sessions.size()); }
    const Timings &timings() const { return m_timings; }
    void setTimings(const Timings &timings) { m_timings = timings; }

    // Stops every session at once and waits for their tasks together: up to
    // the grace period for loops to notice, then up to the abort wait after
    // blocked reads are cut short. Ended sessions are freed. A task that
    // still does not end (blocked outside the library's reach) is left
    // running with its session, and the threads are abandoned rather than
    // waited for. Returns whether every task ended.
    bool shutdown();

private:
    friend class StreamSession;
    void attach(StreamSession *session);
    void detach(StreamSession *session);
    // True when the session may run now; otherwise it waits for slotGranted().
    bool requestSlot(StreamSession *session);
    void releaseSlot(StreamSession *session);
    void leaveQueue(StreamSession *session);
    void run(QRunnable *task);
    void grantWaiting();

    QThreadPool *m_threads;
    int m_maxStreams;
    QList<StreamSession *> m_sessions;
    QList<StreamSession *> m_queue;
    QSet<StreamSession *> m_running;
    bool m_shutDown = false;
    Timings m_timings;
};

#endif // STREAMPOOL_H
