#include "playerwidget.h"
#include "ui_playerwidget.h"

#include "player/annotatedmutexlocker.h"
#include "player/avdictionary.h"
#include "player/bewardview.h"
#include "player/bewardviewfactory.h"
#include "player/frameconverter.h"
#include "player/proxysocket.h"
#include "player/threadsanitizer.h"

#include <QCloseEvent>
#include <QDebug>
#include <QDockWidget>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QGraphicsWidget>
#include <QKeyEvent>
#include <QLabel>
#include <QNetworkProxy>
#include <QPainter>
#include <QTimer>
#include <QUrl>
#include <QtConcurrent>

#include <chrono>

namespace {

constexpr int NoFrameTimeoutMs = 10000;
constexpr int StopGraceMs = 3000;
const QSize FallbackVideoSize(640, 480);
const QSize BewardVideoSize(640, 480);

#ifdef __SANITIZE_THREAD__
// FFmpeg's frame threads hand pictures over through atomics of the
// uninstrumented library; decoding on the calling thread keeps the
// sanitizer's reports about our own code.
constexpr char DecoderThreads[] = "1";
#else
constexpr char DecoderThreads[] = "auto";
#endif

qint64 monotonicMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

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

} // namespace

struct PlayerWidget::OpenedStream
{
    FFmpeg::FormatContextPtr input;
    FFmpeg::CodecContextPtr decoder;
    int videoStreamIndex = 0;
    QSize videoSize;
};

PlayerWidget::PlayerWidget(
    QWidget *parent, const QString &camAddress, bool useTcp, const QString &playerOptions)
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
        startOpening();

    const QString title = tr("Camera %1").arg(url.toString(QUrl::RemoveUserInfo));
    (parentWidget() ? parentWidget() : this)->setWindowTitle(title);

    connect(this, &PlayerWidget::warning, this, &PlayerWidget::printWarning);
    connect(this, &PlayerWidget::restartFFmpeg, this, &PlayerWidget::restartingFFmpeg);
}

PlayerWidget::~PlayerWidget()
{
    m_destroying = true;
    // The grace loop in stopDecoding() delivers deletions that were pending
    // outside any event loop: neither this player nor a parent window going
    // that way may delete it a second time.
    QCoreApplication::removePostedEvents(this, QEvent::DeferredDelete);
    if (parent())
        setParent(nullptr);
    if (!m_isBeward)
        stopDecoding();
    // Children go after this, in QWidget's destructor, and a detector
    // client on the map is one of them; what they emit as they go must not
    // reach this part of the player any more.
    for (QObject *child : children())
        child->disconnect(this);
}

void PlayerWidget::stopDecoding()
{
    ui->video->removeEventFilter(this);
    m_stopSemaphore.release(1);

    if (!m_initFuture.isFinished()) {
        m_stopping = true;
        m_initFuture.waitForFinished();
    }
    ThreadSanitizer::acquire(this);

    // A loop between two packets ends by itself; give it the time to do so
    // before its blocked read is cut short.
    if (!m_decodeFuture.isFinished()) {
        QEventLoop grace(this);
        QTimer::singleShot(StopGraceMs, &grace, &QEventLoop::quit);
        grace.exec(QEventLoop::WaitForMoreEvents);
    }
    if (!m_decodeFuture.isFinished())
        m_aborting = true;
    m_decodeFuture.waitForFinished();
    ThreadSanitizer::acquire(this);

    closeFFmpeg();
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
    {
        std::lock_guard<std::mutex> locker(m_contextMutex);
        m_videoSize = BewardVideoSize;
    }
    resize(BewardVideoSize);
    m_aspectPercent = 100;
    view->startView();
}

void PlayerWidget::startOpening()
{
    auto *watcher = new QFutureWatcher<void>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, &PlayerWidget::playerInitComplete);
    connect(watcher, &QFutureWatcherBase::finished, watcher, &QObject::deleteLater);
    ThreadSanitizer::release(this);
    m_initFuture = QtConcurrent::run(this, &PlayerWidget::initFFMpeg);
    watcher->setFuture(m_initFuture);
}

void PlayerWidget::restartingFFmpeg()
{
    // A restart queued by a loop that ended while the player was going away.
    if (m_destroying)
        return;
    startOpening();
}

