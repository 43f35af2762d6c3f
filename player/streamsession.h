#ifndef STREAMSESSION_H
#define STREAMSESSION_H

#include "player/restartpolicy.h"
#include "player/streamdecoder.h"

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QTimer>

#include <atomic>
#include <memory>

class FrameHandOver;
class StreamPool;

/*
 * One live stream as long as anybody needs it: its decoding task on the
 * stream pool, the frame hand-over, and the reopening after failures. The
 * player widget that shows it asks it to stop and lets go; the session then
 * ends its task (a loop notices at the next packet; a blocked read gets
 * StopGraceMs before it is cut short) and deletes itself, so that nothing
 * ever waits for a stream on the GUI thread.
 *
 * GUI thread, except StreamDecoder::run() on the pool thread; what that
 * reports comes back through the event queue.
 */
class StreamSession : public QObject, private StreamDecoder::Listener
{
    Q_OBJECT

public:
    StreamSession(const QString &address, bool useTcp, const PlayerOptions &options,
                  StreamPool *pool);
    ~StreamSession() override;

    std::shared_ptr<FrameHandOver> frames() const { return m_frames; }

    // Opens now, or as soon as the pool has a free slot.
    void start();
    // An opening waiting for its retry time starts at once.
    void reopenNow();
    // Lets go of the stream; the session deletes itself once its task ended.
    void stop();

    // Decoding tasks running in the process, of every pool.
    static int runningTasks();

    bool isOpen() const { return m_open; }
    QString openError() const { return m_decoder.openError(); }
    QSize videoSize() const { return m_decoder.videoSize(); }
    QString codecName() const { return m_decoder.codecName(); }
    bool isRetryPending() const { return m_policy.isPending(); }
    int retrySeconds() const;

signals:
    void waitingForSlot(int playing);
    // A task took its slot and opens the stream.
    void attemptStarted();
    // After every opening, successful or not (see isOpen()).
    void openingEnded();
    void warning(const QString &text);
    void pictureReady();
    // A lost stream is opened again at once.
    void restarting();
    void retryCountdown(int seconds);

private:
    friend class StreamPool;
    class Task;
    enum State { Idle, Waiting, Running };

    // StreamPool.
    void slotGranted();
    void stopNow();
    void abortNow();
    bool isTaskDone() const;

    // Decoding thread.
    void streamOpened() override;
    void streamWarning(const char *text) override;
    void newPicture() override;

    void launch();
    void onOpened();
    void onPicture();
    void taskEnded(StreamDecoder::Outcome outcome);
    void scheduleRetry(qint64 dueMs);

    QPointer<StreamPool> m_pool;
    std::shared_ptr<FrameHandOver> m_frames;
    StreamDecoder m_decoder;
    RestartPolicy m_policy;
    QTimer m_retryTimer;
    QTimer m_countdownTimer;
    QTimer m_graceTimer;
    std::shared_ptr<std::atomic_bool> m_taskDone;
    State m_state = Idle;
    bool m_stopping = false;
    bool m_open = false;
};

#endif // STREAMSESSION_H
