#include "frameconverter.h"

#include <QImage>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

namespace {

// The planes' rows start on 64-byte boundaries and a spare block follows
// them: the scaler's vector code reads whole blocks.
constexpr int PlaneAlignment = 64;
constexpr int PlanePadding = 64;

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
        | AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_FLOAT | AV_PIX_FMT_FLAG_BAYER;
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
    m_context.reset(sws_getCachedContext(m_context.release(), from.width(), from.height(),
        scaledFirst ? AV_PIX_FMT_YUV420P : setup.format, setup.target.width(),
        setup.target.height(), AV_PIX_FMT_RGB32, scalingFlags(from, setup.target), nullptr,
        nullptr, nullptr));
    if (!m_context) {
        m_setup = Setup();
        return false;
    }
    // A changed setup may have brought a new context with the default range.
    if (!(setup == m_setup)) {
        m_setup = setup;
        setSourceRange(setup.fullRange);
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
    m_planeContext.reset(sws_getCachedContext(m_planeContext.release(), setup.width,
        setup.height, setup.format, width, height, AV_PIX_FMT_YUV420P,
        scalingFlags(QSize(setup.width, setup.height), setup.target), nullptr, nullptr,
        nullptr));
    return m_planeContext
        && sws_scale(m_planeContext.get(), frame->data, frame->linesize, 0, frame->height,
               m_planes, m_planeStrides)
        > 0;
}

void FrameConverter::setSourceRange(bool fullRange)
{
    int *inverseTable = nullptr;
    int *table = nullptr;
    int sourceRange = 0;
    int destinationRange = 0;
    int brightness = 0;
    int contrast = 0;
    int saturation = 0;
    if (sws_getColorspaceDetails(m_context.get(), &inverseTable, &sourceRange, &table,
            &destinationRange, &brightness, &contrast, &saturation)
        < 0) {
        return;
    }
    sws_setColorspaceDetails(m_context.get(), inverseTable, fullRange ? 1 : 0, table,
        destinationRange, brightness, contrast, saturation);
}
