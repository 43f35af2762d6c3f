#include "playerwidget.h"
#include "ui_playerwidget.h"

#include "net/addresstext.h"
#include "player/bewardview.h"
#include "player/bewardviewfactory.h"
#include "player/framehandover.h"
#include "player/picturenotes.h"
#include "player/pictureview.h"
#include "player/playercontrols.h"
#include "player/playeroptions.h"
#include "player/proxysocket.h"
#include "player/streampool.h"
#include "player/streamsession.h"

#include <QCloseEvent>
#include <QDebug>
#include <QDockWidget>
#include <QKeyEvent>
#include <QLabel>
#include <QNetworkProxy>
#include <QUrl>

namespace {

const QSize BewardVideoSize(640, 480);

enum Page { VideoPage = 0, LoadingPage = 1, BewardPage = 2 };

} // namespace

PlayerWidget::PlayerWidget(QWidget *parent, const QString &camAddress, bool useTcp,
                           const QString &playerOptions)
    : PlayerWidget(parent, camAddress, useTcp, playerOptions, nullptr)
{ }

PlayerWidget::PlayerWidget(QWidget *parent, const QString &camAddress, bool useTcp,
                           const QString &playerOptions, StreamPool *pool)
    : QWidget(parent)
    , ui(new Ui::PlayerWidget)
    , m_camAddress(camAddress)
    , m_useTcp(useTcp)
    , m_playerOptions(playerOptions)
{
    // For queued connections and spies of streamStateChanged.
    qRegisterMetaType<PlayerWidget::StreamState>();
    m_clock.start();
    QUrl url(camAddress, QUrl::TolerantMode);
    m_isBeward = url.scheme() == QLatin1String("beward");

    if (!QNetworkProxy::applicationProxy().hostName().isEmpty())
        setupRelay(url);

    ui->setupUi(this);
    m_picture = std::make_unique<PictureView>(
        ui->video,
        [this](QPainter *painter, const QRect &picture) { paintNotes(painter, picture); }, nullptr);
    connect(m_picture.get(), &PictureView::overlaySizeChanged, this,
            &PlayerWidget::overlaySizeChanged);
    m_stills = std::make_unique<StillCapture>(&m_clock, nullptr);
    connect(m_stills.get(), &StillCapture::noticeChanged, ui->video,
            QOverload<>::of(&QWidget::update));
    connect(m_stills.get(), &StillCapture::saved, this, &PlayerWidget::stillSaved);
    m_controls = new PlayerControls(this, m_picture.get(), ui->video);

    if (m_isBeward) {
        playerInitComplete();
    } else {
        m_controls->addMenu();
        m_tick.setInterval(TickMs);
        connect(&m_tick, &QTimer::timeout, this, &PlayerWidget::tick);
        m_tick.start();
        startSession(pool ? pool : StreamPool::standalone());
    }

    m_defaultTitle = tr("Camera %1").arg(AddressText::withoutUserInfo(m_camAddress));
    (parentWidget() ? parentWidget() : this)->setWindowTitle(m_defaultTitle);

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
        updateState();
    });
    connect(session, &StreamSession::attemptStarted, this, [this] {
        if (ui->stackedWidget->currentIndex() == LoadingPage) {
            ui->label_2->setText(tr("Player initialization ..."));
            ui->progressBar->show();
        }
        updateState();
    });
    connect(session, &StreamSession::retryCountdown, this, [this](int seconds) {
        if (ui->stackedWidget->currentIndex() == LoadingPage) {
            showOpeningError();
        } else {
            // The picture shown is from before the stream was lost.
            m_reconnecting = true;
            if (seconds > 0)
                showNotice(tr("Reconnecting in %1 s").arg(seconds));
        }
        updateState();
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
    m_picture->setAspectPercent(100);
    view->startView();
}

void PlayerWidget::restartingFFmpeg()
{
    m_reconnecting = true;
    if (m_session)
        m_session->reopenNow();
    updateState();
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
        updateState();
        return;
    }
    m_codecName = m_session->codecName();

    ui->stackedWidget->setCurrentIndex(VideoPage);
    m_picture->show(m_frames, m_videoSize);
    m_infoText = tr("Waiting for first frame ...");
    connect(this, &PlayerWidget::newFrame, ui->video, QOverload<>::of(&QWidget::update),
            Qt::UniqueConnection);
    setFocusPolicy(Qt::StrongFocus);
    if (auto *dock = qobject_cast<QDockWidget *>(parentWidget())) {
        connect(dock, &QDockWidget::topLevelChanged, this, &PlayerWidget::parentDockChanged,
                Qt::UniqueConnection);
    }
    update();
    updateState();
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
    m_reconnecting = false;
    m_statistics.pictureShown(m_clock.elapsed());
    // Takes a stale badge away with this picture.
    updateState();
    emit newFrame();
}

void PlayerWidget::parentDockChanged()
{
    m_picture->fit();
}

