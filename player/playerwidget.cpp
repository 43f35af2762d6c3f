#include "playerwidget.h"
#include "ui_playerwidget.h"

#include "net/addresstext.h"
#include "player/bewardview.h"
#include "player/bewardviewfactory.h"
#include "player/framehandover.h"
#include "player/playeroptions.h"
#include "player/proxysocket.h"
#include "player/streampool.h"
#include "player/streamsession.h"

#include <QCloseEvent>
#include <QDebug>
#include <QDockWidget>
#include <QGraphicsWidget>
#include <QKeyEvent>
#include <QLabel>
#include <QNetworkProxy>
#include <QPainter>
#include <QUrl>

namespace {

const QSize BewardVideoSize(640, 480);

int sizePercentForKey(int key)
{
    switch (key) {
    case Qt::Key_1:
        return 10;
    case Qt::Key_2:
        return 25;
    case Qt::Key_3:
        return 50;
    case Qt::Key_4:
        return 100;
    case Qt::Key_5:
        return 125;
    default:
        return 0;
    }
}

enum Page { VideoPage = 0, LoadingPage = 1, BewardPage = 2 };

} // namespace

PlayerWidget::PlayerWidget(
    QWidget *parent, const QString &camAddress, bool useTcp, const QString &playerOptions)
    : PlayerWidget(parent, camAddress, useTcp, playerOptions, nullptr)
{
}

PlayerWidget::PlayerWidget(QWidget *parent, const QString &camAddress, bool useTcp,
    const QString &playerOptions, StreamPool *pool)
    : QWidget(parent)
    , ui(new Ui::PlayerWidget)
    , m_camAddress(camAddress)
    , m_useTcp(useTcp)
    , m_playerOptions(playerOptions)
{
    QUrl url(camAddress, QUrl::TolerantMode);
    m_isBeward = url.scheme() == QLatin1String("beward");

    if (!QNetworkProxy::applicationProxy().hostName().isEmpty())
        setupRelay(url);

    ui->setupUi(this);

    if (m_isBeward)
        playerInitComplete();
    else
        startSession(pool ? pool : StreamPool::standalone());

    const QString title = tr("Camera %1").arg(AddressText::withoutUserInfo(m_camAddress));
    (parentWidget() ? parentWidget() : this)->setWindowTitle(title);

    connect(this, &PlayerWidget::warning, this, &PlayerWidget::printWarning);
    connect(this, &PlayerWidget::restartFFmpeg, this, &PlayerWidget::restartingFFmpeg);
}

PlayerWidget::~PlayerWidget()
{
    // The session finishes on its own; nothing here waits for it.
    if (m_session) {
        m_session->disconnect(this);
        m_session->stop();
    }
    // Children go after this, in QWidget's destructor, and a detector
    // client on the map is one of them; what they emit as they go must not
    // reach this part of the player any more.
    for (QObject *child : children())
        child->disconnect(this);
}

void PlayerWidget::startSession(StreamPool *pool)
{
    const PlayerOptions options = PlayerOptions::parse(m_playerOptions);
    for (const QString &line : options.ignored())
        qDebug() << "Player option ignored:" << line;
    auto *session = new StreamSession(m_camAddress, m_useTcp, options, pool);
    m_session = session;
    m_frames = session->frames();
    connect(session, &StreamSession::openingEnded, this, &PlayerWidget::playerInitComplete);
    connect(session, &StreamSession::warning, this, &PlayerWidget::warning);
    connect(session, &StreamSession::pictureReady, this, &PlayerWidget::takePicture);
    connect(session, &StreamSession::restarting, this, &PlayerWidget::restartFFmpeg);
    connect(session, &StreamSession::waitingForSlot, this, [this](int playing) {
        showNotice(tr("Waiting for a free stream slot (%1 playing)").arg(playing));
    });
    connect(session, &StreamSession::attemptStarted, this, [this] {
        if (ui->stackedWidget->currentIndex() == LoadingPage) {
            ui->label_2->setText(tr("Player initialization ..."));
            ui->progressBar->show();
        }
    });
    connect(session, &StreamSession::retryCountdown, this, [this](int seconds) {
        if (ui->stackedWidget->currentIndex() == LoadingPage)
            showOpeningError();
        else if (seconds > 0)
            showNotice(tr("Reconnecting in %1 s").arg(seconds));
    });
    session->start();
}

