#include "overlays/overlaycanvas.h"

namespace {

QPixmap transparentPixmap(const QSize &size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

bool isPositive(const QSize &size)
{
    return size.width() > 0 && size.height() > 0;
}

// `size` shrunk, with its aspect kept, to fit MaxSide on both sides.
QSize bounded(const QSize &size)
{
    const int side = OverlayCanvas::MaxSide;
    if (size.width() <= side && size.height() <= side)
        return size;
    const QSize fitted = size.scaled(side, side, Qt::KeepAspectRatio);
    return QSize(qBound(1, fitted.width(), side), qBound(1, fitted.height(), side));
}

} // namespace

bool OverlayCanvas::isDrawable(const QSize &frame)
{
    return isPositive(frame);
}

QSize OverlayCanvas::imageSize(const QSize &frame, const QSize &shown)
{
    if (isPositive(shown))
        return bounded(shown);
    if (isPositive(frame))
        return bounded(frame);
    return QSize();
}

QPixmap OverlayCanvas::message(const QSize &frame, const QSize &shown, const QString &text)
{
    const QSize size = imageSize(frame, shown);
    QPixmap pixmap = transparentPixmap(size.isValid() ? size : QSize(300, 300));
    QPainter painter(&pixmap);
    painter.setPen(QColor(Qt::red));
    painter.drawText(pixmap.rect(), Qt::AlignCenter, text);
    painter.end();
    return pixmap;
}

OverlayCanvas::OverlayCanvas(const QSize &frame, const QSize &shown, LabelCache *labels)
    : m_pixmap(transparentPixmap(imageSize(frame, shown)))
    , m_painter(&m_pixmap)
    , m_toImage(QTransform::fromScale(qreal(m_pixmap.width()) / frame.width(),
                                      qreal(m_pixmap.height()) / frame.height()))
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
    // In floating point: detector coordinates may be anywhere in the int range.
    const QPolygonF outline = m_toImage.map(QPolygonF(polygon));
    m_painter.drawPolygon(outline);

    // A detector names few zones, but nothing stops it from naming new ones.
    if (m_labels->size() > 1000)
        m_labels->clear();
    auto text = m_labels->find(label);
    if (text == m_labels->end()) {
        text = m_labels->insert(label, QStaticText(label));
        text->prepare(QTransform(), m_painter.font());
    }
    const QPointF centre = outline.boundingRect().center();
    const QSizeF size = text->size();
    m_painter.drawStaticText(centre - QPointF(size.width() / 2, size.height() / 2), *text);
    return true;
}

void OverlayCanvas::drawLines(const QLineF *lines, int count)
{
    for (int i = 0; i < count; ++i)
        m_painter.drawLine(m_toImage.map(lines[i]));
}

QPixmap OverlayCanvas::finish()
{
    if (m_painter.isActive())
        m_painter.end();
    return m_pixmap;
}
