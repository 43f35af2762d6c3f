#ifndef SIMULATORLAYOUT_H
#define SIMULATORLAYOUT_H

#include <QPolygon>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVector>

/*
 * What a simulated detector watches: its frame, its credentials and its
 * zones, from a JSON file or the defaults (which fit a 640 x 480 frame).
 *
 *   {
 *     "frame": {"width": 640, "height": 480},   // null: no frame size at all
 *     "user": "root", "password": "pass",        // traffic stream; null: any
 *     "id": "CitiLogSim1",                       // CitiLog detector identifier
 *     "sensors": [{"id": 1, "points": [[60, 240], [30, 440], ...], "active": false}],
 *     "lanes": [{"id": 1, "direction": "APPROACHING",
 *                "segments": [[40, 430, 150, 430], [70, 260, 160, 260]], "active": false}]
 *   }
 *
 * Lane ids, directions and segment values are passed on as text, so that a
 * layout can also hold values a detector should never send.
 */
class SimulatorLayout
{
public:
    struct Sensor
    {
        int id = 0;
        QPolygon polygon;
        bool active = false;
    };

    struct Lane
    {
        QString id;
        QString direction; // empty: attribute left out
        QVector<QStringList> segments; // Left, Top, Right, Bottom
        bool active = false;
    };

    // A layout of thousands of zones is far smaller; a device or a FIFO is
    // no layout at all.
    static constexpr qint64 MaxFileSize = 1024 * 1024;

    static SimulatorLayout defaults();
    // The defaults with whatever `path` sets; false with `error` set on failure.
    static bool load(const QString &path, SimulatorLayout *layout, QString *error);

    QSize frameSize = QSize(640, 480); // invalid: the detector tells no size
    QString user = QStringLiteral("root");
    QString password = QStringLiteral("pass");
    bool anyLogin = false;
    QString detectorId = QStringLiteral("CitiLogSim1");
    QVector<Sensor> sensors;
    QVector<Lane> lanes;
};

// The whole of a regular file of at most `maxSize` bytes; false with
// `error` set for anything else.
bool readSmallFile(const QString &path, qint64 maxSize, QByteArray *contents, QString *error);

#endif // SIMULATORLAYOUT_H
