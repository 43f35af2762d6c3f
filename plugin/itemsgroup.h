#ifndef ITEMSGROUP_H
#define ITEMSGROUP_H

#include <QGraphicsItem>

// The content-less parent item of all cameras of one type code, so that a
// whole type can be shown or hidden at once.
class ItemsGroup : public QGraphicsItem
{
public:
    explicit ItemsGroup(QGraphicsItem *parent = nullptr);
    ~ItemsGroup() override;

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;
};

#endif // ITEMSGROUP_H
