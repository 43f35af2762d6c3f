#include "items/cameraopening.h"

#include "items/cameraplayers.h"
#include "items/camgraphicsitem.h"

#include <QWidget>

bool CameraOpening::open(CameraPlayers *players, const CamGraphicsItem &camera, bool images,
                         bool onScene)
{
    QWidget *dockWindow = players ? players->dockWindow() : nullptr;
    if (!dockWindow)
        return false;
    // Nothing to show: a player would only say that the address is empty.
    if (images && !camera.hasImages())
        return false;
    // A player that cannot go on the map would play unseen and unowned.
    if (onScene && !players->canPlaceOnScene(camera.scenePos()))
        return false;

    QWidget *parent = onScene ? nullptr : dockWindow;
    QWidget *host = images ? players->openSnapshots(parent, camera.imageUrlTemplate(),
                                                    camera.imageUpdatePeriod())
                           : players->openLive(parent, camera.url(), camera.useTcpRtsp());
    if (!host)
        return false;

    if (!images && !camera.overlayUrl().isEmpty())
        players->attachDetector(host, cameraTypeFromCode(camera.cameraType()), camera.overlayUrl());

    if (!camera.toolTip().isEmpty())
        host->setWindowTitle(camera.toolTip());

    if (!onScene) {
        host->show();
        return true;
    }
    if (!players->placeOnScene(host, images, camera.scenePos())) {
        delete host;
        return false;
    }
    return true;
}
