#include "tilelayer.h"

#include <QFileInfo>
#include <QPainter>
#include <QtMath>

void TileLayer::setDirectory(const QString &directory)
{
    m_directory = directory;
    m_cache.clear();
}

int TileLayer::tileX(double longitude, int zoom)
{
    const int count = 1 << zoom;
    return qBound(0, int(std::floor((longitude + 180.0) / 360.0 * count)), count - 1);
}

int TileLayer::tileY(double latitude, int zoom)
{
    const int count = 1 << zoom;
    const double lat = qDegreesToRadians(qBound(-85.0511, latitude, 85.0511));
    const double y = (1.0 - std::log(std::tan(lat) + 1.0 / std::cos(lat)) / M_PI) / 2.0;
    return qBound(0, int(std::floor(y * count)), count - 1);
}

QRectF TileLayer::tileRect(int zoom, int x, int y)
{
    const double count = std::ldexp(1.0, zoom);
    const auto latitude = [count](double row) {
        return qRadiansToDegrees(std::atan(std::sinh(M_PI * (1.0 - 2.0 * row / count))));
    };
    const double west = x / count * 360.0 - 180.0;
    const double east = (x + 1) / count * 360.0 - 180.0;
    return QRectF(QPointF(west, latitude(y + 1)), QPointF(east, latitude(y))).normalized();
}

const QImage *TileLayer::tile(int zoom, int x, int y)
{
    const QString path = QStringLiteral("%1/%2/%3/%4.png").arg(m_directory).arg(zoom).arg(x).arg(y);
    if (QImage *cached = m_cache.object(path))
        return cached->isNull() ? nullptr : cached;
    auto *image = new QImage(path);
    m_cache.insert(path, image);
    return image->isNull() ? nullptr : image;
}

void TileLayer::paint(QPainter *painter, const QRectF &sceneRect, int zoom)
{
    if (!isEnabled())
        return;
    const int left = tileX(sceneRect.left(), zoom);
    const int right = tileX(sceneRect.right(), zoom);
    const int top = tileY(sceneRect.bottom(), zoom);
    const int bottom = tileY(sceneRect.top(), zoom);
    // More than a screenful of tiles means the view is far out; skip rather
    // than stall the GUI thread.
    if ((right - left + 1) * (bottom - top + 1) > 400)
        return;

    const QTransform toDevice = painter->worldTransform();
    painter->save();
    painter->resetTransform();
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    for (int x = left; x <= right; ++x) {
        for (int y = top; y <= bottom; ++y) {
            if (const QImage *image = tile(zoom, x, y))
                painter->drawImage(toDevice.mapRect(tileRect(zoom, x, y)), *image);
        }
    }
    painter->restore();
}
