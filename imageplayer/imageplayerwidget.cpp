#include "imageplayerwidget.h"

#include "ui_imageplayerwidget.h"

#include "imageplayer/snapshotdecoder.h"

#include <QAction>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmapCache>
#include <QSignalBlocker>
#include <QTime>

namespace {

// A period of zero or less (a hand-edited list) would refresh as fast as the
// event loop turns and hammer the server; a day is the longest sensible one
// and keeps the milliseconds within range.
int refreshPeriodMs(int seconds)
{
    return qBound(1, seconds, 24 * 3600) * 1000;
}

// Status texts may quote the source's address; the user name and password
// it may carry stay out of them. The address need not parse, so everything
// from the scheme to the last '@' goes.
QString withoutUserInfo(const QString &text)
{
    const int authority = text.indexOf(QLatin1String("://"));
    const int at = text.lastIndexOf(QLatin1Char('@'));
    if (authority < 0 || at < authority)
        return text;
    return text.leftRef(authority + 3) + text.midRef(at + 1);
}

} // namespace

ImagePlayerWidget::ImagePlayerWidget(QWidget *parent, const QString &url_template,
                                     int update_period_sec)
    : QWidget(parent)
    , m_ui(new Ui::ImagePlayerWidget)
    , m_updatePeriodMs(refreshPeriodMs(update_period_sec))
    , m_ftp(this)
    , m_refreshTimer(this)
    , m_urlTemplate(url_template)
    , m_schedule(url_template)
{
    // The form connects the on_ftp_* and on_refreshTimer_* slots by name,
    // so both objects must be named children before it is built.
    m_ftp.setObjectName(QStringLiteral("ftp"));
    m_refreshTimer.setObjectName(QStringLiteral("refreshTimer"));
    m_refreshTimer.setInterval(m_updatePeriodMs);
    m_ftp.setTransferLimit(SnapshotDecoder::MaxImageBytes);
    m_reconnectTimer.setSingleShot(true);
    connect(&m_reconnectTimer, &QTimer::timeout, this, &ImagePlayerWidget::reopenConnection);
    connect(&m_http, &SnapshotFetch::fetched, this, &ImagePlayerWidget::loadNewImage);
    connect(&m_http, &SnapshotFetch::failed, this, &ImagePlayerWidget::httpFailed);
    connect(&m_http, &SnapshotFetch::progress, this,
            &ImagePlayerWidget::on_ftp_dataTransferProgress);
    connect(&m_http, &SnapshotFetch::tooLarge, this, [this] {
        setStatus(tr("transfer stopped: more than %1 bytes").arg(SnapshotDecoder::MaxImageBytes));
    });

    m_ui->setupUi(this);

    const QDate today = QDate::currentDate();
    {
        const QSignalBlocker blocker(m_ui->dateEdit);
        m_ui->dateEdit->setDate(today);
    }
    changeFramesDate(today);
    if (!m_schedule.isValid())
        return;

    m_refreshTimer.start(m_updatePeriodMs);
    m_ui->frame->installEventFilter(this);
    m_ui->horizontalSlider->setEnabled(false);

    if (m_schedule.scheme() == QLatin1String("ftp")) {
        m_ui->horizontalSlider->setValue(m_ui->horizontalSlider->maximum());
        connect(m_ui->horizontalSlider, &QSlider::valueChanged, this,
                qOverload<int>(&ImagePlayerWidget::getFrame));
        connect(m_ui->dateEdit, &QDateEdit::dateChanged, this, &ImagePlayerWidget::changeFramesDate,
                Qt::QueuedConnection);
    } else {
        m_ui->sliderFrame->hide();
    }

    auto *refreshAction = new QAction(tr("refresh"), this);
    connect(refreshAction, &QAction::triggered, this, &ImagePlayerWidget::on_refreshTimer_timeout);
    connect(refreshAction, &QAction::triggered, &m_refreshTimer, qOverload<>(&QTimer::start));
    addAction(refreshAction);
}

ImagePlayerWidget::~ImagePlayerWidget()
{
    m_ui->frame->removeEventFilter(this);
    // No slot may run while the members go.
    m_ftp.disconnect();
    m_ui.reset();
}

