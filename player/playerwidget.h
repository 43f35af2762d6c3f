#ifndef PLAYERWIDGET_H
#define PLAYERWIDGET_H

#include "player/pictureview.h"
#include "player/stillcapture.h"
#include "player/streamstatistics.h"

#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <QTime>
#include <QTimer>
#include <QWidget>

#include <memory>

class FrameHandOver;
class PlayerControls;
class QPainter;
class QUrl;
class StreamPool;
class StreamSession;

namespace Ui {
class PlayerWidget;
}

/*
 * The live player as the operator sees it: the loading, video and maker's
 * view pages, the picture fitted with its aspect ratio kept, the detector
 * overlay and two lines of status text, and the keys. Beyond those: a
 * badge over a picture that has not changed for a while, the stream's
 * statistics, stills at the stream's own size, and a digital zoom.
 *
 * The stream itself belongs to a StreamSession on the stream pool, which
 * this widget starts and, when it goes, lets go of without waiting: the
 * session ends its task and frees itself.
 */
class PlayerWidget : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int volume READ volume WRITE setVolume)
    Q_PROPERTY(bool mute READ isMute WRITE setMute)

public:
    // What the stream does, as the map and the camera list show it.
    enum class StreamState { None, Opening, Playing, Stale, Reconnecting, Failed };
    Q_ENUM(StreamState)

    // Keys beyond the size keys, without Control.
    static constexpr int StatisticsKey = Qt::Key_I;
    static constexpr int StillKey = Qt::Key_S;
    static constexpr int WholePictureKey = Qt::Key_0;
    // Checks for a stale picture and refreshes the statistics.
    static constexpr int TickMs = 500;
    // How long a still's notice stays on the picture.
    static constexpr int NoticeMs = StillCapture::NoticeMs;

    PlayerWidget(QWidget *parent, const QString &camAddress, bool useTcp = false,
                 const QString &playerOptions = QString());
    // Decodes on `pool` (the plug-in's); the others use a pool of their own.
    PlayerWidget(QWidget *parent, const QString &camAddress, bool useTcp,
                 const QString &playerOptions, StreamPool *pool);
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

    QSize videoSize() const { return m_videoSize; }
    QRect videoRect() const { return m_picture->rect(); }
    int aspectPercent() const { return m_picture->aspectPercent(); }
    // The picture as last converted, at the size it is shown at.
    QImage currentFrame() const;
    QString warningText() const { return m_warningText; }
    QString infoText() const { return m_infoText; }
    QString initError() const { return m_initError; }
    // Null once the stream has been let go of.
    StreamSession *session() const;

    StreamState streamState() const { return m_state; }
    const StreamStatistics &statistics() const { return m_statistics; }
    // The badge's text while the picture shown is stale, else empty.
    QString staleText() const;
    bool isStatisticsShown() const { return m_statisticsShown; }
    void setStatisticsShown(bool shown);
    // The lines of the statistics overlay.
    QStringList statisticsLines() const;
    const ZoomGeometry &zoom() const { return m_picture->zoom(); }
    void resetZoom() { m_picture->resetZoom(); }
    // What became of the last still, for a few seconds.
    QString stillNotice() const { return m_stills->notice(); }

    // Stills go there; the user's pictures folder unless a host says.
    QString stillFolder() const { return m_stills->folder(); }
    void setStillFolder(const QString &folder) { m_stills->setFolder(folder); }
    // Starts saving the picture shown at the stream's own size; false with
    // a notice on the picture when there is nothing to save or too much
    // waiting to be written.
    bool saveStill();

signals:
    void newFrame();
    void warning(const QString &text);
    void restartFFmpeg();
    // The picture, and so the overlay stretched over it, is now shown at
    // this size; a detector client draws its overlay at it.
    void overlaySizeChanged(const QSize &size);
    void streamStateChanged(PlayerWidget::StreamState state);
    // A still was written to `file`.
    void stillSaved(const QString &file);

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
    void startSession(StreamPool *pool);
    void showOpeningError();
    void showNotice(const QString &text);
    void takePicture();
    void setupRelay(QUrl &url);
    void setupBewardView();
    void paintNotes(QPainter *painter, const QRect &picture) const;

    void tick();
    void updateState();
    StreamState currentState(qint64 nowMs) const;
    QString cameraName() const;

    std::unique_ptr<Ui::PlayerWidget> ui;
    QString m_camAddress;
    const bool m_useTcp;
    const QString m_playerOptions;
    bool m_isBeward = false;

    QPointer<StreamSession> m_session;
    std::shared_ptr<FrameHandOver> m_frames;
    QSize m_videoSize;
    QString m_initError;
    QString m_warningText;
    QString m_infoText;

    // Owned by the "beward" page; gone when the control closes.
    QPointer<QWidget> m_axWidget;

    std::unique_ptr<PictureView> m_picture;

    QElapsedTimer m_clock;
    QTimer m_tick;
    StreamStatistics m_statistics;
    StreamState m_state = StreamState::None;
    // A stream that played was lost and is being opened again.
    bool m_reconnecting = false;
    // When the stale picture came, on the wall clock; null while fresh.
    QTime m_staleSince;
    QString m_codecName;
    bool m_statisticsShown = false;

    std::unique_ptr<StillCapture> m_stills;
    QString m_defaultTitle;

    PlayerControls *m_controls = nullptr;
};

#endif // PLAYERWIDGET_H
