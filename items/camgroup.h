#ifndef CAMGROUP_H
#define CAMGROUP_H

#include "items/camgrid.h"

#include <QGraphicsItem>
#include <QObject>
#include <QSizeF>

class CamGraphicsItem;
class QGraphicsScene;

/*
 * The parent item of cameras, which draws them. The scene looks at every
 * child of an item it paints or hit-tests, whatever is in view, so a list
 * of a whole country's cameras would cost every frame and every mouse move
 * in proportion to the list. Here the cameras have no contents of their
 * own: the group paints the ones in view, found through a grid of its own,
 * and tells the scene to pass over its cameras in a hit test that touches
 * none of them.
 *
 * A camera's extent in the scene is its icon's true size at the scale of
 * the scene's first view, which the group notes as the scene asks for its
 * geometry, before it looks at the cameras.
 *
 * GUI thread only.
 */
class CamGroup : public QGraphicsItem
{
public:
    // The largest icon a camera can show is this many pixels from its
    // centre, selection frame included.
    static constexpr double IconReach = 129.0;

    explicit CamGroup(QGraphicsItem *parent = nullptr);
    ~CamGroup() override;

    // Pixels per unit of the group's coordinates along x and y, in the
    // scene's first view; 1 by 1 without a view.
    QSizeF pixelScale() const { return m_scale; }
    int cameraCount() const { return m_grid.size(); }

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;
    bool contains(const QPointF &point) const override;
    bool collidesWithPath(const QPainterPath &path,
                          Qt::ItemSelectionMode mode = Qt::IntersectsItemShape) const override;

    // Lets Qt size the index of `scene` anew after a load of `cameras`
    // when it is far too coarse for them.
    static void fitSceneIndex(QGraphicsScene *scene, int cameras);

    // Called by the cameras as they come, move, change and go; a camera
    // is found at the position it had when it last called.
    void addCamera(CamGraphicsItem *camera);
    void moveCamera(CamGraphicsItem *camera, const QPointF &from);
    void removeCamera(CamGraphicsItem *camera);
    void repaintCamera(const CamGraphicsItem *camera);

private:
    // Whether a visible camera near `box` has an extent that passes `test`.
    template<typename Test>
    bool hits(const QRectF &box, Test test) const;
    QSizeF viewScale() const;
    void noteScale() const;
    // Makes the bounds hold `position` and the reach of icons at the
    // current scale, with room to spare so that it changes seldom.
    void cover(const QPointF &position);
    void announceBounds();

    CamGrid m_grid;
    QRectF m_bounds;
    mutable QSizeF m_scale {1, 1};
    // The scale the bounds leave room for.
    QSizeF m_boundsScale {1, 1};
    mutable bool m_announcePending = false;
    QObject m_context;
};

#endif // CAMGROUP_H
