#ifndef FRAMECONVERTER_H
#define FRAMECONVERTER_H

#include "player/ffmpegptr.h"

#include <QSize>

extern "C" {
#include <libavutil/pixfmt.h>
}

class QImage;

/*
 * Turns decoded pictures into 32-bit RGB at the size they are shown. A
 * picture shown at another size is first scaled in YUV into a buffer of the
 * shown size, and then converted: the scaler's RGB output while scaling
 * costs several times its vector-coded YUV scaling and same-size colour
 * conversion together (3 ms against 0.4-0.9 ms for a 1920x1080 picture shown
 * at 480x270). Contexts and the buffer are kept and made again only when the
 * source or the size changes.
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
    // 8-bit YUV with its chroma in planes of its own, or beside it (NV12):
    // what can be scaled as YUV first.
    static bool isScalableYuv(AVPixelFormat format);

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

    bool scalePlanes(const AVFrame *frame, const Setup &setup);
    static void prefetchLines(const AVFrame *frame, const Setup &setup, const int strides[4],
                              int lines);
    static SwsContext *makeContext(const QSize &from, AVPixelFormat format, const QSize &to,
                                   bool fullRange);

    FFmpeg::ScaleContextPtr m_context; // to RGB
    FFmpeg::ScaleContextPtr m_planeContext; // YUV to YUV at the shown size
    FFmpeg::BufferPtr m_planeBuffer;
    QSize m_planeSize;
    uint8_t *m_planes[4] = {};
    int m_planeStrides[4] = {};
    Setup m_setup;
};

#endif // FRAMECONVERTER_H
