#include "zoomcontrol.h"

#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

#include <cmath>

namespace {

constexpr double WheelNotch = 120.0;

} // namespace

ZoomControl::ZoomControl(QWidget *picture)
    : m_picture(picture)
{ }

ZoomControl::Result ZoomControl::handle(QEvent *event, const QRect &view)
{
    switch (event->type()) {
    case QEvent::Wheel: {
        auto *wheel = static_cast<QWheelEvent *>(event);
        const int delta = qBound(-1200, wheel->angleDelta().y(), 1200);
        if (delta == 0 || !view.contains(wheel->position().toPoint()))
            return Result::Ignored;
        m_zoom.zoomAt(wheel->position(), view, std::pow(Step, delta / WheelNotch));
        settle();
        event->accept();
        return Result::Changed;
    }
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (!m_zoom.isZoomed() || mouse->button() != Qt::LeftButton || !view.contains(mouse->pos()))
            return Result::Ignored;
        m_panning = true;
        m_panFrom = mouse->pos();
        m_picture->setCursor(Qt::ClosedHandCursor);
        event->accept();
        return Result::Taken;
    }
    case QEvent::MouseMove: {
        if (!m_panning)
            return Result::Ignored;
        auto *mouse = static_cast<QMouseEvent *>(event);
        m_zoom.panBy(mouse->pos() - m_panFrom, view);
        m_panFrom = mouse->pos();
        m_picture->update();
        event->accept();
        return Result::Taken;
    }
    case QEvent::MouseButtonRelease: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (!m_panning || mouse->button() != Qt::LeftButton)
            return Result::Ignored;
        m_panning = false;
        m_picture->setCursor(Qt::OpenHandCursor);
        event->accept();
        return Result::Taken;
    }
    case QEvent::MouseButtonDblClick: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (!m_zoom.isZoomed() || mouse->button() != Qt::LeftButton)
            return Result::Ignored;
        reset();
        event->accept();
        return Result::Changed;
    }
    default:
        return Result::Ignored;
    }
}

void ZoomControl::zoomBy(double factor, const QRect &view)
{
    m_zoom.zoomAt(QRectF(view).center(), view, factor);
    settle();
}

bool ZoomControl::reset()
{
    if (!m_zoom.isZoomed())
        return false;
    m_zoom.reset();
    settle();
    return true;
}

QSizeF ZoomControl::zoomedSize(const QSizeF &shown, const QSize &pixels) const
{
    if (!m_zoom.isZoomed())
        return shown;
    QSizeF zoomed = shown * m_zoom.zoom();
    const qreal limit = qMax(shown.width(), qreal(pixels.width()));
    if (zoomed.width() > limit)
        zoomed *= limit / zoomed.width();
    return zoomed;
}

// A zoomed picture can be dragged, and says so by its cursor.
void ZoomControl::settle()
{
    if (!m_zoom.isZoomed()) {
        m_panning = false;
        m_picture->unsetCursor();
    } else if (!m_panning) {
        m_picture->setCursor(Qt::OpenHandCursor);
    }
}
