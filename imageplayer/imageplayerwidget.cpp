#include "imageplayerwidget.h"

#include "ui_imageplayerwidget.h"

#include <QAction>
#include <QFileInfo>
#include <QKeyEvent>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPainter>
#include <QPixmapCache>
#include <QSignalBlocker>
#include <QTime>

#include <algorithm>
#include <utility>

namespace {

const QString DatePlaceholder = QStringLiteral("yyyy-MM-dd");
constexpr int FtpErrorsBeforeReset = 3;
constexpr int FirstReconnectDelayMs = 1000;
constexpr int LongestReconnectDelayMs = 30000;

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

ImagePlayerWidget::ImagePlayerWidget(
    QWidget *parent, const QString &url_template, int update_period_sec)
    : QWidget(parent)
    , m_ui(new Ui::ImagePlayerWidget)
    , m_updatePeriodMs(refreshPeriodMs(update_period_sec))
    , m_ftp(this)
    , m_refreshTimer(this)
{
    // The form connects the on_ftp_* and on_refreshTimer_* slots by name,
    // so both objects must be named children before it is built.
    m_ftp.setObjectName(QStringLiteral("ftp"));
    m_refreshTimer.setObjectName(QStringLiteral("refreshTimer"));
    m_refreshTimer.setInterval(m_updatePeriodMs);
    m_reconnectTimer.setSingleShot(true);
    connect(&m_reconnectTimer, &QTimer::timeout, this, &ImagePlayerWidget::reopenConnection);

    m_ui->setupUi(this);

    const QDate today = QDate::currentDate();
    {
        const QSignalBlocker blocker(m_ui->dateEdit);
        m_ui->dateEdit->setDate(today);
    }
    m_urlTemplate = url_template;
    changeFramesDate(today);
    if (!m_url.isValid())
        return;

    m_refreshTimer.start(m_updatePeriodMs);
    m_ui->frame->installEventFilter(this);
    m_ui->horizontalSlider->setEnabled(false);

    if (m_scheme == QLatin1String("ftp")) {
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
    m_framesDate = new_date;
    if (m_framesDate == QDate::currentDate())
        m_refreshTimer.start();
    else
        m_refreshTimer.stop();
    m_frameNames.clear();

    m_url = QUrl(m_urlTemplate, QUrl::TolerantMode);
    // Setting the path would clear the error of a template that does not
    // parse.
    if (m_url.isValid()) {
        QString path = m_url.path(QUrl::FullyDecoded);
        path.replace(DatePlaceholder, m_framesDate.toString(DatePlaceholder));
        m_url.setPath(path, QUrl::DecodedMode);
    }

    if (!m_url.isValid()) {
        setStatus(tr("url '%1' is invalid").arg(withoutUserInfo(m_urlTemplate)));
        return;
    }
    m_scheme = m_url.scheme().toLower();

    if (m_scheme == QLatin1String("ftp")) {
        m_ftp.abort();
        const bool closing =
            m_ftp.state() == FtpClient::Connected || m_ftp.state() == FtpClient::LoggedIn;
        if (closing)
            m_ftp.close();
        if (m_url.port() == -1)
            m_url.setPort(21);
        if (closing)
            QMetaObject::invokeMethod(this, "processFtpState", Qt::QueuedConnection);
        else
            processFtpState();
    } else if (m_scheme == QLatin1String("http")) {
        httpGet();
    } else {
        setStatus(tr("unsupported scheme: '%1'").arg(m_scheme));
    }
}

void ImagePlayerWidget::processFtpState()
{
    switch (m_ftp.state()) {
    case FtpClient::Unconnected:
        // Whatever asks for a connection now takes the place of a
        // connection waiting to be retried.
        m_reconnectTimer.stop();
        m_loggedInSinceConnect = false;
        m_ftp.connectToHost(m_url.host(QUrl::FullyDecoded), quint16(m_url.port()));
        break;
    case FtpClient::Connected: {
        m_ftp.login(m_url.userName(QUrl::FullyDecoded), m_url.password(QUrl::FullyDecoded));
        QString dir = QFileInfo(m_url.path(QUrl::FullyDecoded)).path();
        if (dir.startsWith(QLatin1Char('/')))
            dir.remove(0, 1);
        m_ftp.cd(dir);
        break;
    }
    case FtpClient::LoggedIn:
        m_ui->horizontalSlider->setEnabled(false);
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
        if (std::exchange(m_loggedInSinceConnect, false))
            reopenConnection();
        else
            reopenConnectionLater();
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
        m_loggedInSinceConnect = true;
        m_reconnectDelayMs = 0;
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

void ImagePlayerWidget::reopenConnectionLater()
{
    m_reconnectDelayMs = m_reconnectDelayMs == 0
        ? FirstReconnectDelayMs
        : std::min(m_reconnectDelayMs * 2, LongestReconnectDelayMs);
    m_reconnectTimer.start(m_reconnectDelayMs);
}

void ImagePlayerWidget::on_ftp_commandFinished(int id, bool error)
{
    if (error) {
        setStatus(tr("ftp error: %1").arg(m_ftp.errorString()));
        if (++m_ftpErrorCount > FtpErrorsBeforeReset) {
            m_ftp.abort();
            m_ftp.close();
            m_frameNames.clear();
            m_ftpErrorCount = 0;
        }
    }
    if (id == m_getCommandId) {
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
    if (i.isFile() && !m_frameNames.contains(i.name()))
        m_frameNames.append(i.name());
}

void ImagePlayerWidget::listFinished()
{
    if (m_frameNames.isEmpty()) {
        setStatus(tr("no image in directory"));
        return;
    }
    // Plain code-unit order: names with a fixed-width time stamp come out
    // oldest first, so the last one is the newest frame.
    m_frameNames.sort(Qt::CaseSensitive);

    QSlider *slider = m_ui->horizontalSlider;
    int frame;
    {
        const QSignalBlocker blocker(slider);
        frame = slider->value() == slider->maximum() ? -1 : slider->value();
        slider->setRange(0, m_frameNames.size() - 1);
        slider->setValue(frame == -1 ? slider->maximum() : frame);
    }
    slider->setEnabled(true);
    getFrame(frame);
}

void ImagePlayerWidget::httpFinished()
{
    if (!m_reply)
        return;
    if (m_reply->error() != QNetworkReply::NoError) {
        // The network layer quotes the address as it was requested.
        const QString error = m_reply->errorString();
        setStatus(m_url.userInfo().isEmpty() ? error : withoutUserInfo(error));
        return;
    }
    loadNewImage(m_reply->readAll());
    std::exchange(m_reply, nullptr)->deleteLater();
}

void ImagePlayerWidget::getFrame(int frame_number)
{
    if (m_frameNames.isEmpty())
        return;
    if (frame_number < 0 || frame_number >= m_frameNames.size()) {
        fetchFrame(m_frameNames.last());
        return;
    }
    const QString &name = m_frameNames.at(frame_number);
    QPixmap cached;
    if (QPixmapCache::find(name, &cached)) {
        m_pixmap = cached;
        m_ui->frame->update();
        return;
    }
    fetchFrame(name);
}

void ImagePlayerWidget::getFrame()
{
    getFrame(-1);
}

void ImagePlayerWidget::fetchFrame(const QString &name)
{
    m_getCommandId = m_ftp.get(name);
    setStatus(tr("getting image %1").arg(name));
}

void ImagePlayerWidget::on_refreshTimer_timeout()
{
    if (m_ui->dateEdit->date() != m_framesDate) {
        changeFramesDate(m_ui->dateEdit->date());
        return;
    }
    if (m_scheme == QLatin1String("ftp"))
        processFtpState();
    else if (m_scheme == QLatin1String("http"))
        httpGet();
}

void ImagePlayerWidget::httpGet()
{
    if (m_reply) {
        // Its finished() must not report the abort as this request's error.
        QNetworkReply *previous = std::exchange(m_reply, nullptr);
        previous->disconnect(this);
        previous->abort();
        previous->deleteLater();
    }
    m_reply = m_networkManager.get(QNetworkRequest(m_url));
    connect(m_reply, &QNetworkReply::finished, this, &ImagePlayerWidget::httpFinished);
    connect(m_reply, &QNetworkReply::downloadProgress, this,
        &ImagePlayerWidget::on_ftp_dataTransferProgress);
}

void ImagePlayerWidget::loadNewImage(const QByteArray &bytes)
{
    QPixmap image;
    if (!image.loadFromData(bytes)) {
        setStatus(tr("unable to decode new image"));
        return;
    }
    if (image.height() == 0) {
        setStatus(tr("new image has null height"));
        return;
    }
    m_pixmap = image;

    // With a single name the file is replaced in place, so caching it would
    // only hide the new content.
    const int frame = m_ui->horizontalSlider->value();
    if (m_scheme == QLatin1String("ftp") && m_frameNames.size() != 1 && frame >= 0
        && frame < m_frameNames.size())
        QPixmapCache::insert(m_frameNames.at(frame), m_pixmap);

    m_aspectRatio = double(m_pixmap.width()) / m_pixmap.height();
    updateImageRect();
    setStatus(tr("new image loaded at %1").arg(QTime::currentTime().toString()));
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
