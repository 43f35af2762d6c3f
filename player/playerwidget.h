#ifndef PLAYERWIDGET_H
#define PLAYERWIDGET_H

#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

#include <memory>

class FrameHandOver;
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
 * overlay and two lines of status text, and the keys.
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
    QRect videoRect() const { return m_videoRect; }
    int aspectPercent() const { return m_aspectPercent; }
    // The picture as last converted, at the size it is shown at.
    QImage currentFrame() const;
    QString warningText() const { return m_warningText; }
    QString infoText() const { return m_infoText; }
    QString initError() const { return m_initError; }
    // Null once the stream has been let go of.
    StreamSession *session() const;

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
    void startSession(StreamPool *pool);
    void showOpeningError();
    void showNotice(const QString &text);
    void takePicture();
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

    QPointer<StreamSession> m_session;
    std::shared_ptr<FrameHandOver> m_frames;
    QSize m_videoSize;
    QString m_initError;
    QString m_warningText;
    QString m_infoText;

    // Owned by the "beward" page; gone when the control closes.
    QPointer<QWidget> m_axWidget;

    QPixmap m_overlayPixmap;
    QRect m_videoRect;
    int m_aspectPercent = 100;
};

#endif // PLAYERWIDGET_H
