#include "roadnetworkitem.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QStyleOptionGraphicsItem>

namespace {

QPolygonF lineFromJson(const QJsonArray &coordinates)
{
    QPolygonF line;
    for (const QJsonValue &value : coordinates) {
        const QJsonArray point = value.toArray();
        if (point.size() >= 2 && point.at(0).isDouble() && point.at(1).isDouble())
            line << QPointF(point.at(0).toDouble(), point.at(1).toDouble());
    }
    return line;
}

RoadNetworkItem::Kind kindFromText(const QString &text)
{
    if (text == QLatin1String("major"))
        return RoadNetworkItem::Major;
    if (text == QLatin1String("river"))
        return RoadNetworkItem::River;
    return RoadNetworkItem::Minor;
}

} // namespace

RoadNetworkItem::RoadNetworkItem(QGraphicsItem *parent)
    : QGraphicsItem(parent)
{
    setZValue(-10);
}

bool RoadNetworkItem::parseGeoJson(const QByteArray &json, QVector<Road> *roads)
{
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (!document.isObject())
        return false;
    const QJsonArray features = document.object().value(QLatin1String("features")).toArray();
    for (const QJsonValue &value : features) {
        const QJsonObject feature = value.toObject();
        const QJsonObject properties = feature.value(QLatin1String("properties")).toObject();
        const QJsonObject geometry = feature.value(QLatin1String("geometry")).toObject();
        const QString type = geometry.value(QLatin1String("type")).toString();
        const QJsonArray coordinates = geometry.value(QLatin1String("coordinates")).toArray();

        QVector<QJsonArray> lines;
        if (type == QLatin1String("LineString")) {
            lines << coordinates;
        } else if (type == QLatin1String("MultiLineString")) {
            for (const QJsonValue &part : coordinates)
                lines << part.toArray();
        }
        for (const QJsonArray &coords : qAsConst(lines)) {
            Road road;
            road.kind = kindFromText(properties.value(QLatin1String("kind")).toString());
            road.name = properties.value(QLatin1String("name")).toString();
            road.line = lineFromJson(coords);
            if (road.line.size() >= 2)
                roads->append(road);
        }
    }
    return true;
}

bool RoadNetworkItem::load(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QVector<Road> roads;
    if (!parseGeoJson(file.readAll(), &roads))
        return false;
    prepareGeometryChange();
    m_roads = roads;
    m_bounds = QRectF();
    for (const Road &road : qAsConst(m_roads))
        m_bounds |= road.line.boundingRect();
    update();
    return true;
}

QRectF RoadNetworkItem::boundingRect() const
{
    // A little margin, in degrees, for the pens' width at low zoom levels.
    return m_bounds.adjusted(-0.01, -0.01, 0.01, 0.01);
}

void RoadNetworkItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    painter->setRenderHint(QPainter::Antialiasing);
    // Water first, then road casings, then fillings, so that crossings
    // join cleanly and roads run over rivers.
    for (int pass = 0; pass < 3; ++pass) {
        for (const Road &road : qAsConst(m_roads)) {
            if ((road.kind == River) != (pass == 0))
                continue;
            QPen pen;
            pen.setCosmetic(true);
            pen.setCapStyle(Qt::RoundCap);
            pen.setJoinStyle(Qt::RoundJoin);
            const bool casing = pass == 1;
            switch (road.kind) {
            case River:
                pen.setColor(QColor(0x9c, 0xc3, 0xe6));
                pen.setWidthF(9);
                break;
            case Major:
                pen.setColor(casing ? QColor(0xb0, 0x90, 0x60) : QColor(0xfc, 0xd6, 0xa4));
                pen.setWidthF(casing ? 8 : 6);
                break;
            case Minor:
                pen.setColor(casing ? QColor(0xbb, 0xbb, 0xbb) : QColor(Qt::white));
                pen.setWidthF(casing ? 5 : 3.5);
                break;
            }
            painter->setPen(pen);
            painter->drawPolyline(road.line);
        }
    }
}