void ImagePlayerWidget::changeFramesDate(const QDate &new_date)
{
    if (new_date == QDate::currentDate())
        m_refreshTimer.start();
    else
        m_refreshTimer.stop();
    m_schedule.setDay(new_date);

    if (!m_schedule.isValid()) {
        setStatus(tr("url '%1' is invalid").arg(withoutUserInfo(m_urlTemplate)));
        return;
    }
    const QString scheme = m_schedule.scheme();
    if (scheme == QLatin1String("ftp")) {
        m_ftp.abort();
        const bool closing =
            m_ftp.state() == FtpClient::Connected || m_ftp.state() == FtpClient::LoggedIn;
        if (closing) {
            m_ftp.close();
            QMetaObject::invokeMethod(this, "processFtpState", Qt::QueuedConnection);
        } else {
            processFtpState();
        }
    } else if (scheme == QLatin1String("http")) {
        m_http.get(m_schedule.url());
    } else {
        setStatus(tr("unsupported scheme: '%1'").arg(scheme));
    }
}

void ImagePlayerWidget::processFtpState()
{
    switch (m_ftp.state()) {
    case FtpClient::Unconnected: {
        // Whatever asks for a connection now takes the place of a
        // connection waiting to be retried.
        m_reconnectTimer.stop();
        m_schedule.connecting();
        m_cdCommandId = -1;
        m_inDayDirectory = false;
        const QUrl &url = m_schedule.url();
        m_ftp.connectToHost(url.host(QUrl::FullyDecoded), quint16(url.port()));
        break;
    }
    case FtpClient::Connected: {
        const QUrl &url = m_schedule.url();
        // A failed login takes the change of directory with it.
        m_ftp.login(url.userName(QUrl::FullyDecoded), url.password(QUrl::FullyDecoded));
        m_cdCommandId = m_ftp.cd(m_schedule.directory());
        break;
    }
    case FtpClient::LoggedIn:
        m_ui->horizontalSlider->setEnabled(false);
        // After a day directory that was missing, the login directory is
        // still the current one: never list that.
        if (!m_inDayDirectory && m_cdCommandId == -1)
            m_cdCommandId = m_ftp.cd(m_schedule.directory());
        m_listCommandId = m_ftp.list();
        break;
    case FtpClient::HostLookup:
    case FtpClient::Connecting:
    case FtpClient::Closing:
        break;
    }
}

void ImagePlayerWidget::on_ftp_stateChanged(int state)
{
    switch (state) {
    case FtpClient::Unconnected:
        setStatus(tr("Unconnected"));
        // A connection that had logged in (and was closed by the server, a
        // change of day or the error reset) is opened again at once; after
        // an attempt that never got that far, the next one waits, so that a
        // server refusing connections does not keep this thread busy.
        if (const int delay = m_schedule.reconnectDelayMs())
            m_reconnectTimer.start(delay);
        else
            reopenConnection();
        break;
    case FtpClient::HostLookup:
        setStatus(tr("Host lookup"));
        break;
    case FtpClient::Connecting:
        setStatus(tr("Connecting"));
        break;
    case FtpClient::Connected:
        setStatus(tr("Connected"));
        processFtpState();
        break;
    case FtpClient::LoggedIn:
        setStatus(tr("Logged in"));
        m_schedule.loggedIn();
        processFtpState();
        break;
    case FtpClient::Closing:
        setStatus(tr("Closing"));
        break;
    default:
        setStatus(tr("unknown state"));
        break;
    }
}

void ImagePlayerWidget::reopenConnection()
{
    if (m_refreshTimer.isActive())
        processFtpState();
    else
        on_refreshTimer_timeout();
}

void ImagePlayerWidget::on_ftp_commandFinished(int id, bool error)
{
    if (error) {
        setStatus(tr("ftp error: %1").arg(m_ftp.errorString()));
        if (m_schedule.commandFailed()) {
            m_ftp.abort();
            m_ftp.close();
        }
    }
    if (id == m_cdCommandId) {
        m_cdCommandId = -1;
        m_inDayDirectory = !error;
    } else if (id == m_getCommandId) {
        m_getCommandId = -1;
        if (!error)
            loadNewImage(m_ftp.readAll());
    } else if (id == m_listCommandId) {
        m_listCommandId = -1;
        if (!error)
            listFinished();
    }
}

void ImagePlayerWidget::on_ftp_dataTransferProgress(qint64 done, qint64 total)
{
    setStatus(tr("receiving data: %1 from %2 bytes").arg(done).arg(total));
}

void ImagePlayerWidget::on_ftp_listInfo(const FtpUrlInfo &i)
{
    if (i.isFile())
        m_schedule.addFile(i.name());
}

void ImagePlayerWidget::listFinished()
{
    if (!m_schedule.finishListing()) {
        setStatus(tr("no image in directory"));
        return;
    }
    QSlider *slider = m_ui->horizontalSlider;
    int frame;
    {
        const QSignalBlocker blocker(slider);
        frame = slider->value() == slider->maximum() ? -1 : slider->value();
        slider->setRange(0, m_schedule.frameCount() - 1);
        slider->setValue(frame == -1 ? slider->maximum() : frame);
    }
    slider->setEnabled(true);
    getFrame(frame);
}

