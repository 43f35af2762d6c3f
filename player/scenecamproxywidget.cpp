#include "player/scenecamproxywidget.h"

#include <QGraphicsSceneMouseEvent>
#include <QGraphicsSceneMoveEvent>
#include <QPainter>
#include <QWidget>
#include <QtMath>

namespace {

bool isFinite(const QPointF &pos)
{
    return qIsFinite(pos.x()) && qIsFinite(pos.y());
}

} // namespace

SceneCamProxyWidget::SceneCamProxyWidget(QObject *parent, bool childControls)
    : QGraphicsProxyWidget(nullptr)
    , m_childControls(childControls)
{
    setParent(parent);
}

SceneCamProxyWidget::~SceneCamProxyWidget() = default;

void SceneCamProxyWidget::setAnchorPos(const QPointF &pos)
{
    if (!isFinite(pos))
        return;
    m_anchorPos = pos;
    setPos(pos);
}

void SceneCamProxyWidget::paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
                                QWidget *widget)
{
    QGraphicsProxyWidget::paint(painter, option, widget);
    if (!isSelected())
        return;
    painter->save();
    painter->setPen(QPen(Qt::darkGreen, 2));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(boundingRect());
    painter->restore();
}

void SceneCamProxyWidget::closeEvent(QCloseEvent *event)
{
    deleteLater();
    QGraphicsProxyWidget::closeEvent(event);
}

void SceneCamProxyWidget::moveEvent(QGraphicsSceneMoveEvent *event)
{
    // Putting the item back moves it again; a position that never equals
    // the anchor (NaN) must not make that endless.
    if (m_pinned && hasAnchor()) {
        if (event->newPos() != m_anchorPos && !m_restoring) {
            m_restoring = true;
            setPos(m_anchorPos);
            m_restoring = false;
        }
    } else if (isFinite(event->newPos())) {
        m_anchorPos = event->newPos();
    }
    QGraphicsProxyWidget::moveEvent(event);
}

void SceneCamProxyWidget::resizeEvent(QGraphicsSceneResizeEvent *event)
{
    QGraphicsProxyWidget::resizeEvent(event);
    if (m_pinned && hasAnchor() && !m_restoring)
        setPos(m_anchorPos);
}

void SceneCamProxyWidget::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    if (m_childControls && widget()) {
        QWidget *child = widget()->childAt(event->pos().toPoint());
        if (child && child->objectName() != QLatin1String("frame")) {
            m_pressedChild = child;
            QGraphicsProxyWidget::mousePressEvent(event);
            return;
        }
    }
    m_pressedChild = nullptr;
    m_pinned = false;
    QGraphicsItem::mousePressEvent(event);
}

void SceneCamProxyWidget::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    if (m_pressedChild)
        QGraphicsProxyWidget::mouseMoveEvent(event);
    else
        QGraphicsItem::mouseMoveEvent(event);
}

void SceneCamProxyWidget::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    m_pinned = true;
    if (m_pressedChild)
        QGraphicsProxyWidget::mouseReleaseEvent(event);
    else
        QGraphicsItem::mouseReleaseEvent(event);
}
