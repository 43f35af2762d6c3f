#ifndef CAMERAPLAYERS_H
#define CAMERAPLAYERS_H

#include "items/cameratype.h"

class QPointF;
class QString;
class QWidget;

/*
 * How a camera's pictures are shown: the camera decides what to open, and
 * the layer that owns it makes the players, their detector clients and
 * their windows. A player is either docked in the dock window or put on
 * the map.
 */
class CameraPlayers
{
public:
    // The window players dock in; null when there is none, and then nothing
    // plays.
    virtual QWidget *dockWindow() const = 0;
    // Whether a player could go on the map at the scene position `pos`.
    virtual bool canPlaceOnScene(const QPointF &pos) const = 0;
    // A live player, or a snapshot player: in a dock when `parent` is the
    // dock window, else a bare player with that parent (none: on its own).
    // The result is the dock or the player; null when none could be made.
    virtual QWidget *openLive(QWidget *parent, const QString &address, bool useTcp) = 0;
    virtual QWidget *openSnapshots(QWidget *parent, const QString &urlTemplate, int period) = 0;
    // Starts the detector client that draws over the live player in `host`
    // (a dock or a player made above), for a camera of a type that has one;
    // the client goes with `host`. Nothing for other types.
    virtual void attachDetector(QWidget *host, CameraType type, const QString &address) = 0;
    // Puts `host` on the map at `pos`; false leaves it untouched.
    virtual bool placeOnScene(QWidget *host, bool childControls, const QPointF &pos) = 0;

protected:
    ~CameraPlayers() = default;
};

#endif // CAMERAPLAYERS_H
