#include "player/restartpolicy.h"

namespace {

const qint64 BackOffMs[] = {1000, 2000, 4000, 8000, 16000, 30000};
constexpr int BackOffSteps = int(sizeof BackOffMs / sizeof BackOffMs[0]);

} // namespace

void RestartPolicy::openingStarted(qint64 nowMs)
{
    Q_UNUSED(nowMs)
    m_dueMs = -1;
    m_open = false;
}

void RestartPolicy::opened(qint64 nowMs)
{
    Q_UNUSED(nowMs)
    m_open = true;
    m_shownSinceOpen = false;
}

void RestartPolicy::pictureShown(qint64 nowMs)
{
    Q_UNUSED(nowMs)
    // An opening that leads nowhere (a server that accepts and then talks
    // nonsense) must not restart the count.
    if (m_open)
        m_failures = 0;
    m_shownSinceOpen = m_open;
}

RestartPolicy::Decision RestartPolicy::openFailed(qint64 nowMs, bool permanent)
{
    m_open = false;
    if (permanent) {
        m_dueMs = -1;
        return {Action::GiveUp, -1};
    }
    return retryLater(nowMs);
}

RestartPolicy::Decision RestartPolicy::streamLost(qint64 nowMs)
{
    const bool played = m_open && m_shownSinceOpen;
    m_open = false;
    if (!played)
        return retryLater(nowMs);
    m_dueMs = nowMs;
    return {Action::OpenNow, nowMs};
}

void RestartPolicy::cancel()
{
    m_dueMs = -1;
}

bool RestartPolicy::openOverdue(qint64 startedMs, qint64 nowMs, qint64 deadlineMs)
{
    return nowMs - startedMs > deadlineMs;
}

int RestartPolicy::secondsLeft(qint64 nowMs) const
{
    if (m_dueMs < 0)
        return 0;
    return int(qMax<qint64>(0, m_dueMs - nowMs + 999) / 1000);
}

qint64 RestartPolicy::nextDelayMs() const
{
    return BackOffMs[m_failures];
}

RestartPolicy::Decision RestartPolicy::retryLater(qint64 nowMs)
{
    m_dueMs = nowMs + nextDelayMs();
    m_failures = qMin(m_failures + 1, BackOffSteps - 1);
    return {Action::OpenLater, m_dueMs};
}
