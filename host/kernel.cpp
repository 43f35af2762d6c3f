#include "kernel.h"

#include <QGraphicsScene>

namespace Varka {

Kernel::Kernel(QGraphicsScene *scene, QObject *parent)
    : QObject(parent)
    , m_scene(scene)
{ }

Kernel::~Kernel() = default;

QGraphicsScene *Kernel::graphicsScene() const
{
    return m_scene;
}

} // namespace Varka
