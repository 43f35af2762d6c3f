#ifndef FRAMECONVERTER_H
#define FRAMECONVERTER_H

#include "player/ffmpegptr.h"

#include <QSize>

extern "C" {
#include <libavutil/pixfmt.h>
}

class QImage;

/*
 * Turns decoded pictures into 24-bit RGB of one fixed size. The RGB buffer is
 * made once; the scaling context is kept and rebuilt only when the source
 * changes, so a steady stream costs one conversion per picture.
 */
class FrameConverter
{
public:
    explicit FrameConverter(const QSize &size);
    ~FrameConverter();
    FrameConverter(const FrameConverter &) = delete;
    FrameConverter &operator=(const FrameConverter &) = delete;

    QSize size() const { return m_size; }

    // Rows of RGB written, or -1 when no scaling context could be made.
    int convert(const AVFrame *frame);

    // Copies the first `rows` converted rows into an RGB888 image of size().
    void copyRows(QImage *image, int rows) const;

    // The full-range (JPEG) YUV formats map to their standard counterparts;
    // the range is then given to the scaler separately.
    static AVPixelFormat standardPixelFormat(AVPixelFormat format);
    static bool isFullRangeFormat(AVPixelFormat format);

private:
    struct Source
    {
        int width = 0;
        int height = 0;
        AVPixelFormat format = AV_PIX_FMT_NONE;
        bool fullRange = false;

        bool operator==(const Source &other) const
        {
            return width == other.width && height == other.height && format == other.format
                && fullRange == other.fullRange;
        }
    };

    void setSourceRange(bool fullRange);

    QSize m_size;
    FFmpeg::BufferPtr m_buffer;
    uint8_t *m_data[4] = {};
    int m_lineSizes[4] = {};
    FFmpeg::ScaleContextPtr m_context;
    Source m_source;
};

#endif // FRAMECONVERTER_H
