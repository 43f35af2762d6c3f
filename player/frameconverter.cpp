#include "frameconverter.h"

#include <QImage>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

namespace {

// The planes' rows start on 64-byte boundaries and a spare block follows
// them: the scaler's vector code reads whole blocks.
constexpr int PlaneAlignment = 64;
constexpr int PlanePadding = 64;
constexpr int CacheLine = 64;

} // namespace

AVPixelFormat FrameConverter::standardPixelFormat(AVPixelFormat format)
{
    switch (format) {
    case AV_PIX_FMT_YUVJ420P:
        return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P:
        return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P:
        return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P:
        return AV_PIX_FMT_YUV440P;
    default:
        return format;
    }
}

bool FrameConverter::isFullRangeFormat(AVPixelFormat format)
{
    return standardPixelFormat(format) != format;
}

int FrameConverter::scalingFlags(const QSize &from, const QSize &to)
{
    if (from == to)
        return SWS_POINT;
    if (to.width() <= from.width() && to.height() <= from.height())
        return SWS_FAST_BILINEAR;
    return SWS_BICUBIC;
}

bool FrameConverter::isScalableYuv(AVPixelFormat format)
{
    const AVPixFmtDescriptor *descriptor = av_pix_fmt_desc_get(format);
    if (!descriptor || descriptor->nb_components < 3 || descriptor->comp[0].depth != 8)
        return false;
    const auto excluded = AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_HWACCEL
                          | AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_FLOAT
                          | AV_PIX_FMT_FLAG_BAYER;
    return (descriptor->flags & excluded) == 0 && (descriptor->flags & AV_PIX_FMT_FLAG_PLANAR);
}

bool FrameConverter::convert(const AVFrame *frame, QImage *image)
{
    if (!image || image->isNull() || image->format() != QImage::Format_RGB32)
        return false;
    const auto decodedFormat = static_cast<AVPixelFormat>(frame->format);
    Setup setup;
    setup.width = frame->width;
    setup.height = frame->height;
    setup.format = standardPixelFormat(decodedFormat);
    setup.fullRange = isFullRangeFormat(decodedFormat) || frame->color_range == AVCOL_RANGE_JPEG;
    setup.target = image->size();

    // Scaling from the picture's own size keeps a stream whose parameters
    // gave another size from being over-read.
    const QSize source(setup.width, setup.height);
    const bool scaledFirst = source != setup.target && isScalableYuv(setup.format);
    if (scaledFirst && !scalePlanes(frame, setup)) {
        m_setup = Setup();
        return false;
    }
    const QSize from = scaledFirst ? setup.target : source;
    // The range is given before the context is set up: set on a finished
    // context it was lost where the picture is scaled first, and full-range
    // pictures shown smaller came out grey.
    if (!m_context || !(setup == m_setup)) {
        m_setup = Setup();
        m_context.reset(makeContext(from, scaledFirst ? AV_PIX_FMT_YUV420P : setup.format,
                                    setup.target, setup.fullRange));
        if (!m_context)
            return false;
        m_setup = setup;
    }
    uint8_t *planes[4] = {image->bits(), nullptr, nullptr, nullptr};
    int strides[4] = {int(image->bytesPerLine()), 0, 0, 0};
    if (scaledFirst) {
        return sws_scale(m_context.get(), m_planes, m_planeStrides, 0, from.height(), planes,
                         strides)
               > 0;
    }
    return sws_scale(m_context.get(), frame->data, frame->linesize, 0, frame->height, planes,
                     strides)
           > 0;
}

