#ifndef CAMLIST_H
#define CAMLIST_H

#include "items/cameratype.h"

#include <QPointF>
#include <QString>
#include <QStringList>
#include <QVector>

#include <cmath>
#include <limits>

// One camera of a list file, as the file gives it. The bounds below are
// those of what a list can hold, and so of what a camera on the map takes.
struct CamListEntry
{
    // Largest view radius a list keeps, in metres; beyond it the sector
    // would cover continents and only slow the scene down.
    static constexpr double MaxViewRadius = 1.0e6;

    // Whether a number survives a list file: numbers are read in single
    // precision, so a finite double beyond its range would not read back.
    // (One too small for it reads back as 0 or a denormal.)
    static bool isStorableNumber(double value)
    {
        return std::isfinite(value) && std::fabs(value) <= std::numeric_limits<float>::max();
    }
    // Whether a camera at `position` can be saved and loaded again: a
    // longitude and a latitude in degrees.
    static bool isValidPosition(const QPointF &position)
    {
        return std::isfinite(position.x()) && std::isfinite(position.y())
               && std::fabs(position.x()) <= 180.0 && std::fabs(position.y()) <= 90.0;
    }
    static bool isValidViewRadius(double radius)
    {
        return std::isfinite(radius) && std::fabs(radius) <= MaxViewRadius;
    }

    QString name;
    QString url;
    QString overlayUrl;
    QString imageUrlTemplate;
    int imageUpdatePeriod = 30;
    bool useTcpRtsp = false;
    QPointF position;
    double angle = std::numeric_limits<double>::quiet_NaN(); // NaN: no direction
    int type = cameraTypeCode(CameraType::Video); // as the file gives it, known or not
    bool hasView = false;
    double viewAngle = 0.0;
    double viewRadius = 10.0;
    // As the file writes them: a relative path stays relative to the list.
    QString bigPixmapPath; // both empty: built-in icons
    QString smallPixmapPath;
};

// The contents of a camera list file.
struct CamList
{
    bool useFfmpeg = false;
    QString vlcOptions;
    QVector<CamListEntry> cameras;
    // What the reader left out or could not take, one text per entry with
    // its row, at most CamListReader::MaxWarnings of them.
    QStringList warnings;
    // Entries left out for want of a usable position, all of them counted.
    int skipped = 0;
};

#endif // CAMLIST_H
