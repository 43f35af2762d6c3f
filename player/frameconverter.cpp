#include "frameconverter.h"

#include <QImage>

#include <cstring>

extern "C" {
#include <libavutil/imgutils.h>
}

namespace {
constexpr int BufferAlignment = 32;
// Some SIMD converters write a little past the last row.
constexpr int BufferPadding = 64;
} // namespace

FrameConverter::FrameConverter(const QSize &size)
    : m_size(size)
{
    const int bytes =
        av_image_get_buffer_size(AV_PIX_FMT_RGB24, size.width(), size.height(), BufferAlignment);
    if (bytes <= 0)
        return;
    m_buffer.reset(static_cast<uint8_t *>(av_malloc(size_t(bytes) + BufferPadding)));
    if (m_buffer) {
        av_image_fill_arrays(m_data, m_lineSizes, m_buffer.get(), AV_PIX_FMT_RGB24, size.width(),
            size.height(), BufferAlignment);
    }
}

FrameConverter::~FrameConverter() = default;

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

int FrameConverter::convert(const AVFrame *frame)
{
    if (!m_buffer)
        return -1;

    const auto decodedFormat = static_cast<AVPixelFormat>(frame->format);
    Source source;
    source.width = frame->width;
    source.height = frame->height;
    source.format = standardPixelFormat(decodedFormat);
    source.fullRange = isFullRangeFormat(decodedFormat) || frame->color_range == AVCOL_RANGE_JPEG;

    // Scaling from the picture's own size keeps a stream whose parameters
    // gave no size (and so plays at the fallback size) from being over-read.
    m_context.reset(sws_getCachedContext(m_context.release(), source.width, source.height,
        source.format, m_size.width(), m_size.height(), AV_PIX_FMT_RGB24, SWS_BICUBIC, nullptr,
        nullptr, nullptr));
    if (!m_context) {
        m_source = Source();
        return -1;
    }
    if (!(source == m_source)) {
        m_source = source;
        setSourceRange(source.fullRange);
    }
    return sws_scale(
        m_context.get(), frame->data, frame->linesize, 0, frame->height, m_data, m_lineSizes);
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

void FrameConverter::copyRows(QImage *image, int rows) const
{
    if (!m_buffer || image->format() != QImage::Format_RGB888 || image->size() != m_size)
        return;
    const size_t rowBytes = size_t(m_size.width()) * 3;
    const int count = qMin(rows, m_size.height());
    for (int y = 0; y < count; ++y)
        std::memcpy(image->scanLine(y), m_data[0] + ptrdiff_t(y) * m_lineSizes[0], rowBytes);
}