// Stream clients (FFmpeg, the maker's control) cannot be told to bypass the
// application's proxy; they reach the camera through a relay on loopback.
void PlayerWidget::setupRelay(QUrl &url)
{
    // A local file has no camera to relay to.
    if (url.host().isEmpty())
        return;
    url = ProxySocket::relayUrl(url, this);
    m_camAddress = url.toString();
}

// The maker's control draws the camera's video itself; the player only
// hands it the address and makes room for it.
void PlayerWidget::setupBewardView()
{
    delete m_axWidget;
    BewardView *view = BewardViewFactory::create(ui->bewardPage);
    m_axWidget = view ? view->widget() : nullptr;
    if (!m_axWidget) {
        auto *label = new QLabel(tr("Beward ActiveX component not found"), this);
        ui->bewardPage->layout()->addWidget(label);
        return;
    }

    m_axWidget->setAttribute(Qt::WA_DeleteOnClose);
    m_axWidget->show();
    view->prepare(QUrl(m_camAddress, QUrl::TolerantMode));
    ui->bewardPage->layout()->addWidget(m_axWidget);
    m_videoSize = BewardVideoSize;
    resize(BewardVideoSize);
    m_aspectPercent = 100;
    view->startView();
}

void PlayerWidget::restartingFFmpeg()
{
    if (m_session)
        m_session->reopenNow();
}

void PlayerWidget::playerInitComplete()
{
    if (m_isBeward) {
        ui->stackedWidget->setCurrentIndex(BewardPage);
        setupBewardView();
        return;
    }
    if (!m_session)
        return;

    m_initError = m_session->openError();
    const QSize size = m_session->videoSize();
    if (size.isValid())
        m_videoSize = size;
    if (!m_session->isOpen()) {
        if (!m_initError.isEmpty())
            showOpeningError();
        return;
    }

    ui->stackedWidget->setCurrentIndex(VideoPage);
    m_aspectPercent = qMax(1, m_videoSize.width() * 100 / qMax(1, m_videoSize.height()));
    ui->video->installEventFilter(this);
    updateVideoRect();
    m_infoText = tr("Waiting for first frame ...");
    connect(this, &PlayerWidget::newFrame, this, QOverload<>::of(&QWidget::update),
        Qt::UniqueConnection);
    setFocusPolicy(Qt::StrongFocus);
    if (auto *dock = qobject_cast<QDockWidget *>(parentWidget())) {
        connect(dock, &QDockWidget::topLevelChanged, this, &PlayerWidget::parentDockChanged,
            Qt::UniqueConnection);
    }
    update();
}

// The loading page with the reason, and when the next attempt comes.
void PlayerWidget::showOpeningError()
{
    QString text = tr("Error ffmpeg initialization: ") + m_initError;
    if (m_session && m_session->isRetryPending())
        text += QLatin1Char('\n') + tr("Reconnecting in %1 s").arg(m_session->retrySeconds());
    ui->label_2->setText(text);
    ui->progressBar->hide();
    ui->stackedWidget->setCurrentIndex(LoadingPage);
}

// On the loading page while nothing plays yet, over the picture otherwise.
void PlayerWidget::showNotice(const QString &text)
{
    if (ui->stackedWidget->currentIndex() == LoadingPage) {
        ui->label_2->setText(text);
        ui->progressBar->show();
        return;
    }
    m_infoText = text;
    update();
}

void PlayerWidget::takePicture()
{
    m_warningText.clear();
    m_infoText.clear();
    emit newFrame();
}

void PlayerWidget::parentDockChanged()
{
    updateVideoRect();
}

