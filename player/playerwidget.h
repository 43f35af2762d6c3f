#ifndef PLAYERWIDGET_H
#define PLAYERWIDGET_H

#include "player/ffmpegptr.h"

#include <QFuture>
#include <QImage>
#include <QMutex>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QSemaphore>
#include <QSize>
#include <QString>
#include <QWidget>

#include <atomic>
#include <memory>
#include <mutex>

class FrameConverter;
class QPainter;
class QUrl;

namespace Ui {
class PlayerWidget;
}

/*
 * The live player: decodes one camera stream on the process-wide thread pool
 * and paints each picture, fitted with its aspect ratio kept, into its video
 * frame, with an optional detector overlay and two lines of status text.
 *
 * The opening (initFFMpeg) and the decoding loop (decodeLoop) run as pool
 * tasks, never both at once. Everything else runs on the GUI thread.
 */
class PlayerWidget : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int volume READ volume WRITE setVolume)
    Q_PROPERTY(bool mute READ isMute WRITE setMute)

public:
    PlayerWidget(QWidget *parent, const QString &camAddress, bool useTcp = false,
        const QString &playerOptions = QString());
    ~PlayerWidget() override;

    // The player has no audio; these exist for hosts that set them anyway.
    int volume() const { return 0; }
    void setVolume(int volume) { Q_UNUSED(volume) }
    bool isMute() const { return true; }
    void setMute(bool mute) { Q_UNUSED(mute) }

    QString camAddress() const { return m_camAddress; }
    bool useTcp() const { return m_useTcp; }
    QString playerOptions() const { return m_playerOptions; }
    bool isBeward() const { return m_isBeward; }
    // The maker's view control of a "beward" player; null when there is none.
    QWidget *axWidget() const { return m_axWidget; }

    // What the player shows, safe to read on the GUI thread at any time.
    QSize videoSize() const;
    QRect videoRect() const { return m_videoRect; }
    int aspectPercent() const { return m_aspectPercent; }
    QImage currentFrame() const;
    QString warningText() const;
    QString infoText() const;
    QString initError() const;

    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    void newFrame();
    void warning(const QString &text);
    void restartFFmpeg();
    // The picture, and so the overlay stretched over it, is now shown at
    // this size; a detector client draws its overlay at it.
    void overlaySizeChanged(const QSize &size);

public slots:
    void newOverlayImage(const QPixmap &img);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private slots:
    void playerInitComplete();
    void parentDockChanged();
    void printWarning(const QString &text);
    void restartingFFmpeg();

private:
    struct OpenedStream;

    // Pool tasks and what they share.
    void initFFMpeg();
    QString openStream(OpenedStream *stream);
    void decodeLoop();
    bool decodePacket(
        AVCodecContext *decoder, AVPacket *packet, AVFrame *frame, FrameConverter *converter);
    bool receivePictures(AVCodecContext *decoder, AVFrame *frame, FrameConverter *converter);
    bool deliverPicture(const AVFrame *frame, FrameConverter *converter);
    void closeFFmpeg();
    static int noFrameWatchdog(void *opaque);
    bool interruptRequested();
    void postWarning(const char *text);
    void restartPacketClock();

    // GUI thread.
    void startOpening();
    void stopDecoding();
    void setupRelay(QUrl &url);
    void setupBewardView();
    void updateVideoRect();
    void paintVideo();
    void drawTextBand(QPainter *painter, const QString &text, const QColor &color) const;
    void closeSceneProxy();

    std::unique_ptr<Ui::PlayerWidget> ui;
    QString m_camAddress;
    const bool m_useTcp;
    const QString m_playerOptions;
    bool m_isBeward = false;
    bool m_destroying = false;

    // The opening's outcome, handed from the opening task to the decoding
    // task and the GUI thread.
    mutable std::mutex m_contextMutex;
    FFmpeg::FormatContextPtr m_formatContext;
    FFmpeg::CodecContextPtr m_codecContext;
    int m_videoStreamIndex = 0;
    QSize m_videoSize;
    QString m_initError;

    // The picture and the texts drawn over it; the decoding task only ever
    // tries this lock.
    mutable QMutex m_frameLock;
    QImage m_frameImage;
    QString m_warningText;
    QString m_infoText;

    QSemaphore m_stopSemaphore;
    QFuture<void> m_initFuture;
    QFuture<void> m_decodeFuture;
    std::atomic_bool m_stopping {false};
    std::atomic_bool m_aborting {false};
    // Read by the watchdog, which FFmpeg may call from its own threads.
    std::atomic_bool m_decoding {false};
    std::atomic_bool m_watchdogFired {false};
    std::atomic<qint64> m_lastPacketTime {0};

    // Owned by the "beward" page; gone when the control closes.
    QPointer<QWidget> m_axWidget;

    QPixmap m_overlayPixmap;
    QRect m_videoRect;
    int m_aspectPercent = 100;
};

#endif // PLAYERWIDGET_H
