#include "itemsgroup.h"

ItemsGroup::ItemsGroup(QGraphicsItem *parent)
    : CamGroup(parent)
{
    setZValue(6);
}

ItemsGroup::~ItemsGroup() = default;