void ImagePlayerWidget::httpFailed(const QString &error)
{
    // The network layer quotes the address as it was requested.
    setStatus(m_schedule.url().userInfo().isEmpty() ? error : withoutUserInfo(error));
}

void ImagePlayerWidget::getFrame(int frame_number)
{
    const SnapshotSchedule::Frame frame = m_schedule.frameAt(frame_number);
    if (frame.name.isEmpty())
        return;
    QPixmap cached;
    if (frame.fromCache && !frame.cacheKey.isEmpty()
        && QPixmapCache::find(frame.cacheKey, &cached)) {
        // The operator's choice wins over a newest frame still on its way.
        m_getCommandId = -1;
        showPixmap(cached);
        return;
    }
    fetchFrame(frame);
}

void ImagePlayerWidget::getFrame()
{
    getFrame(-1);
}

void ImagePlayerWidget::fetchFrame(const SnapshotSchedule::Frame &frame)
{
    m_getCommandId = m_ftp.get(frame.name);
    m_fetchedCacheKey = frame.cacheKey;
    setStatus(tr("getting image %1").arg(frame.name));
}

void ImagePlayerWidget::on_refreshTimer_timeout()
{
    if (m_ui->dateEdit->date() != m_schedule.day()) {
        changeFramesDate(m_ui->dateEdit->date());
        return;
    }
    if (m_schedule.scheme() == QLatin1String("ftp"))
        processFtpState();
    else if (m_schedule.scheme() == QLatin1String("http"))
        m_http.get(m_schedule.url());
}

void ImagePlayerWidget::loadNewImage(const QByteArray &bytes)
{
    const SnapshotDecoder::Result decoded = SnapshotDecoder::decode(bytes);
    switch (decoded.outcome) {
    case SnapshotDecoder::Outcome::Undecodable:
        setStatus(tr("unable to decode new image"));
        return;
    case SnapshotDecoder::Outcome::TooLarge:
        setStatus(tr("image too large: %1 x %2 pixels")
                      .arg(decoded.size.width())
                      .arg(decoded.size.height()));
        return;
    case SnapshotDecoder::Outcome::NoHeight:
        setStatus(tr("new image has null height"));
        return;
    case SnapshotDecoder::Outcome::Decoded:
        break;
    }
    const QPixmap pixmap = QPixmap::fromImage(decoded.image);
    // The key was taken when the fetch began: the slider may have moved on
    // since. A day of one name, replaced in place, has none.
    if (!m_fetchedCacheKey.isEmpty())
        QPixmapCache::insert(m_fetchedCacheKey, pixmap);
    showPixmap(pixmap);
    setStatus(tr("new image loaded at %1").arg(QTime::currentTime().toString()));
}

void ImagePlayerWidget::showPixmap(const QPixmap &pixmap)
{
    m_pixmap = pixmap;
    m_aspectRatio = double(m_pixmap.width()) / m_pixmap.height();
    updateImageRect();
    m_ui->frame->update();
}

void ImagePlayerWidget::updateImageRect()
{
    const QRect frame = m_ui->frame->rect();
    QRect rect = frame;
    if (frame.width() <= frame.height()) {
        rect.setWidth(int(frame.height() * m_aspectRatio));
        if (rect.width() > frame.width()) {
            rect.setWidth(frame.width());
            rect.setHeight(int(rect.width() / m_aspectRatio));
        }
    } else {
        rect.setHeight(int(frame.width() / m_aspectRatio));
        if (rect.height() > frame.height()) {
            rect.setHeight(frame.height());
            rect.setWidth(int(rect.height() * m_aspectRatio));
        }
    }
    rect.translate((frame.width() - rect.width()) / 2, (frame.height() - rect.height()) / 2);
    m_imageRect = rect;
}

bool ImagePlayerWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui->frame && event->type() == QEvent::Paint && !m_pixmap.isNull()) {
        QPainter painter(m_ui->frame);
        painter.drawPixmap(m_imageRect, m_pixmap);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void ImagePlayerWidget::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F5 && event->modifiers() == Qt::NoModifier) {
        on_refreshTimer_timeout();
        m_refreshTimer.start();
    }
    // No key reaches the parent.
    event->accept();
}

void ImagePlayerWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    updateImageRect();
}

void ImagePlayerWidget::setStatus(const QString &text)
{
    m_ui->status->setText(text);
}
