#include "pictureview.h"

#include "player/framehandover.h"

#include <QEvent>
#include <QPainter>
#include <QWidget>

#include <utility>

PictureView::PictureView(QWidget *widget, NotesPainter notes, QObject *parent)
    : QObject(parent)
    , m_widget(widget)
    , m_notes(std::move(notes))
    , m_zoom(widget)
{ }

void PictureView::show(std::shared_ptr<FrameHandOver> frames, const QSize &pixels)
{
    m_frames = std::move(frames);
    m_pixels = pixels;
    m_aspectPercent = qMax(1, pixels.width() * 100 / qMax(1, pixels.height()));
    // Painted whole, bars included, so that a new picture repaints nothing
    // beneath it.
    m_widget->setAttribute(Qt::WA_OpaquePaintEvent);
    m_widget->installEventFilter(this);
    fit();
}

void PictureView::zoomBy(double factor)
{
    m_zoom.zoomBy(factor, m_rect);
    zoomChanged();
}

void PictureView::resetZoom()
{
    if (m_zoom.reset())
        zoomChanged();
}

void PictureView::setOverlay(const QPixmap &overlay)
{
    m_overlay = overlay;
}

void PictureView::fit()
{
    // The picture is painted on the widget, so it is placed in the widget's
    // own coordinates.
    const QRect outer = m_widget->rect();
    QRect r = outer;
    if (r.width() > r.height()) {
        r.setHeight(r.width() * 100 / m_aspectPercent);
        if (r.height() > outer.height()) {
            r.setHeight(outer.height());
            r.setWidth(r.height() * m_aspectPercent / 100);
        }
    } else {
        r.setWidth(r.height() * m_aspectPercent / 100);
        if (r.width() > outer.width()) {
            r.setWidth(outer.width());
            r.setHeight(r.width() * 100 / m_aspectPercent);
        }
    }
    r.translate((outer.width() - r.width()) / 2, (outer.height() - r.height()) / 2);
    m_rect = r;
    // Until it shows, the widget has no real size; pictures keep their own.
    // Zoomed in, pictures come larger, so that the part shown is sharp.
    if (m_frames && m_widget->isVisible()) {
        const QSizeF target = QSizeF(r.size()) * m_widget->devicePixelRatioF();
        m_frames->setTargetSize(m_zoom.zoomedSize(target, m_pixels).toSize());
    }
    const QSize overlaySize = m_zoom.zoomedSize(QSizeF(r.size()), m_pixels).toSize();
    if (overlaySize != m_overlaySize) {
        m_overlaySize = overlaySize;
        emit overlaySizeChanged(overlaySize);
    }
}

bool PictureView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_widget) {
        if (event->type() == QEvent::Paint) {
            paint();
            return true;
        }
        if (event->type() == QEvent::Show)
            fit();
        switch (m_zoom.handle(event, m_rect)) {
        case ZoomControl::Result::Ignored:
            break;
        case ZoomControl::Result::Changed:
            zoomChanged();
            return true;
        case ZoomControl::Result::Taken:
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void PictureView::paint()
{
    QPainter painter(m_widget);
    const ZoomGeometry &zoom = m_zoom.geometry();
    bool painted = false;
    if (zoom.isZoomed()) {
        // A picture that stays enlarges smoothly; the overlay, zoomed along
        // with it, keeps its edges sharp.
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painted = m_frames && m_frames->paint(&painter, m_rect, zoom.part());
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    } else {
        painted = m_frames && m_frames->paint(&painter, m_rect);
    }
    // The widget is opaque: what no picture covers is painted here.
    const QRegion bare = QRegion(m_widget->rect()).subtracted(painted ? m_rect : QRect());
    for (const QRect &part : bare)
        painter.fillRect(part, m_widget->palette().window());
    if (!m_overlay.isNull()) {
        if (zoom.isZoomed())
            painter.drawPixmap(QRectF(m_rect), m_overlay, zoom.sourceRect(m_overlay.size()));
        else
            painter.drawPixmap(m_rect, m_overlay);
    }
    m_notes(&painter, m_rect);
}

void PictureView::zoomChanged()
{
    fit();
    m_widget->update();
}
