#include "simulatorlayout.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString valueText(const QJsonValue &value)
{
    if (value.isDouble())
        return QString::number(qint64(value.toDouble()));
    if (value.isBool())
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    return value.toString();
}

SimulatorLayout::Sensor defaultSensor(int id, std::initializer_list<QPoint> points)
{
    SimulatorLayout::Sensor sensor;
    sensor.id = id;
    sensor.polygon = QPolygon(QVector<QPoint>(points));
    return sensor;
}

SimulatorLayout::Lane defaultLane(int id, bool approaching, QVector<QStringList> segments)
{
    SimulatorLayout::Lane lane;
    lane.id = QString::number(id);
    lane.direction = approaching ? QStringLiteral("APPROACHING") : QStringLiteral("RECEDING");
    lane.segments = std::move(segments);
    return lane;
}

} // namespace

bool readSmallFile(const QString &path, qint64 maxSize, QByteArray *contents, QString *error)
{
    // Checked before opening: opening a FIFO would block.
    const QFileInfo info(path);
    if (!info.isFile()) {
        *error = QStringLiteral("not a regular file");
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    // The size is read again: the file may have grown since it was looked at.
    *contents = file.read(maxSize + 1);
    if (contents->size() > maxSize) {
        *error = QStringLiteral("larger than %1 bytes").arg(maxSize);
        return false;
    }
    return true;
}

SimulatorLayout SimulatorLayout::defaults()
{
    SimulatorLayout layout;
    // Two lanes coming down the left half of the frame, two going up the right.
    layout.sensors = {
        defaultSensor(1, {{60, 240}, {30, 440}, {150, 440}, {160, 240}}),
        defaultSensor(2, {{180, 240}, {170, 440}, {290, 440}, {270, 240}}),
        defaultSensor(3, {{480, 440}, {470, 240}, {360, 240}, {350, 440}}),
        defaultSensor(4, {{610, 440}, {580, 240}, {490, 240}, {500, 440}}),
    };
    layout.lanes = {
        defaultLane(1, true, {{"40", "430", "150", "430"}, {"70", "260", "160", "260"}}),
        defaultLane(2, true, {{"170", "430", "290", "430"}, {"175", "260", "275", "260"}}),
        defaultLane(3, false, {{"350", "430", "470", "430"}, {"365", "260", "465", "260"}}),
        defaultLane(4, false, {{"490", "430", "610", "430"}, {"480", "260", "580", "260"}}),
    };
    return layout;
}

bool SimulatorLayout::load(const QString &path, SimulatorLayout *layout, QString *error)
{
    *layout = defaults();
    QByteArray json;
    if (!readSmallFile(path, MaxFileSize, &json, error))
        return false;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (!document.isObject()) {
        *error = parseError.errorString();
        return false;
    }
    const QJsonObject root = document.object();

    if (root.contains(QLatin1String("frame"))) {
        const QJsonObject frame = root.value(QLatin1String("frame")).toObject();
        layout->frameSize = frame.isEmpty() ? QSize()
                                            : QSize(frame.value(QLatin1String("width")).toInt(),
                                                    frame.value(QLatin1String("height")).toInt());
    }
    if (root.contains(QLatin1String("user"))) {
        layout->anyLogin = root.value(QLatin1String("user")).isNull();
        layout->user = root.value(QLatin1String("user")).toString();
        layout->password = root.value(QLatin1String("password")).toString();
    }
    if (root.contains(QLatin1String("id")))
        layout->detectorId = valueText(root.value(QLatin1String("id")));

    if (root.contains(QLatin1String("sensors"))) {
        layout->sensors.clear();
        const QJsonArray sensors = root.value(QLatin1String("sensors")).toArray();
        for (const QJsonValue &entry : sensors) {
            const QJsonObject object = entry.toObject();
            Sensor sensor;
            sensor.id = object.value(QLatin1String("id")).toInt();
            sensor.active = object.value(QLatin1String("active")).toBool();
            const QJsonArray points = object.value(QLatin1String("points")).toArray();
            for (const QJsonValue &point : points) {
                const QJsonArray xy = point.toArray();
                sensor.polygon.append(QPoint(xy.at(0).toInt(), xy.at(1).toInt()));
            }
            layout->sensors.append(sensor);
        }
    }

    if (root.contains(QLatin1String("lanes"))) {
        layout->lanes.clear();
        const QJsonArray lanes = root.value(QLatin1String("lanes")).toArray();
        for (const QJsonValue &entry : lanes) {
            const QJsonObject object = entry.toObject();
            Lane lane;
            lane.id = valueText(object.value(QLatin1String("id")));
            lane.direction = valueText(object.value(QLatin1String("direction")));
            lane.active = object.value(QLatin1String("active")).toBool();
            const QJsonArray segments = object.value(QLatin1String("segments")).toArray();
            for (const QJsonValue &segment : segments) {
                QStringList values;
                const QJsonArray array = segment.toArray();
                for (const QJsonValue &value : array)
                    values.append(valueText(value));
                lane.segments.append(values);
            }
            layout->lanes.append(lane);
        }
    }
    return true;
}
