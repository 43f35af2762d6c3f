#ifndef ITEMSGROUP_H
#define ITEMSGROUP_H

#include "items/camgroup.h"

#include <QObject>

// The parent item of all cameras of one type code, so that a whole type can
// be shown or hidden at once. It draws its cameras (see CamGroup).
class ItemsGroup : public CamGroup
{
public:
    explicit ItemsGroup(QGraphicsItem *parent = nullptr);
    ~ItemsGroup() override;

    // Emits destroyed() when the group goes, whoever deletes it (the plug-in,
    // the scene or a host layer that took it in), so that holders of the
    // group can forget it.
    const QObject *lifetime() const { return &m_lifetime; }

private:
    QObject m_lifetime;
};

#endif // ITEMSGROUP_H