void PlayerWidget::initFFMpeg()
{
    ThreadSanitizer::acquire(this);
    if (m_isBeward)
        return;

    OpenedStream stream;
    QString error;
    try {
        error = openStream(&stream);
    } catch (...) {
        error = tr("initFFMpeg exception");
    }

    {
        std::lock_guard<std::mutex> locker(m_contextMutex);
        m_initError = error;
        if (stream.videoSize.isValid())
            m_videoSize = stream.videoSize;
        if (error.isEmpty()) {
            m_formatContext = std::move(stream.input);
            m_codecContext = std::move(stream.decoder);
            m_videoStreamIndex = stream.videoStreamIndex;
        }
    }

    {
        AnnotatedMutexLocker locker(&m_frameLock);
        if (error.isEmpty()) {
            m_frameImage = QImage(stream.videoSize, QImage::Format_RGB888);
            m_frameImage.fill(Qt::black);
            m_infoText = tr("Waiting for first frame ...");
        } else {
            m_frameImage = QImage();
        }
    }
    ThreadSanitizer::release(this);
}

// Opens the input and the decoder of its first video stream; returns why
// that failed, or an empty text. A failed opening closes what it had opened.
QString PlayerWidget::openStream(OpenedStream *stream)
{
    AVFormatContext *input = avformat_alloc_context();
    if (!input)
        return tr("avformat_open_input error");
    input->interrupt_callback.callback = &PlayerWidget::noFrameWatchdog;
    input->interrupt_callback.opaque = this;

    AvDictionary options;
    if (m_useTcp)
        options.set("rtsp_transport", "tcp");
    const QByteArray address = m_camAddress.toLocal8Bit();
    // On failure the library frees the context and clears the pointer.
    const int opened = avformat_open_input(
        &input, address.constData(), nullptr, options.isEmpty() ? nullptr : options.address());
    if (opened != 0) {
        char text[64] = {};
        av_strerror(opened, text, sizeof text);
        return text[0] ? QString::fromUtf8(text) : tr("avformat_open_input error");
    }
    stream->input.reset(input);

    if (avformat_find_stream_info(input, nullptr) < 0)
        return tr("avformat_find_stream_info error");

    AVStream *video = nullptr;
    for (unsigned i = 0; i < input->nb_streams && !video; ++i) {
        if (input->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            video = input->streams[i];
    }
    if (!video)
        return tr("No video stream in the source");

    video->discard = AVDISCARD_ALL;
    stream->videoStreamIndex = video->index;
    stream->videoSize = QSize(video->codecpar->width, video->codecpar->height);
    if (stream->videoSize.isEmpty())
        stream->videoSize = FallbackVideoSize;

    const AVCodec *codec = avcodec_find_decoder(video->codecpar->codec_id);
    if (!codec)
        return tr("avcodec_find_decoder error");

    stream->decoder.reset(avcodec_alloc_context3(codec));
    if (!stream->decoder
        || avcodec_parameters_to_context(stream->decoder.get(), video->codecpar) < 0) {
        return tr("avcodec_open2 error");
    }
    stream->decoder->pkt_timebase = video->time_base;

    AvDictionary decoderOptions;
    decoderOptions.set("threads", DecoderThreads);
    decoderOptions.set("refcounted_frames", "1");
    if (avcodec_open2(stream->decoder.get(), codec, decoderOptions.address()) < 0)
        return tr("avcodec_open2 error");

    video->discard = AVDISCARD_DEFAULT;
    av_read_play(input);
    return QString();
}

void PlayerWidget::decodeLoop()
{
    ThreadSanitizer::acquire(this);
    AVFormatContext *input = nullptr;
    AVCodecContext *decoder = nullptr;
    int streamIndex = 0;
    QSize size;
    {
        // Nothing else touches the contexts while the loop runs: a new
        // opening starts only after the loop has closed them.
        std::lock_guard<std::mutex> locker(m_contextMutex);
        input = m_formatContext.get();
        decoder = m_codecContext.get();
        streamIndex = m_videoStreamIndex;
        size = m_videoSize;
    }
    if (!input || !decoder) {
        ThreadSanitizer::release(this);
        return;
    }

    // A reopening may have taken long; its time is not the stream's fault.
    restartPacketClock();
    m_watchdogFired = false;
    m_decoding = true;

    bool restart = false;
    {
        FrameConverter converter(size);
        FFmpeg::FramePtr frame(av_frame_alloc());
        FFmpeg::PacketPtr packet(av_packet_alloc());

        if (frame && packet && !m_stopSemaphore.tryAcquire(1)) {
            forever {
                if (av_read_frame(input, packet.get()) < 0) {
                    postWarning(QT_TR_NOOP("Error reading frame"));
                    restart = true;
                    break;
                }
                restartPacketClock();
                bool keepGoing = true;
                if (packet->stream_index == streamIndex)
                    keepGoing = decodePacket(decoder, packet.get(), frame.get(), &converter);
                av_packet_unref(packet.get());
                if (!keepGoing || m_stopSemaphore.tryAcquire(1))
                    break;
            }
        }
    }
    m_decoding = false;

    // Once the player is going away, a failed read is only the end.
    restart = restart && !m_stopping && !m_aborting && m_stopSemaphore.available() == 0;
    if (restart) {
        postWarning(QT_TR_NOOP("Restarting player"));
        closeFFmpeg();
    }
    ThreadSanitizer::release(this);
    if (restart) {
        ThreadSanitizer::UnseenScope unseen;
        emit restartFFmpeg();
    }
}

// Signals from the pool threads reach the GUI thread through Qt's event
// queue, out of the sanitizer's sight.
void PlayerWidget::postWarning(const char *text)
{
    ThreadSanitizer::UnseenScope unseen;
    emit warning(tr(text));
}

// Feeds one packet to the decoder and delivers the pictures it gives out.
// A packet the decoder refuses is skipped. Returns false when decoding has
// to stop for good.
bool PlayerWidget::decodePacket(
    AVCodecContext *decoder, AVPacket *packet, AVFrame *frame, FrameConverter *converter)
{
    if (avcodec_send_packet(decoder, packet) == AVERROR(EAGAIN)) {
        // The decoder is full: take out what it holds, then offer the packet
        // once more.
        if (!receivePictures(decoder, frame, converter))
            return false;
        avcodec_send_packet(decoder, packet);
    }
    return receivePictures(decoder, frame, converter);
}

bool PlayerWidget::receivePictures(
    AVCodecContext *decoder, AVFrame *frame, FrameConverter *converter)
{
    while (avcodec_receive_frame(decoder, frame) == 0) {
        const bool delivered = deliverPicture(frame, converter);
        av_frame_unref(frame);
        if (!delivered)
            return false;
    }
    return true;
}

bool PlayerWidget::deliverPicture(const AVFrame *frame, FrameConverter *converter)
{
    const int rows = converter->convert(frame);
    if (rows < 0) {
        postWarning(QT_TR_NOOP("Error initialization the conversion context"));
        return false;
    }
    if (rows == 0)
        return true;

    // Never wait for the painter: a picture that arrives while the last one
    // is being drawn is dropped.
    AnnotatedMutexLocker locker(&m_frameLock, 0);
    if (!locker.isLocked())
        return true;
    converter->copyRows(&m_frameImage, rows);
    m_warningText.clear();
    m_infoText.clear();
    locker.unlock();
    ThreadSanitizer::UnseenScope unseen;
    emit newFrame();
    return true;
}

void PlayerWidget::closeFFmpeg()
{
    FFmpeg::CodecContextPtr decoder;
    FFmpeg::FormatContextPtr input;
    {
        std::lock_guard<std::mutex> locker(m_contextMutex);
        decoder = std::move(m_codecContext);
        input = std::move(m_formatContext);
    }
    try {
        decoder.reset();
        input.reset();
    } catch (...) { }
}

void PlayerWidget::restartPacketClock()
{
    m_lastPacketTime = monotonicMs();
}

int PlayerWidget::noFrameWatchdog(void *opaque)
{
    auto *player = static_cast<PlayerWidget *>(opaque);
    return player && player->interruptRequested() ? 1 : 0;
}

bool PlayerWidget::interruptRequested()
{
    if (m_stopping || m_aborting)
        return true;
    // An opening is never cut short by the watchdog.
    if (!m_decoding)
        return false;
    // An interrupted read may first hand out a buffered packet; keep
    // interrupting until the read has failed and the loop has ended.
    if (m_watchdogFired)
        return true;
    const qint64 now = monotonicMs();
    if (now - m_lastPacketTime <= NoFrameTimeoutMs)
        return false;
    if (m_watchdogFired.exchange(true))
        return true;
    m_lastPacketTime = now;
    postWarning(QT_TR_NOOP("No frame in 10 sec"));
    return true;
}

void PlayerWidget::playerInitComplete()
{
    // An opening that ends while the player is going away starts nothing.
    if (m_destroying)
        return;
    ThreadSanitizer::acquire(this);

    if (m_isBeward) {
        ui->stackedWidget->setCurrentIndex(2);
        setupBewardView();
        return;
    }

    QString error;
    QSize size;
    bool opened = false;
    {
        std::lock_guard<std::mutex> locker(m_contextMutex);
        error = m_initError;
        size = m_videoSize;
        opened = m_formatContext && m_codecContext;
    }
    bool noPicture = false;
    {
        AnnotatedMutexLocker locker(&m_frameLock);
        noPicture = m_frameImage.isNull();
    }

    if (noPicture && !error.isEmpty()) {
        ui->label_2->setText(tr("Error ffmpeg initialization: ") + error);
        ui->progressBar->hide();
        ui->stackedWidget->setCurrentIndex(1);
        return;
    }
    if (!opened)
        return;

    ui->stackedWidget->setCurrentIndex(0);
    m_aspectPercent = qMax(1, size.width() * 100 / size.height());
    ui->video->installEventFilter(this);
    updateVideoRect();
    ThreadSanitizer::release(this);
    m_decodeFuture = QtConcurrent::run(this, &PlayerWidget::decodeLoop);
    connect(this, &PlayerWidget::newFrame, this, QOverload<>::of(&QWidget::update),
        Qt::UniqueConnection);
    setFocusPolicy(Qt::StrongFocus);
    if (auto *dock = qobject_cast<QDockWidget *>(parentWidget())) {
        connect(dock, &QDockWidget::topLevelChanged, this, &PlayerWidget::parentDockChanged,
            Qt::UniqueConnection);
    }
}

void PlayerWidget::parentDockChanged()
{
    updateVideoRect();
}

// Fits the picture into the video frame with its aspect ratio kept, centred
// in the direction where space is left.
void PlayerWidget::updateVideoRect()
{
    // The picture is painted on the video frame, so it is placed in the
    // frame's own coordinates; its geometry in the page would shift it by the
    // page's margin and cut off its far edges.
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
    if (resized)
        emit overlaySizeChanged(r.size());
}

bool PlayerWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->video && event->type() == QEvent::Paint) {
        paintVideo();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void PlayerWidget::paintVideo()
{
    QPainter painter(ui->video);
    QString warningText;
    QString infoText;
    {
        AnnotatedMutexLocker locker(&m_frameLock);
        painter.drawImage(m_videoRect, m_frameImage);
        warningText = m_warningText;
        infoText = m_infoText;
    }
    if (!m_overlayPixmap.isNull())
        painter.drawPixmap(m_videoRect, m_overlayPixmap);
    drawTextBand(&painter, warningText, Qt::red);
    drawTextBand(&painter, infoText, Qt::green);
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
    {
        AnnotatedMutexLocker locker(&m_frameLock);
        m_warningText = text;
        m_infoText.clear();
    }
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
        const QSize size = videoSize() * qreal(percent) / 100.0;
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

QSize PlayerWidget::videoSize() const
{
    std::lock_guard<std::mutex> locker(m_contextMutex);
    return m_videoSize;
}

QString PlayerWidget::initError() const
{
    std::lock_guard<std::mutex> locker(m_contextMutex);
    return m_initError;
}

QImage PlayerWidget::currentFrame() const
{
    AnnotatedMutexLocker locker(&m_frameLock);
    return m_frameImage.copy();
}

QString PlayerWidget::warningText() const
{
    AnnotatedMutexLocker locker(&m_frameLock);
    return m_warningText;
}

QString PlayerWidget::infoText() const
{
    AnnotatedMutexLocker locker(&m_frameLock);
    return m_infoText;
}
