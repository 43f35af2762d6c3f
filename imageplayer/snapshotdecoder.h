#ifndef SNAPSHOTDECODER_H
#define SNAPSHOTDECODER_H

#include <QByteArray>
#include <QImage>
#include <QSize>

/*
 * Turns the bytes of a fetched snapshot into its picture, within the bounds
 * a still image has. What decoding costs is known from the header alone: a
 * picture whose header does not tell its size, or tells one beyond the
 * bounds, is not decoded at all.
 */
class SnapshotDecoder
{
public:
    // A snapshot is a still image: the largest real ones (12-megapixel PNGs)
    // take about 20 MB, while a source that never ends would take all memory.
    static constexpr qint64 MaxImageBytes = 32 << 20;
    // Its picture is decoded on the GUI thread: 8192 x 4096 pixels take
    // 128 MB and about 0.3 s; the header of a small file can promise
    // gigabytes.
    static constexpr int MaxImageSide = 8192;
    static constexpr qint64 MaxImagePixels = qint64(8192) * 4096;

    enum class Outcome { Decoded, Undecodable, TooLarge, NoHeight };

    struct Result
    {
        Outcome outcome = Outcome::Undecodable;
        QImage image; // when decoded
        QSize size; // as the header tells it, when it does
    };

    static Result decode(const QByteArray &bytes);
};

#endif // SNAPSHOTDECODER_H
