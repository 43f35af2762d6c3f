#ifndef OSMVIEW_H
#define OSMVIEW_H

#include "tilelayer.h"

#include <QGraphicsView>

/*
 * The map view. Scene coordinates are longitude (x) and latitude (y) in
 * degrees; integer zoom levels follow the slippy-map convention of 256 pixels
 * for the whole world at level 0, and the y axis is flipped so that north is
 * up. Away from the equator the vertical scale is stretched by
 * 1 / cos(reference latitude), as a Mercator map is near that latitude.
 */
class OsmView : public QGraphicsView
{
    Q_OBJECT
    Q_PROPERTY(int zoom READ zoom WRITE setZoom NOTIFY zoomChanged)

public:
    static constexpr int MinZoom = 1;
    static constexpr int MaxZoom = 20;

    explicit OsmView(QGraphicsScene *scene, QWidget *parent = nullptr);
    ~OsmView() override;

    int zoom() const { return m_zoom; }
    double referenceLatitude() const { return m_referenceLatitude; }
    void setReferenceLatitude(double latitude);

    // Pixels per degree of longitude at a zoom level.
    static double pixelsPerDegree(int zoom);
    // Graticule spacing in degrees that leaves about `minPixels` between lines.
    static double graticuleStep(double pixelsPerDegree, double minPixels = 90.0);

    // Centres the view on `area` (longitude, latitude) at the closest zoom
    // level, no closer than three levels from the closest, that shows all
    // of it with a margin.
    void showArea(const QRectF &area);

    void setTileDirectory(const QString &directory);
    void setGraticuleVisible(bool visible);

public slots:
    void setZoom(int zoom);
    void zoomIn() { setZoom(m_zoom + 1); }
    void zoomOut() { setZoom(m_zoom - 1); }

signals:
    void zoomChanged(int zoom);

protected:
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void drawBackground(QPainter *painter, const QRectF &rect) override;
    void drawForeground(QPainter *painter, const QRectF &rect) override;

private:
    void applyScale();

    int m_zoom = 12;
    double m_referenceLatitude = 0.0;
    int m_wheelRemainder = 0;
    bool m_graticuleVisible = false;
    TileLayer m_tiles;
};

#endif // OSMVIEW_H