// What the player has to say over its picture.
void PlayerWidget::paintNotes(QPainter *painter, const QRect &picture) const
{
    PictureNotes::drawStatusLine(painter, picture, m_warningText, Qt::red);
    PictureNotes::drawStatusLine(painter, picture, m_infoText, Qt::green);
    PictureNotes::drawStaleBadge(painter, picture, staleText());
    if (m_statisticsShown)
        PictureNotes::drawStatistics(painter, picture, statisticsLines());
    PictureNotes::drawNotice(painter, picture, m_stills->notice(), m_stills->noticeFailed());
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
    m_picture->setOverlay(img);
    update();
}

void PlayerWidget::keyPressEvent(QKeyEvent *event)
{
    if (!m_controls->keyPressed(event) && (event->modifiers() & Qt::ControlModifier))
        QWidget::keyPressEvent(event);
}

void PlayerWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (!m_isBeward)
        m_picture->fit();
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

void PlayerWidget::tick()
{
    const qint64 now = m_clock.elapsed();
    if (m_frames)
        m_statistics.sample(now, m_frames->totals());
    m_stills->expire();
    updateState();
    if (m_statisticsShown)
        ui->video->update();
}

PlayerWidget::StreamState PlayerWidget::currentState(qint64 nowMs) const
{
    if (m_isBeward || !m_session)
        return StreamState::None;
    if (ui->stackedWidget->currentIndex() == LoadingPage)
        return m_initError.isEmpty() ? StreamState::Opening : StreamState::Failed;
    if (m_reconnecting)
        return StreamState::Reconnecting;
    if (!m_statistics.hasPicture())
        return StreamState::Opening;
    return m_statistics.isStale(nowMs) ? StreamState::Stale : StreamState::Playing;
}

void PlayerWidget::updateState()
{
    const qint64 now = m_clock.elapsed();
    // Any picture left standing is marked, while the stream reconnects too.
    const bool stale =
        ui->stackedWidget->currentIndex() == VideoPage && !m_isBeward && m_statistics.isStale(now);
    if (stale != !m_staleSince.isNull()) {
        m_staleSince = stale ? QTime::currentTime().addMSecs(
                           -int(qMin<qint64>(m_statistics.sinceLastPicture(now), 24 * 3600 * 1000)))
                             : QTime();
        ui->video->update();
    }
    const StreamState state = currentState(now);
    if (state != m_state) {
        m_state = state;
        emit streamStateChanged(state);
    }
}

QString PlayerWidget::staleText() const
{
    if (m_staleSince.isNull())
        return QString();
    return tr("No new picture since %1").arg(m_staleSince.toString(QStringLiteral("HH:mm:ss")));
}

void PlayerWidget::setStatisticsShown(bool shown)
{
    if (m_isBeward)
        return;
    m_statisticsShown = shown;
    m_controls->setStatisticsChecked(shown);
    ui->video->update();
}

QStringList PlayerWidget::statisticsLines() const
{
    QStringList lines;
    lines << tr("Resolution: %1 × %2").arg(m_videoSize.width()).arg(m_videoSize.height());
    lines << tr("Codec: %1").arg(m_codecName.isEmpty() ? tr("unknown") : m_codecName);
    if (m_statistics.hasRates()) {
        lines << tr("Pictures per second: %1").arg(m_statistics.picturesPerSecond(), 0, 'f', 1);
        lines << tr("Bitrate: %1 kbit/s").arg(qRound64(m_statistics.bitsPerSecond() / 1000));
    } else {
        lines << tr("Pictures per second: -") << tr("Bitrate: -");
    }
    lines << tr("Dropped pictures: %1").arg(m_statistics.dropped());
    const qint64 since = m_statistics.sinceLastPicture(m_clock.elapsed());
    lines << (since < 0 ? tr("Last picture: none yet")
                        : tr("Last picture: %1 s ago").arg(since / 1000.0, 0, 'f', 1));
    if (zoom().isZoomed())
        lines << tr("Zoom: %1×").arg(zoom().zoom(), 0, 'f', 1);
    return lines;
}

// The camera's name as the window shows it; the layer names it after the
// camera, a host may not.
QString PlayerWidget::cameraName() const
{
    const QString title = (parentWidget() ? parentWidget() : this)->windowTitle();
    if (!title.isEmpty() && title != m_defaultTitle)
        return title;
    return QUrl(m_camAddress, QUrl::TolerantMode).host();
}

bool PlayerWidget::saveStill()
{
    if (m_isBeward || !m_frames)
        return false;
    switch (m_stills->save(m_frames->shownFrame(), cameraName())) {
    case StillCapture::Start::Started:
        return true;
    case StillCapture::Start::Busy: {
        const QString text = tr("Still not saved: earlier stills are still being written");
        m_stills->showNotice(text, true);
        qWarning().noquote() << "PlayerWidget:" << text;
        return false;
    }
    case StillCapture::Start::NothingShown:
        break;
    }
    return false;
}
