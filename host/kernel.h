#ifndef VARKA_KERNEL_H
#define VARKA_KERNEL_H

#include <QGraphicsScene>
#include <QObject>

namespace Varka {

// The workstation's core object: a direct child of the application that
// hands out the map scene to the plug-ins.
class Kernel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QGraphicsScene *graphicsScene READ graphicsScene)

public:
    explicit Kernel(QGraphicsScene *scene, QObject *parent = nullptr);
    ~Kernel() override;

    QGraphicsScene *graphicsScene() const;

private:
    QGraphicsScene *m_scene;
};

} // namespace Varka

#endif // VARKA_KERNEL_H
