#include "itemsgroup.h"

ItemsGroup::ItemsGroup(QGraphicsItem *parent)
    : QGraphicsItem(parent)
{
    setFlag(ItemHasNoContents);
    setZValue(6);
}

ItemsGroup::~ItemsGroup() = default;

QRectF ItemsGroup::boundingRect() const
{
    return QRectF();
}

void ItemsGroup::paint(QPainter *, const QStyleOptionGraphicsItem *, QWidget *) { }
