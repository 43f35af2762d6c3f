#include "imageplayer/snapshotdecoder.h"

#include <QBuffer>
#include <QImageReader>

SnapshotDecoder::Result SnapshotDecoder::decode(const QByteArray &bytes)
{
    Result result;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    result.size = reader.size();
    if (!result.size.isValid())
        return result;
    if (result.size.width() > MaxImageSide || result.size.height() > MaxImageSide
        || qint64(result.size.width()) * result.size.height() > MaxImagePixels) {
        result.outcome = Outcome::TooLarge;
        return result;
    }
    const QImage image = reader.read();
    if (image.isNull())
        return result;
    if (image.height() == 0) {
        result.outcome = Outcome::NoHeight;
        return result;
    }
    result.outcome = Outcome::Decoded;
    result.image = image;
    return result;
}
