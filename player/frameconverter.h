#ifndef FRAMECONVERTER_H
#define FRAMECONVERTER_H

#include "player/ffmpegptr.h"

#include <QSize>

extern "C" {
#include <libavutil/pixfmt.h>
}

class QImage;

/*
 * Turns decoded pictures into 32-bit RGB at the size they are shown, in one
 * pass: scaling and colour conversion together cost less than a full-size
 * conversion followed by scaling when painting. The scaling context is kept
 * and rebuilt only when the source or the size changes.
 */
class FrameConverter
{
public:
    FrameConverter() = default;
    FrameConverter(const FrameConverter &) = delete;
    FrameConverter &operator=(const FrameConverter &) = delete;

    // Converts `frame` into `image` (Format_RGB32, any size). False when no
    // scaling context could be made for them.
    bool convert(const AVFrame *frame, QImage *image);

    // The full-range (JPEG) YUV formats map to their standard counterparts;
    // the range is then given to the scaler separately.
    static AVPixelFormat standardPixelFormat(AVPixelFormat format);
    static bool isFullRangeFormat(AVPixelFormat format);
    // Fast area-averaging when shrinking (the usual case on a video wall),
    // smooth interpolation when enlarging.
    static int scalingFlags(const QSize &from, const QSize &to);

private:
    struct Setup
    {
        int width = 0;
        int height = 0;
        AVPixelFormat format = AV_PIX_FMT_NONE;
        bool fullRange = false;
        QSize target;

        bool operator==(const Setup &other) const
        {
            return width == other.width && height == other.height && format == other.format
                && fullRange == other.fullRange && target == other.target;
        }
    };

    void setSourceRange(bool fullRange);

    FFmpeg::ScaleContextPtr m_context;
    Setup m_setup;
};

#endif // FRAMECONVERTER_H
