#ifndef CAMLIST_H
#define CAMLIST_H

#include <QPointF>
#include <QString>
#include <QVector>

#include <limits>

// One camera of a list file, as the file gives it.
struct CamListEntry
{
    QString name;
    QString url;
    QString overlayUrl;
    QString imageUrlTemplate;
    int imageUpdatePeriod = 30;
    bool useTcpRtsp = false;
    QPointF position;
    double angle = std::numeric_limits<double>::quiet_NaN(); // NaN: no direction
    int type = 1;
    bool hasView = false;
    double viewAngle = 0.0;
    double viewRadius = 10.0;
    QString bigPixmapPath; // empty: built-in icons
    QString smallPixmapPath;
};

// The contents of a camera list file.
struct CamList
{
    bool useFfmpeg = false;
    QString vlcOptions;
    QVector<CamListEntry> cameras;
};

#endif // CAMLIST_H
