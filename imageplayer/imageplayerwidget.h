#ifndef IMAGEPLAYERWIDGET_H
#define IMAGEPLAYERWIDGET_H

#include "imageplayer/snapshotfetch.h"
#include "imageplayer/snapshotschedule.h"
#include "net/ftpclient.h"

#include <QDate>
#include <QPixmap>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace Ui {
class ImagePlayerWidget;
}

/*
 * Shows the still images a camera leaves at an HTTP address or in an FTP
 * directory per day, and fetches them anew periodically. For FTP sources a
 * date editor picks the day and a slider steps through its images; images
 * once shown are kept in the process-wide pixmap cache under their location.
 * What to fetch and when is the schedule's; this class does the fetching
 * and the showing.
 */
class ImagePlayerWidget : public QWidget
{
    Q_OBJECT

public:
    ImagePlayerWidget(QWidget *parent, const QString &url_template, int update_period_sec);
    ~ImagePlayerWidget() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private slots:
    void changeFramesDate(const QDate &new_date);
    void on_ftp_stateChanged(int state);
    void on_ftp_commandFinished(int id, bool error);
    void on_ftp_dataTransferProgress(qint64 done, qint64 total);
    void on_ftp_listInfo(const FtpUrlInfo &i);
    void getFrame(int frame_number);
    void getFrame();
    void on_refreshTimer_timeout();

private:
    Q_INVOKABLE void processFtpState();
    void reopenConnection();
    void listFinished();
    void fetchFrame(const SnapshotSchedule::Frame &frame);
    void httpFailed(const QString &error);
    void loadNewImage(const QByteArray &bytes);
    void showPixmap(const QPixmap &pixmap);
    void updateImageRect();
    void setStatus(const QString &text);

    std::unique_ptr<Ui::ImagePlayerWidget> m_ui;
    int m_updatePeriodMs;
    FtpClient m_ftp;
    int m_getCommandId = -1;
    int m_listCommandId = -1;
    QTimer m_refreshTimer;
    SnapshotFetch m_http;
    QPixmap m_pixmap;
    double m_aspectRatio = 1.0;
    QRect m_imageRect;
    QString m_urlTemplate;
    // The day's address and frames, the failure count and the pacing of
    // new connections.
    SnapshotSchedule m_schedule;
    QTimer m_reconnectTimer;

    // The FTP session lists only in the day's directory: a listing is
    // queued behind the change into it, which takes the listing with it
    // when it fails.
    int m_cdCommandId = -1;
    bool m_inDayDirectory = false;
    // Where the image being fetched goes in the pixmap cache, if anywhere.
    QString m_fetchedCacheKey;
};

#endif // IMAGEPLAYERWIDGET_H
