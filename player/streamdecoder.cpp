#include "player/streamdecoder.h"

#include "player/avdictionary.h"
#include "player/frameconverter.h"
#include "player/framehandover.h"
#include "player/restartpolicy.h"
#include "player/streamaddress.h"

#include <QThread>

#include <chrono>

namespace {

const QSize FallbackVideoSize(640, 480);

qint64 monotonicMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The time between two pictures as the stream tells it; 0 when unknown.
int frameIntervalMs(AVFormatContext *input, AVStream *stream)
{
    const AVRational rate = av_guess_frame_rate(input, stream, nullptr);
    if (rate.num <= 0 || rate.den <= 0)
        return 0;
    return int(qBound<qint64>(1, qint64(rate.den) * 1000 / rate.num, 1000));
}

} // namespace

struct StreamDecoder::Stream
{
    FFmpeg::FormatContextPtr input;
    FFmpeg::CodecContextPtr decoder;
    int videoStreamIndex = 0;
    QSize videoSize;
};

StreamDecoder::Listener::~Listener() = default;

StreamDecoder::StreamDecoder(const QString &address, bool useTcp, const PlayerOptions &options,
                             std::shared_ptr<FrameHandOver> frames, Listener *listener)
    : m_address(address)
    , m_useTcp(useTcp)
    , m_options(options)
    , m_frames(std::move(frames))
    , m_listener(listener)
{ }

StreamDecoder::~StreamDecoder() = default;

void StreamDecoder::setDeadlines(qint64 openMs, qint64 noPacketMs)
{
    m_openDeadlineMs = openMs;
    m_noPacketTimeoutMs = noPacketMs;
}

QString StreamDecoder::openError() const
{
    std::lock_guard<std::mutex> locker(m_resultMutex);
    return m_openError;
}

QSize StreamDecoder::videoSize() const
{
    std::lock_guard<std::mutex> locker(m_resultMutex);
    return m_videoSize;
}

QString StreamDecoder::codecName() const
{
    std::lock_guard<std::mutex> locker(m_resultMutex);
    return m_codecName;
}

void StreamDecoder::setResult(const QString &error, const QSize &size)
{
    std::lock_guard<std::mutex> locker(m_resultMutex);
    m_openError = error;
    if (size.isValid())
        m_videoSize = size;
}

StreamDecoder::Outcome StreamDecoder::run()
{
    const StreamAddress address = StreamAddress::check(m_address);
    if (!address.isAllowed()) {
        setResult(address.reason(), QSize());
        m_frames->reset(QSize());
        return Outcome::OpenRefused;
    }

    Stream stream;
    QString error;
    m_openTimedOut = false;
    m_phaseStartMs = monotonicMs();
    m_phase = Opening;
    try {
        error = open(address, &stream);
    } catch (...) {
        error = tr("initFFMpeg exception");
    }
    if (!error.isEmpty() && m_openTimedOut)
        error = tr("no answer from the camera");
    setResult(error, stream.videoSize);

    Outcome outcome = Outcome::Stopped;
    if (m_stop || m_abort) {
        outcome = Outcome::Stopped;
    } else if (!error.isEmpty()) {
        m_frames->reset(QSize());
        outcome = Outcome::OpenFailed;
    } else {
        m_decodeSize = stream.videoSize;
        const QSize target = m_frames->targetSize();
        m_frames->reset(target.isEmpty() ? stream.videoSize : target);
        m_listener->streamOpened();
        outcome = decode(&stream);
    }
    // A stop may come while the stream closes: the closing is cut short only
    // by an abort.
    m_phase = Closing;
    stream.decoder.reset();
    stream.input.reset();
    m_phase = Idle;
    return outcome;
}

// Opens the input and the decoder of its first video stream; returns why
// that failed, or an empty text.
QString StreamDecoder::open(const StreamAddress &address, Stream *stream)
{
    AVFormatContext *input = avformat_alloc_context();
    if (!input)
        return tr("avformat_open_input error");
    input->interrupt_callback.callback = &StreamDecoder::interruptCallback;
    input->interrupt_callback.opaque = this;

    AvDictionary options;
    if (m_useTcp)
        options.set("rtsp_transport", "tcp");
    options.set("protocol_whitelist", address.protocolWhitelist().constData());
    const QByteArray name = address.openName();
    const QByteArray scheme =
        address.kind() == StreamAddress::Network ? name.left(name.indexOf(':')) : QByteArray();
    for (const PlayerOptions::Option &option : m_options.inputOptions(scheme))
        options.set(option.first.constData(), option.second.constData());
    // On failure the library frees the context and clears the pointer.
    const int opened = avformat_open_input(&input, name.constData(), nullptr, options.address());
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
    {
        std::lock_guard<std::mutex> locker(m_resultMutex);
        m_codecName = QString::fromLatin1(codec->name);
    }

    stream->decoder.reset(avcodec_alloc_context3(codec));
    if (!stream->decoder
        || avcodec_parameters_to_context(stream->decoder.get(), video->codecpar) < 0) {
        return tr("avcodec_open2 error");
    }
    stream->decoder->pkt_timebase = video->time_base;

    AvDictionary decoderOptions;
    decoderOptions.set("threads", "auto");
    const int interval = frameIntervalMs(input, video);
    for (const PlayerOptions::Option &option :
         m_options.decoderOptions(interval, QThread::idealThreadCount())) {
        decoderOptions.set(option.first.constData(), option.second.constData());
    }
#ifdef __SANITIZE_THREAD__
    // FFmpeg's frame threads hand pictures over through atomics of the
    // uninstrumented library; decoding on the calling thread keeps the
    // sanitizer's reports about our own code.
    decoderOptions.set("threads", "1");
#endif
    decoderOptions.set("refcounted_frames", "1");
    if (avcodec_open2(stream->decoder.get(), codec, decoderOptions.address()) < 0)
        return tr("avcodec_open2 error");

    video->discard = AVDISCARD_DEFAULT;
    av_read_play(input);
    return QString();
}

