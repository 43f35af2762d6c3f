#ifndef SCENECAMPROXYWIDGET_H
#define SCENECAMPROXYWIDGET_H

#include <QGraphicsProxyWidget>
#include <QPointer>

/*
 * Puts a player on the map scene. The item stays at its anchor position
 * whatever its widget does (layouts, zoom sizes); only the operator's drag
 * moves the anchor. With child controls, presses on the player's own
 * controls go to them and only its picture area ("frame") drags the item.
 */
class SceneCamProxyWidget : public QGraphicsProxyWidget
{
    Q_OBJECT
public:
    SceneCamProxyWidget(QObject *parent, bool childControls);
    ~SceneCamProxyWidget() override;

    // Places the item at pos and holds it there. Embedding a widget moves
    // the item to the widget's own position first, so the placing code sets
    // the anchor explicitly afterwards. A position that is not finite is
    // ignored.
    void setAnchorPos(const QPointF &pos);
    QPointF anchorPos() const { return m_anchorPos; }
    bool isPinned() const { return m_pinned; }
    bool childControls() const { return m_childControls; }

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void moveEvent(QGraphicsSceneMoveEvent *event) override;
    void resizeEvent(QGraphicsSceneResizeEvent *event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;

private:
    bool hasAnchor() const { return !m_anchorPos.isNull(); }

    QPointF m_anchorPos;
    bool m_pinned = true;
    bool m_restoring = false;
    const bool m_childControls;
    QPointer<QWidget> m_pressedChild;
};

#endif // SCENECAMPROXYWIDGET_H
