#include "overlays/overlaycanvas.h"

namespace {

QPixmap transparentPixmap(const QSize &size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

} // namespace

bool OverlayCanvas::isDrawable(const QSize &size)
{
    return size.width() > 0 && size.height() > 0 && size.width() <= MaxSide
        && size.height() <= MaxSide;
}

QPixmap OverlayCanvas::message(const QSize &size, const QString &text)
{
    QPixmap pixmap = transparentPixmap(isDrawable(size) ? size : QSize(300, 300));
    QPainter painter(&pixmap);
    painter.setPen(QColor(Qt::red));
    painter.drawText(pixmap.rect(), Qt::AlignCenter, text);
    painter.end();
    return pixmap;
}

OverlayCanvas::OverlayCanvas(const QSize &size, LabelCache *labels)
    : m_pixmap(transparentPixmap(size))
    , m_painter(&m_pixmap)
    , m_labels(labels)
    , m_activePen(QColor(Qt::red), 2)
    , m_idlePen(QColor(Qt::green), 2)
{
    m_painter.setBrush(Qt::NoBrush);
}

bool OverlayCanvas::drawZone(const QPolygon &polygon, bool active, const QString &label)
{
    m_painter.setPen(active ? m_activePen : m_idlePen);
    if (polygon.size() < 4)
        return false;
    m_painter.drawPolygon(polygon);

    // A detector names few zones, but nothing stops it from naming new ones.
    if (m_labels->size() > 1000)
        m_labels->clear();
    auto text = m_labels->find(label);
    if (text == m_labels->end()) {
        text = m_labels->insert(label, QStaticText(label));
        text->prepare(QTransform(), m_painter.font());
    }
    // In floating point: detector coordinates may be anywhere in the int range.
    const QPointF centre = QPolygonF(polygon).boundingRect().center();
    const QSizeF size = text->size();
    m_painter.drawStaticText(centre - QPointF(size.width() / 2, size.height() / 2), *text);
    return true;
}

QPixmap OverlayCanvas::finish()
{
    if (m_painter.isActive())
        m_painter.end();
    return m_pixmap;
}
