#ifndef RESTARTPOLICY_H
#define RESTARTPOLICY_H

#include <QtGlobal>

/*
 * When a live stream is opened again. Cameras reboot, lose their network
 * and hang; the player comes back by itself without hammering a camera that
 * is down: a stream that played and broke is reopened at once, a failed
 * opening is retried after 1, 2, 4, 8, 16 and then every 30 seconds, and a
 * stream that shows a picture again starts that sequence afresh. An opening
 * that gets no answer within OpenDeadlineMs counts as failed.
 *
 * Events and the time in milliseconds go in, decisions come out; the
 * caller owns the clock and the timers.
 */
class RestartPolicy
{
public:
    static constexpr qint64 OpenDeadlineMs = 10000;

    enum class Action { OpenNow, OpenLater, GiveUp };
    struct Decision
    {
        Action action;
        qint64 atMs; // when to open; meaningful for OpenNow and OpenLater
    };

    // An opening begins; nothing is pending any more.
    void openingStarted(qint64 nowMs);
    void opened(qint64 nowMs);
    void pictureShown(qint64 nowMs);
    // `permanent`: the address can never work (refused as unsafe).
    Decision openFailed(qint64 nowMs, bool permanent);
    // Reading failed or the watchdog cut a silent stream short.
    Decision streamLost(qint64 nowMs);
    // The player goes, or the operator asks for an opening now.
    void cancel();

    static bool openOverdue(qint64 startedMs, qint64 nowMs, qint64 deadlineMs = OpenDeadlineMs);
    bool isPending() const { return m_dueMs >= 0; }
    qint64 dueMs() const { return m_dueMs; }
    // Whole seconds until the pending opening, rounded up; 0 when none.
    int secondsLeft(qint64 nowMs) const;
    // The wait before the next retry, in ms.
    qint64 nextDelayMs() const;

private:
    Decision retryLater(qint64 nowMs);

    int m_failures = 0; // the next wait's place in the sequence
    bool m_shownSinceOpen = false;
    bool m_open = false;
    qint64 m_dueMs = -1;
};

#endif // RESTARTPOLICY_H
