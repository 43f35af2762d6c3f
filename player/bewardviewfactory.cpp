#include "player/bewardviewfactory.h"

#include "player/bewardview.h"

#ifdef OSTREL_HAVE_AXCONTAINER
#include "player/axbewardview.h"
#endif

#include <QWidget>

#include <utility>

BewardView *BewardViewFactory::create(QWidget *parent)
{
    if (creator())
        return creator()(parent);
#ifdef OSTREL_HAVE_AXCONTAINER
    return AxBewardView::create(parent);
#else
    Q_UNUSED(parent)
    return nullptr;
#endif
}

void BewardViewFactory::setCreator(Creator creator)
{
    BewardViewFactory::creator() = std::move(creator);
}

BewardViewFactory::Creator &BewardViewFactory::creator()
{
    static Creator installed;
    return installed;
}
