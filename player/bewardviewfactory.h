#ifndef BEWARDVIEWFACTORY_H
#define BEWARDVIEWFACTORY_H

#include <functional>

class BewardView;
class QWidget;

/*
 * Creates the camera maker's view control for a player page. Creation fails
 * (null) when the control is not installed, and always on platforms without
 * an ActiveX container.
 */
class BewardViewFactory
{
public:
    using Creator = std::function<BewardView *(QWidget *parent)>;

    // A view whose widget is a child of parent, or null.
    static BewardView *create(QWidget *parent);

    // Replaces the platform's creation, e.g. by one that records the calls;
    // an empty creator restores the platform's.
    static void setCreator(Creator creator);

private:
    static Creator &creator();
};

#endif // BEWARDVIEWFACTORY_H
