#include "player/streamsession.h"

#include "player/framehandover.h"
#include "player/streampool.h"
#include "player/threadsanitizer.h"

#include <QCoreApplication>
#include <QRunnable>

#include <chrono>

namespace {

std::atomic<int> runningTaskCount {0};

qint64 monotonicMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

// One attempt on a pool thread. What it reports reaches the session through
// the event queue; the session goes only after hearing that the task ended,
// and the flag set last tells a waiting shutdown the same.
class StreamSession::Task : public QRunnable
{
public:
    Task(StreamSession *session, std::shared_ptr<std::atomic_bool> done)
        : m_session(session)
        , m_done(std::move(done))
    { }

    void run() override
    {
        // Handed over by the pool: its own address is the token.
        ThreadSanitizer::acquire(this);
        ++runningTaskCount;
        const StreamDecoder::Outcome outcome = m_session->m_decoder.run();
        --runningTaskCount;
        ThreadSanitizer::release(m_session);
        {
            ThreadSanitizer::UnseenScope unseen;
            StreamSession *session = m_session;
            QMetaObject::invokeMethod(
                session, [session, outcome] { session->taskEnded(outcome); }, Qt::QueuedConnection);
        }
        m_done->store(true);
    }

private:
    StreamSession *const m_session;
    const std::shared_ptr<std::atomic_bool> m_done;
};

StreamSession::StreamSession(const QString &address, bool useTcp, const PlayerOptions &options,
                             StreamPool *pool)
    : m_pool(pool)
    , m_frames(std::make_shared<FrameHandOver>())
    , m_decoder(address, useTcp, options, m_frames, this)
{
    if (m_pool) {
        m_pool->attach(this);
        const StreamPool::Timings &timings = m_pool->timings();
        m_decoder.setDeadlines(timings.openDeadlineMs, timings.noPacketTimeoutMs);
    }
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, [this] {
        m_countdownTimer.stop();
        start();
    });
    m_countdownTimer.setInterval(1000);
    connect(&m_countdownTimer, &QTimer::timeout, this,
            [this] { emit retryCountdown(retrySeconds()); });
    m_graceTimer.setSingleShot(true);
    m_graceTimer.setInterval(m_pool ? m_pool->timings().stopGraceMs : StreamPool::StopGraceMs);
    connect(&m_graceTimer, &QTimer::timeout, this, [this] { m_decoder.requestAbort(); });
}

StreamSession::~StreamSession()
{
    if (m_pool)
        m_pool->detach(this);
}

int StreamSession::runningTasks()
{
    return runningTaskCount.load();
}

int StreamSession::retrySeconds() const
{
    return m_policy.secondsLeft(monotonicMs());
}

void StreamSession::start()
{
    if (m_stopping || m_state != Idle || !m_pool)
        return;
    m_retryTimer.stop();
    m_countdownTimer.stop();
    if (m_pool->requestSlot(this)) {
        launch();
        return;
    }
    m_state = Waiting;
    emit waitingForSlot(m_pool->playing());
}

void StreamSession::reopenNow()
{
    if (m_stopping || m_state != Idle)
        return;
    m_policy.cancel();
    start();
}

void StreamSession::slotGranted()
{
    if (m_state == Waiting && !m_stopping)
        launch();
}

void StreamSession::launch()
{
    m_state = Running;
    m_open = false;
    m_policy.openingStarted(monotonicMs());
    m_taskDone = std::make_shared<std::atomic_bool>(false);
    emit attemptStarted();
    auto *task = new Task(this, m_taskDone);
    ThreadSanitizer::release(task);
    m_pool->run(task);
}

void StreamSession::stop()
{
    if (m_stopping)
        return;
    m_stopping = true;
    m_retryTimer.stop();
    m_countdownTimer.stop();
    m_decoder.requestStop();
    if (m_state == Running) {
        m_graceTimer.start();
        return;
    }
    if (m_state == Waiting && m_pool)
        m_pool->leaveQueue(this);
    deleteLater();
}

void StreamSession::stopNow()
{
    m_stopping = true;
    m_retryTimer.stop();
    m_countdownTimer.stop();
    m_graceTimer.stop();
    m_decoder.requestStop();
}

void StreamSession::abortNow()
{
    m_decoder.requestAbort();
}

bool StreamSession::isTaskDone() const
{
    return !m_taskDone || m_taskDone->load();
}

// The decoding thread's reports go through the event queue, out of the
// sanitizer's sight; the session's handlers run on the GUI thread.
void StreamSession::streamOpened()
{
    ThreadSanitizer::UnseenScope unseen;
    QMetaObject::invokeMethod(
        this, [this] { onOpened(); }, Qt::QueuedConnection);
}

void StreamSession::streamWarning(const char *text)
{
    ThreadSanitizer::UnseenScope unseen;
    QMetaObject::invokeMethod(
        this, [this, text] { emit warning(QCoreApplication::translate("PlayerWidget", text)); },
        Qt::QueuedConnection);
}

void StreamSession::newPicture()
{
    ThreadSanitizer::UnseenScope unseen;
    QMetaObject::invokeMethod(
        this, [this] { onPicture(); }, Qt::QueuedConnection);
}

void StreamSession::onOpened()
{
    if (m_stopping)
        return;
    m_open = true;
    m_policy.opened(monotonicMs());
    emit openingEnded();
}

void StreamSession::onPicture()
{
    if (m_stopping)
        return;
    m_policy.pictureShown(monotonicMs());
    emit pictureReady();
}

void StreamSession::taskEnded(StreamDecoder::Outcome outcome)
{
    ThreadSanitizer::acquire(this);
    m_state = Idle;
    m_open = false;
    m_graceTimer.stop();
    if (m_pool)
        m_pool->releaseSlot(this);
    if (m_stopping) {
        deleteLater();
        return;
    }

    const qint64 now = monotonicMs();
    switch (outcome) {
    case StreamDecoder::Outcome::OpenFailed:
    case StreamDecoder::Outcome::OpenRefused: {
        const RestartPolicy::Decision decision =
            m_policy.openFailed(now, outcome == StreamDecoder::Outcome::OpenRefused);
        if (decision.action == RestartPolicy::Action::OpenLater)
            scheduleRetry(decision.atMs);
        emit openingEnded();
        break;
    }
    case StreamDecoder::Outcome::StreamLost: {
        const RestartPolicy::Decision decision = m_policy.streamLost(now);
        emit warning(QCoreApplication::translate("PlayerWidget", "Restarting player"));
        if (decision.action == RestartPolicy::Action::OpenNow) {
            start();
            emit restarting();
        } else {
            scheduleRetry(decision.atMs);
        }
        break;
    }
    case StreamDecoder::Outcome::Broken:
    case StreamDecoder::Outcome::Stopped:
        break;
    }
}

void StreamSession::scheduleRetry(qint64 dueMs)
{
    m_retryTimer.start(int(qMax<qint64>(0, dueMs - monotonicMs())));
    m_countdownTimer.start();
    emit retryCountdown(retrySeconds());
}
