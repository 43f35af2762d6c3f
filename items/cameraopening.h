#ifndef CAMERAOPENING_H
#define CAMERAOPENING_H

class CamGraphicsItem;
class CameraPlayers;

/*
 * What opening a camera means: which player, with which detector client,
 * titled with the camera's name, docked or put on the map at the camera.
 * The players themselves are the layer's to make.
 */
class CameraOpening
{
public:
    // False, with nothing left behind, when there is nothing to show or no
    // place to show it.
    static bool open(CameraPlayers *players, const CamGraphicsItem &camera, bool images,
                     bool onScene);
};

#endif // CAMERAOPENING_H
