#ifndef CAMSTATEBADGE_H
#define CAMSTATEBADGE_H

#include "items/camgraphicsitem.h"

#include <QColor>
#include <QString>

class QPainter;
class QRectF;

/*
 * How a camera shows the state of its live players: a dot in the icon's top
 * right corner on the map, and a word and a key for the host's lists. The
 * icon itself and its turning stay as they are.
 */
class CamStateBadge
{
public:
    using State = CamGraphicsItem::PlayerState;

    static QColor colour(State state);
    // Nothing for a camera without a player.
    static void paint(QPainter *painter, const QRectF &icon, State state);
    // The operator's word for the state, empty without a player.
    static QString text(State state);
    // The state's key in lower case ("playing"), empty without a player.
    static QString key(State state);
};

#endif // CAMSTATEBADGE_H
