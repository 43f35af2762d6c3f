#include "sectorcover.h"

#include <QLineF>
#include <QtMath>

#include <cmath>

namespace {

// Rounding can put a point computed on an edge or on the arc a hair
// outside; the slice is closed, so such a point counts.
constexpr double RadiusSlack = 1e-9;
constexpr double AngleSlack = 1e-9;

} // namespace

SectorCover::SectorCover(const QTransform &view)
    : m_view(view)
    , m_apex(view.map(QPointF()))
    // A metre of radius in pixels, measured along the view's vertical axis
    // as the drawn slice's radius is.
    , m_pixelsPerMetre(view.map(QLineF(0.0, 0.0, 0.0, DegreesPerMetre)).length())
{
    // Mapped back as the drawn slice is; only whether that can be done counts.
    bool invertible = false;
    static_cast<void>(view.inverted(&invertible));
    m_valid = invertible && std::isfinite(m_pixelsPerMetre);
}

QTransform SectorCover::mapAt(double latitude)
{
    const double clamped = std::isfinite(latitude) ? qBound(-85.0, latitude, 85.0) : 0.0;
    return QTransform::fromScale(1.0, -1.0 / std::cos(qDegreesToRadians(clamped)));
}

bool SectorCover::covers(const QPointF &camera, double angle, double viewAngle, double radius,
                         const QPointF &point, double *distance) const
{
    if (!m_valid || !std::isfinite(angle) || !std::isfinite(viewAngle) || !std::isfinite(radius)
        || viewAngle == 0.0 || radius == 0.0) {
        return false;
    }
    // In the view's pixels, where the slice is circular; y grows downwards.
    // The slice is laid out around the camera as its item's origin.
    const QPointF offset = m_view.map(point - camera) - m_apex;
    const double squared = offset.x() * offset.x() + offset.y() * offset.y();
    const double reach = std::abs(radius) * m_pixelsPerMetre * (1.0 + RadiusSlack);
    // Written so that NaN (a point not finite) is out too.
    if (!(squared <= reach * reach))
        return false;

    // An opening of 360 or more passes whatever the angle.
    if (squared > 0.0) {
        // Counter-clockwise from three o'clock, as the slice's arc is laid
        // out; its middle lies at 180 - angle. The angle is brought into
        // range first, so that large ones keep their precision.
        const double screen = qRadiansToDegrees(std::atan2(-offset.y(), offset.x()));
        const double fromMiddle =
            std::remainder(screen + std::remainder(angle, 360.0) - 180.0, 360.0);
        if (std::abs(fromMiddle) > std::abs(viewAngle) / 2 + AngleSlack)
            return false;
    }
    if (distance)
        *distance = std::sqrt(squared) / m_pixelsPerMetre;
    return true;
}
