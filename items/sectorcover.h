#ifndef SECTORCOVER_H
#define SECTORCOVER_H

#include <QPointF>
#include <QTransform>

/*
 * Whether a camera's view sector covers a point of the map, decided on the
 * slice CamViewArea draws: a circular slice in the pixels of a view, its
 * apex on the camera, its radius measured in metres along the view's
 * vertical axis (110,948.19 metres per degree of latitude), an angle of 0
 * pointing left (west) and angles growing clockwise on screen. The opening
 * is centred on the angle.
 *
 * Only numbers in and a decision out, so that a query over many cameras
 * needs no scene and a test no widgets.
 */
class SectorCover
{
public:
    // Degrees of latitude per metre of a sector's radius.
    static constexpr double DegreesPerMetre = 9.013216033298552e-6;

    // `view` maps scene coordinates to the pixels the sectors are drawn in.
    // A view that cannot be mapped back (flat, not finite) draws no sector,
    // so nothing is covered.
    explicit SectorCover(const QTransform &view);

    // North up and a degree of longitude cos(latitude) as long as one of
    // latitude, as a map around `latitude` shows it (within 85 degrees).
    static QTransform mapAt(double latitude);

    bool isValid() const { return m_valid; }

    // Whether the sector of a camera at `camera` looking along `angle` with
    // the opening `viewAngle` (degrees) and `radius` (metres) covers `point`.
    // The slice is closed: its edges, its arc and its apex count. No
    // direction (NaN) or any other non-finite number, and an opening or a
    // radius of 0, cover nothing; an opening of 360 or more is a full disc;
    // negative openings and radii cover as their magnitude, as drawn.
    // `distance` receives the metres from the camera to the point, measured
    // as the radius is (the radius on the arc), when the point is covered.
    bool covers(const QPointF &camera, double angle, double viewAngle, double radius,
                const QPointF &point, double *distance = nullptr) const;

private:
    QTransform m_view;
    QPointF m_apex;
    double m_pixelsPerMetre;
    bool m_valid = false;
};

#endif // SECTORCOVER_H