// Scales the picture into the YUV buffer of the shown size; the range stays
// as it is, the colour conversion after it reads it.
bool FrameConverter::scalePlanes(const AVFrame *frame, const Setup &setup)
{
    const int width = setup.target.width();
    const int height = setup.target.height();
    if (m_planeSize != setup.target) {
        m_planeBuffer.reset();
        m_planeSize = QSize();
        const int bytes =
            av_image_get_buffer_size(AV_PIX_FMT_YUV420P, width, height, PlaneAlignment);
        if (bytes <= 0)
            return false;
        m_planeBuffer.reset(static_cast<uint8_t *>(av_malloc(size_t(bytes) + PlanePadding)));
        if (!m_planeBuffer
            || av_image_fill_arrays(m_planes, m_planeStrides, m_planeBuffer.get(),
                                    AV_PIX_FMT_YUV420P, width, height, PlaneAlignment)
                   < 0) {
            m_planeBuffer.reset();
            return false;
        }
        m_planeSize = setup.target;
    }
    // Shown smaller, only the source line nearest each shown line is read;
    // across the lines the filter still takes every pixel. Reading the
    // decoded picture from memory is most of what scaling costs, and scaling
    // most of what the player costs above decoding: a 1080-line picture in a
    // 270-line tile scales in a third less time than from every other line.
    const int step = qMax(1, setup.height / height);
    const int sourceHeight = setup.height / step;
    int strides[4] = {};
    for (int plane = 0; plane < 4; ++plane)
        strides[plane] = frame->linesize[plane] * step;
    prefetchLines(frame, setup, strides, sourceHeight);
    m_planeContext.reset(sws_getCachedContext(
        m_planeContext.release(), setup.width, sourceHeight, setup.format, width, height,
        AV_PIX_FMT_YUV420P, scalingFlags(QSize(setup.width, sourceHeight), setup.target), nullptr,
        nullptr, nullptr));
    return m_planeContext
           && sws_scale(m_planeContext.get(), frame->data, strides, 0, sourceHeight, m_planes,
                        m_planeStrides)
                  > 0;
}

// The picture was written by a decoding thread, often on another core, and
// is no longer in this one's cache: asking for all the lines the scaler will
// read before it starts, rather than as it goes, took a fifth off scaling.
void FrameConverter::prefetchLines(const AVFrame *frame, const Setup &setup, const int strides[4],
                                   int lines)
{
#if defined(__GNUC__)
    const AVPixFmtDescriptor *descriptor = av_pix_fmt_desc_get(setup.format);
    int lineBytes[4] = {};
    if (!descriptor || av_image_fill_linesizes(lineBytes, setup.format, setup.width) < 0)
        return;
    for (int plane = 0; plane < 4 && frame->data[plane]; ++plane) {
        const bool chroma = plane == 1 || plane == 2;
        const int planeLines = chroma ? AV_CEIL_RSHIFT(lines, descriptor->log2_chroma_h) : lines;
        const int bytes = qMin(lineBytes[plane], qAbs(strides[plane]));
        for (int line = 0; line < planeLines; ++line) {
            const uint8_t *start = frame->data[plane] + qptrdiff(line) * strides[plane];
            for (int offset = 0; offset < bytes; offset += CacheLine)
                __builtin_prefetch(start + offset);
        }
    }
#else
    Q_UNUSED(frame)
    Q_UNUSED(setup)
    Q_UNUSED(strides)
    Q_UNUSED(lines)
#endif
}

SwsContext *FrameConverter::makeContext(const QSize &from, AVPixelFormat format, const QSize &to,
                                        bool fullRange)
{
    SwsContext *context = sws_alloc_context();
    if (!context)
        return nullptr;
    const bool set = av_opt_set_int(context, "srcw", from.width(), 0) >= 0
                     && av_opt_set_int(context, "srch", from.height(), 0) >= 0
                     && av_opt_set_int(context, "src_format", format, 0) >= 0
                     && av_opt_set_int(context, "src_range", fullRange ? 1 : 0, 0) >= 0
                     && av_opt_set_int(context, "dstw", to.width(), 0) >= 0
                     && av_opt_set_int(context, "dsth", to.height(), 0) >= 0
                     && av_opt_set_int(context, "dst_format", AV_PIX_FMT_RGB32, 0) >= 0
                     && av_opt_set_int(context, "sws_flags", scalingFlags(from, to), 0) >= 0;
    if (!set || sws_init_context(context, nullptr, nullptr) < 0) {
        sws_freeContext(context);
        return nullptr;
    }
    return context;
}