// Fits the picture into the video frame with its aspect ratio kept, centred
// in the direction where space is left, and has pictures converted to that
// size once the frame shows.
void PlayerWidget::updateVideoRect()
{
    // The picture is painted on the video frame, so it is placed in the
    // frame's own coordinates.
    const QRect outer = ui->video->rect();
    QRect r = outer;
    if (r.width() > r.height()) {
        r.setHeight(r.width() * 100 / m_aspectPercent);
        if (r.height() > outer.height()) {
            r.setHeight(outer.height());
            r.setWidth(r.height() * m_aspectPercent / 100);
        }
    } else {
        r.setWidth(r.height() * m_aspectPercent / 100);
        if (r.width() > outer.width()) {
            r.setWidth(outer.width());
            r.setHeight(r.width() * 100 / m_aspectPercent);
        }
    }
    r.translate((outer.width() - r.width()) / 2, (outer.height() - r.height()) / 2);
    const bool resized = r.size() != m_videoRect.size();
    m_videoRect = r;
    // Until it shows, the frame has no real size; pictures keep their own.
    if (m_frames && ui->video->isVisible())
        m_frames->setTargetSize((QSizeF(r.size()) * devicePixelRatioF()).toSize());
    if (resized)
        emit overlaySizeChanged(r.size());
}

bool PlayerWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->video) {
        if (event->type() == QEvent::Paint) {
            paintVideo();
            return true;
        }
        if (event->type() == QEvent::Show)
            updateVideoRect();
    }
    return QWidget::eventFilter(watched, event);
}

void PlayerWidget::paintVideo()
{
    QPainter painter(ui->video);
    if (m_frames)
        m_frames->paint(&painter, m_videoRect);
    if (!m_overlayPixmap.isNull())
        painter.drawPixmap(m_videoRect, m_overlayPixmap);
    drawTextBand(&painter, m_warningText, Qt::red);
    drawTextBand(&painter, m_infoText, Qt::green);
}

// One line of text across the top fifth of the picture, as large as its
// length allows.
void PlayerWidget::drawTextBand(QPainter *painter, const QString &text, const QColor &color) const
{
    if (text.isEmpty())
        return;
    QRect band = m_videoRect;
    band.setHeight(m_videoRect.height() * 2 / 10);
    QFont font = painter->font();
    font.setPixelSize(qMax(1, band.width() / int(text.size())));
    painter->setFont(font);
    painter->setPen(color);
    painter->drawText(band, Qt::AlignCenter, text);
}

void PlayerWidget::printWarning(const QString &text)
{
    m_warningText = text;
    m_infoText.clear();
    update();
    qWarning().noquote() << text;
}

void PlayerWidget::newOverlayImage(const QPixmap &img)
{
    m_overlayPixmap = img;
    update();
}

void PlayerWidget::keyPressEvent(QKeyEvent *event)
{
    if (event->modifiers() & Qt::ControlModifier) {
        const int percent = sizePercentForKey(event->key());
        if (percent == 0) {
            QWidget::keyPressEvent(event);
            return;
        }
        const QSize size = m_videoSize * qreal(percent) / 100.0;
        if (QWidget *parent = parentWidget()) {
            parent->resize(size);
        } else {
            ui->video->resize(size);
            resize(size);
        }
        return;
    }
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier)
        closeSceneProxy();
}

// The map puts a player on the scene through a proxy widget that it records
// in the player's "sceneProxyWidget" property; closing the proxy takes the
// player off the map.
void PlayerWidget::closeSceneProxy()
{
    auto *proxy =
        qobject_cast<QGraphicsWidget *>(qvariant_cast<QObject *>(property("sceneProxyWidget")));
    if (proxy)
        proxy->close();
}

void PlayerWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (!m_isBeward)
        updateVideoRect();
}

void PlayerWidget::closeEvent(QCloseEvent *event)
{
    event->accept();
}

StreamSession *PlayerWidget::session() const
{
    return m_session;
}

QImage PlayerWidget::currentFrame() const
{
    return m_frames ? m_frames->current() : QImage();
}
