#include "imagecollector.h"

#include "testsupport.h"

#include <QPainter>

ImageCollector::ImageCollector(QObject *client)
{
    m_clock.start();
    connect(client, SIGNAL(newImage(QPixmap)), this, SLOT(record(QPixmap)));
}

void ImageCollector::record(const QPixmap &img)
{
    m_images.append(img.toImage().convertToFormat(QImage::Format_ARGB32));
    m_times.append(m_clock.elapsed());
}

QImage ImageCollector::waitForOverlay(int timeoutMs)
{
    const int seen = m_images.size();
    QImage found;
    TestSupport::waitUntil(
        [&] {
            for (int i = seen; i < m_images.size() && found.isNull(); ++i)
                found = m_images.at(i);
            return !found.isNull();
        },
        timeoutMs);
    return found;
}

int ImageCollector::nonNullCount() const
{
    return int(std::count_if(m_images.cbegin(), m_images.cend(),
                             [](const QImage &image) { return !image.isNull(); }));
}

bool ImageCollector::hasColourNear(const QImage &image, const QPoint &point, const QColor &colour,
                                   int radius)
{
    for (int y = point.y() - radius; y <= point.y() + radius; ++y) {
        for (int x = point.x() - radius; x <= point.x() + radius; ++x) {
            if (image.rect().contains(x, y) && image.pixelColor(x, y) == colour)
                return true;
        }
    }
    return false;
}

bool ImageCollector::isTransparentAround(const QImage &image, const QRect &area)
{
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.rect().contains(x, y) && qAlpha(image.pixel(x, y)) != 0)
                return false;
        }
    }
    return true;
}

QImage ImageCollector::messageImage(const QSize &size, const QString &text)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QColor(255, 0, 0));
    painter.drawText(QRect(QPoint(0, 0), size), Qt::AlignHCenter | Qt::AlignVCenter, text);
    painter.end();
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}
