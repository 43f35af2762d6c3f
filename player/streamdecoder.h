#ifndef STREAMDECODER_H
#define STREAMDECODER_H

#include "player/ffmpegptr.h"
#include "player/playeroptions.h"
#include "player/restartpolicy.h"

#include <QCoreApplication>
#include <QSize>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>

class FrameConverter;
class FrameHandOver;
class StreamAddress;

/*
 * The work of one attempt at a live stream, on a pool thread: open the
 * input and its decoder, then read, decode and hand pictures over until
 * told to stop or until the stream fails. The FFmpeg contexts live only
 * inside run() and are closed on the way out, on the same thread.
 *
 * Two flags reach a running attempt from outside: stop, which ends the
 * loop between two packets and cuts an opening short, and abort, which
 * also cuts a blocked read short (through the library's interrupt
 * callback, which also keeps the opening deadline and the no-packet
 * watchdog).
 */
class StreamDecoder
{
    // The texts are the player's, shown on it.
    Q_DECLARE_TR_FUNCTIONS(PlayerWidget)

public:
    class Listener
    {
    public:
        virtual ~Listener();
        // Called on the decoding thread.
        virtual void streamOpened() = 0;
        // `text` is a literal marked for the PlayerWidget context.
        virtual void streamWarning(const char *text) = 0;
        virtual void newPicture() = 0;
    };

    enum class Outcome {
        Stopped, // stop or abort was asked for
        OpenFailed,
        OpenRefused, // the address is not allowed; retrying cannot help
        StreamLost, // reading failed or the watchdog fired
        Broken, // pictures cannot be converted; retrying cannot help
    };

    static constexpr qint64 NoPacketTimeoutMs = 10000;

    StreamDecoder(const QString &address, bool useTcp, const PlayerOptions &options,
                  std::shared_ptr<FrameHandOver> frames, Listener *listener);
    ~StreamDecoder();
    StreamDecoder(const StreamDecoder &) = delete;
    StreamDecoder &operator=(const StreamDecoder &) = delete;

    // Before run(): the opening's deadline and the no-packet watchdog.
    void setDeadlines(qint64 openMs, qint64 noPacketMs);
    Outcome run();

    // Any thread.
    void requestStop() { m_stop = true; }
    void requestAbort() { m_abort = true; }
    QString openError() const;
    QSize videoSize() const;
    // The decoder's name for the stream's coding, once opened.
    QString codecName() const;

private:
    struct Stream;
    enum Phase { Idle, Opening, Decoding, Closing };

    QString open(const StreamAddress &address, Stream *stream);
    Outcome decode(Stream *stream);
    bool decodePacket(AVCodecContext *decoder, AVPacket *packet, AVFrame *frame,
                      FrameConverter *converter);
    bool receivePictures(AVCodecContext *decoder, AVFrame *frame, FrameConverter *converter);
    bool deliverPicture(AVFrame *frame, FrameConverter *converter);
    void setResult(const QString &error, const QSize &size);

    static int interruptCallback(void *opaque);
    bool interruptRequested();

    const QString m_address;
    const bool m_useTcp;
    const PlayerOptions m_options;
    const std::shared_ptr<FrameHandOver> m_frames;
    Listener *const m_listener;

    std::atomic_bool m_stop {false};
    std::atomic_bool m_abort {false};
    std::atomic<int> m_phase {Idle};
    std::atomic<qint64> m_phaseStartMs {0};
    std::atomic<qint64> m_lastPacketMs {0};
    std::atomic_bool m_watchdogFired {false};
    std::atomic_bool m_openTimedOut {false};
    qint64 m_openDeadlineMs = RestartPolicy::OpenDeadlineMs;
    qint64 m_noPacketTimeoutMs = NoPacketTimeoutMs;

    mutable std::mutex m_resultMutex;
    QString m_openError;
    QSize m_videoSize;
    QString m_codecName;
    QSize m_decodeSize; // the decoding thread's own copy
};

#endif // STREAMDECODER_H
