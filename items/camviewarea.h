#ifndef CAMVIEWAREA_H
#define CAMVIEWAREA_H

#include <QGraphicsPathItem>

class CamGraphicsItem;

/*
 * The translucent pie slice that shows where a camera looks and how far it
 * sees. It lies in the scene on its own, at its camera's position; the camera
 * owns it, rebuilds it and decides when it shows.
 *
 * On screen an angle of 0 points left (west) and angles grow clockwise.
 */
class CamViewArea : public QGraphicsPathItem
{
public:
    CamViewArea(double angle, double radius, double viewAngle, CamGraphicsItem *camera);
    ~CamViewArea() override;

    CamGraphicsItem *camera() const { return m_camera; }

    // Shapes the slice in the pixels of the scene's first view, so that it is
    // a true circular slice there, and keeps it in scene coordinates.
    void rebuildPath(double angle, double radius, double viewAngle);

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

private:
    CamGraphicsItem *m_camera;
};

#endif // CAMVIEWAREA_H