StreamDecoder::Outcome StreamDecoder::decode(Stream *stream)
{
    AVFormatContext *input = stream->input.get();
    AVCodecContext *decoder = stream->decoder.get();
    FrameConverter converter;
    FFmpeg::FramePtr frame(av_frame_alloc());
    FFmpeg::PacketPtr packet(av_packet_alloc());
    if (!frame || !packet)
        return Outcome::Broken;

    // The opening's time is not the stream's fault.
    m_lastPacketMs = monotonicMs();
    m_watchdogFired = false;
    m_phase = Decoding;
    while (!m_stop) {
        if (av_read_frame(input, packet.get()) < 0) {
            // Once the player is going away, a failed read is only the end.
            if (m_stop || m_abort)
                return Outcome::Stopped;
            m_listener->streamWarning(QT_TRANSLATE_NOOP("PlayerWidget", "Error reading frame"));
            return Outcome::StreamLost;
        }
        m_lastPacketMs = monotonicMs();
        m_frames->countBytes(packet->size);
        bool keepGoing = true;
        if (packet->stream_index == stream->videoStreamIndex)
            keepGoing = decodePacket(decoder, packet.get(), frame.get(), &converter);
        av_packet_unref(packet.get());
        if (!keepGoing)
            return Outcome::Broken;
    }
    return Outcome::Stopped;
}

// Feeds one packet to the decoder and delivers the pictures it gives out.
// A packet the decoder refuses is skipped. Returns false when decoding has
// to stop for good.
bool StreamDecoder::decodePacket(AVCodecContext *decoder, AVPacket *packet, AVFrame *frame,
                                 FrameConverter *converter)
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

bool StreamDecoder::receivePictures(AVCodecContext *decoder, AVFrame *frame,
                                    FrameConverter *converter)
{
    while (avcodec_receive_frame(decoder, frame) == 0) {
        const bool delivered = deliverPicture(frame, converter);
        av_frame_unref(frame);
        if (!delivered)
            return false;
    }
    return true;
}

// Converts straight to the size the picture is shown at, or to the
// stream's own size while nothing shows it.
bool StreamDecoder::deliverPicture(AVFrame *frame, FrameConverter *converter)
{
    const QSize target = m_frames->targetSize();
    const FrameHandOver::Delivery delivery = m_frames->deliver(
        target.isEmpty() ? m_decodeSize : target,
        [converter, frame](QImage *image) { return converter->convert(frame, image); });
    if (delivery == FrameHandOver::Delivery::Failed) {
        m_listener->streamWarning(
            QT_TRANSLATE_NOOP("PlayerWidget", "Error initialization the conversion context"));
        return false;
    }
    if (delivery == FrameHandOver::Delivery::Shown) {
        // Kept for a still at full size; the frame is left empty.
        m_frames->keep(frame);
        m_listener->newPicture();
    }
    return true;
}

int StreamDecoder::interruptCallback(void *opaque)
{
    auto *decoder = static_cast<StreamDecoder *>(opaque);
    return decoder && decoder->interruptRequested() ? 1 : 0;
}

bool StreamDecoder::interruptRequested()
{
    if (m_abort)
        return true;
    const int phase = m_phase;
    const qint64 now = monotonicMs();
    if (phase == Opening) {
        if (m_stop)
            return true;
        if (RestartPolicy::openOverdue(m_phaseStartMs, now, m_openDeadlineMs)) {
            m_openTimedOut = true;
            return true;
        }
        return false;
    }
    if (phase != Decoding)
        return false;
    // An interrupted read may first hand out a buffered packet; keep
    // interrupting until the read has failed.
    if (m_watchdogFired)
        return true;
    if (now - m_lastPacketMs <= m_noPacketTimeoutMs)
        return false;
    if (m_watchdogFired.exchange(true))
        return true;
    m_listener->streamWarning(QT_TRANSLATE_NOOP("PlayerWidget", "No frame in 10 sec"));
    return true;
}
