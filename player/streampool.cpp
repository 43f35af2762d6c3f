#include "player/streampool.h"

#include "player/streamsession.h"

#include <QCoreApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QRunnable>
#include <QThread>
#include <QThreadPool>

static_assert(StreamPool::Timings().noPacketTimeoutMs == StreamDecoder::NoPacketTimeoutMs);

namespace {

StreamPool *standalonePool = nullptr;

void destroyStandalonePool()
{
    delete standalonePool;
    standalonePool = nullptr;
}

} // namespace

StreamPool::StreamPool(QObject *parent)
    : QObject(parent)
    , m_threads(new QThreadPool)
    , m_maxStreams(defaultMaxStreams())
{
    m_threads->setMaxThreadCount(m_maxStreams);
}

StreamPool::~StreamPool()
{
    shutdown();
}

StreamPool *StreamPool::standalone()
{
    if (!standalonePool) {
        standalonePool = new StreamPool;
        qAddPostRoutine(destroyStandalonePool);
    }
    return standalonePool;
}

int StreamPool::defaultMaxStreams()
{
    return qBound(MinStreams, qMax(10, QThread::idealThreadCount()), MaxStreams);
}

int StreamPool::setMaxStreams(int count)
{
    const int bounded = qBound(MinStreams, count, MaxStreams);
    m_maxStreams = bounded;
    if (m_threads)
        m_threads->setMaxThreadCount(bounded);
    grantWaiting();
    return bounded;
}

void StreamPool::attach(StreamSession *session)
{
    m_sessions.append(session);
}

void StreamPool::detach(StreamSession *session)
{
    m_sessions.removeOne(session);
    m_queue.removeOne(session);
    m_running.remove(session);
    grantWaiting();
}

bool StreamPool::requestSlot(StreamSession *session)
{
    if (m_shutDown || !m_threads)
        return false;
    if (m_queue.isEmpty() && m_running.size() < m_maxStreams) {
        m_running.insert(session);
        return true;
    }
    if (!m_queue.contains(session))
        m_queue.append(session);
    return false;
}

void StreamPool::releaseSlot(StreamSession *session)
{
    m_running.remove(session);
    grantWaiting();
}

void StreamPool::leaveQueue(StreamSession *session)
{
    m_queue.removeOne(session);
}

void StreamPool::run(QRunnable *task)
{
    m_threads->start(task);
}

void StreamPool::grantWaiting()
{
    while (!m_shutDown && m_threads && !m_queue.isEmpty() && m_running.size() < m_maxStreams) {
        StreamSession *next = m_queue.takeFirst();
        m_running.insert(next);
        next->slotGranted();
    }
}

bool StreamPool::shutdown()
{
    if (!m_threads)
        return false;
    m_shutDown = true;
    m_queue.clear();
    QElapsedTimer clock;
    clock.start();
    const QList<StreamSession *> sessions = m_sessions;
    for (StreamSession *session : sessions)
        session->stopNow();
    // Loops end between two packets; blocked reads get the grace period.
    bool ended = m_threads->waitForDone(m_timings.stopGraceMs);
    if (!ended) {
        for (StreamSession *session : sessions)
            session->abortNow();
        ended = m_threads->waitForDone(AbortWaitMs);
    }

    int left = 0;
    for (StreamSession *session : sessions) {
        if (session->isTaskDone())
            delete session;
        else
            ++left;
    }
    if (ended) {
        delete m_threads;
    } else {
        // Its destructor would wait for ever.
        qWarning("StreamPool: %d stream tasks did not stop; their threads are left behind", left);
    }
    m_threads = nullptr;
    if (!sessions.isEmpty()) {
        qDebug("StreamPool: %d streams stopped in %lld ms", int(sessions.size()),
               qint64(clock.elapsed()));
    }
    return ended;
}
