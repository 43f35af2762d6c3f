#ifndef ROADNETWORKITEM_H
#define ROADNETWORKITEM_H

#include <QGraphicsItem>
#include <QPolygonF>
#include <QString>
#include <QVector>

// The sample road network under the cameras: GeoJSON line strings in
// longitude/latitude, drawn with pens that keep their pixel width at every
// zoom level.
class RoadNetworkItem : public QGraphicsItem
{
public:
    enum Kind { Minor, Major, River };

    struct Road
    {
        Kind kind = Minor;
        QString name;
        QPolygonF line;
    };

    explicit RoadNetworkItem(QGraphicsItem *parent = nullptr);

    // Reads the LineString and MultiLineString features of a GeoJSON
    // document; anything else is skipped. Returns false when the text is
    // not a JSON object.
    static bool parseGeoJson(const QByteArray &json, QVector<Road> *roads);
    bool load(const QString &fileName);

    const QVector<Road> &roads() const { return m_roads; }
    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

private:
    QVector<Road> m_roads;
    QRectF m_bounds;
};

#endif // ROADNETWORKITEM_H
