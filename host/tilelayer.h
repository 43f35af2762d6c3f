#ifndef TILELAYER_H
#define TILELAYER_H

#include <QCache>
#include <QImage>
#include <QRectF>
#include <QString>

class QPainter;

// An offline slippy-map tile directory (DIR/z/x/y.png) drawn under the map.
// Tiles are Web Mercator squares; each is stretched onto its
// longitude/latitude rectangle, which is close enough at city scale.
class TileLayer
{
public:
    void setDirectory(const QString &directory);
    QString directory() const { return m_directory; }
    bool isEnabled() const { return !m_directory.isEmpty(); }

    // Geographic rectangle of tile (x, y) at a zoom level.
    static QRectF tileRect(int zoom, int x, int y);
    static int tileX(double longitude, int zoom);
    static int tileY(double latitude, int zoom);

    // Draws the tiles that meet `sceneRect` with the painter's current
    // scene-to-device transform.
    void paint(QPainter *painter, const QRectF &sceneRect, int zoom);

private:
    const QImage *tile(int zoom, int x, int y);

    QString m_directory;
    QCache<QString, QImage> m_cache {256};
};

#endif // TILELAYER_H
