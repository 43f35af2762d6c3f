#ifndef CAMERAOWNER_H
#define CAMERAOWNER_H

class CameraPlayers;

/*
 * The layer a camera on the map belongs to, as the camera sees it: the layer
 * hears of every edit (its list then differs from the saved file), decides
 * whether view sectors show without a selection, and opens the camera's
 * players. The plug-in is the owner of every camera it makes, and deletes
 * them before it goes.
 */
class CameraOwner
{
public:
    virtual void cameraChanged() = 0;
    virtual bool viewAreaAlwaysVisible() const = 0;
    // Null: the camera plays nothing.
    virtual CameraPlayers *cameraPlayers() const = 0;

protected:
    ~CameraOwner() = default;
};

#endif // CAMERAOWNER_H
