#include "frameconverter.h"

#include <QImage>

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
    m_context.reset(sws_getCachedContext(m_context.release(), setup.width, setup.height,
        setup.format, setup.target.width(), setup.target.height(), AV_PIX_FMT_RGB32,
        scalingFlags(source, setup.target), nullptr, nullptr, nullptr));
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
    return sws_scale(m_context.get(), frame->data, frame->linesize, 0, frame->height, planes,
               strides)
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
