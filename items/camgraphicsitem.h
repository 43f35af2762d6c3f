#ifndef CAMGRAPHICSITEM_H
#define CAMGRAPHICSITEM_H

#include "items/camiconset.h"

#include <QGraphicsItem>
#include <QObject>
#include <QPixmap>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QVariant>

class CamGroup;
class CamViewArea;
class CameraOwner;

/*
 * One camera on the map scene: an icon at the camera's geographic position
 * that keeps its pixel size at every zoom, the camera's addresses and view
 * parameters as properties for the host, and the view sector it owns.
 *
 * Icon 0 is the plain camera, icon 1 the camcorder turned to the camera's
 * direction; the painting view's scale chooses between them.
 *
 * A camera in a CamGroup (its type group) is drawn and found by the group:
 * it has no contents of its own, and its extent in the scene is its icon's
 * true size at the map's scale. Elsewhere it draws itself, ignoring the
 * view's transformation.
 */
class CamGraphicsItem : public QObject, public QGraphicsItem
{
    Q_OBJECT
    Q_INTERFACES(QGraphicsItem)
    Q_PROPERTY(int type READ cameraType)
    Q_PROPERTY(QPointF position READ pos WRITE setPos)
    Q_PROPERTY(bool selected READ isSelected WRITE setSelected)
    Q_PROPERTY(bool useTcpRtsp READ useTcpRtsp WRITE setUseTcpRtsp)
    Q_PROPERTY(bool hasImages READ hasImages)
    Q_PROPERTY(QString url READ url WRITE setUrl)
    Q_PROPERTY(QString overlayUrl READ overlayUrl WRITE setOverlayUrl)
    Q_PROPERTY(QString imageUrlTemplate READ imageUrlTemplate WRITE setImageUrlTemplate)
    Q_PROPERTY(double angle READ angle WRITE setAngle)
    Q_PROPERTY(double viewRadius READ viewRadius WRITE setViewRadius)
    Q_PROPERTY(double viewAngle READ viewAngle WRITE setViewAngle)
    Q_PROPERTY(bool movable READ isMovable WRITE setMovable)

public:
    // Pixels per degree of longitude from which the turned camcorder shows.
    static constexpr double DirectionalIconScale = 4000.0;

    // What the camera's open live players show, in rising order of concern.
    enum PlayerState { NoPlayer, Opening, Playing, Stale, Reconnecting, Failed };
    Q_ENUM(PlayerState)
    // The modelData column of that state: its name as text, and its key
    // ("playing", ...; empty without a player) under Qt::UserRole.
    static constexpr int StateColumn = 3;

    CamGraphicsItem(const QPointF &position, const QString &url, int type, double angle,
                    QGraphicsItem *parent = nullptr);
    ~CamGraphicsItem() override;

    int cameraType() const { return m_type; }
    void setType(int type);

    bool useTcpRtsp() const { return m_useTcpRtsp; }
    void setUseTcpRtsp(bool tcp);
    bool hasImages() const { return !m_imageUrlTemplate.isEmpty(); }
    QString url() const { return m_url; }
    void setUrl(const QString &url);
    // The address without user name and password, as lists show it.
    QString displayUrl() const { return m_displayUrl; }
    QString overlayUrl() const { return m_overlayUrl; }
    void setOverlayUrl(const QString &url);
    QString imageUrlTemplate() const { return m_imageUrlTemplate; }
    void setImageUrlTemplate(const QString &urlTemplate);
    int imageUpdatePeriod() const { return m_imageUpdatePeriod; }
    void setImageUpdatePeriod(int seconds);
    double angle() const { return m_angle; }
    // Takes the direction away again: setAngle() ignores NaN, so that a stray
    // NaN from a caller cannot do that by accident.
    void clearAngle();
    double viewRadius() const { return m_viewRadius; }
    double viewAngle() const { return m_viewAngle; }
    bool isMovable() const { return flags() & ItemIsMovable; }
    void setMovable(bool movable);

    // The custom icon files as given, relative ones included.
    QString bigPixmapPath() const { return m_iconSet.bigPath(); }
    QString smallPixmapPath() const { return m_iconSet.smallPath(); }
    // Custom icons from `big` and `small`, relative paths read in
    // `directory` (the working directory when empty). Either may be empty;
    // an empty `small` makes `big` serve for both.
    void setIconFiles(const QString &big, const QString &small, const QString &directory);
    // The icon shown at the scale of the map, or of the view that last
    // painted a camera drawing itself.
    int iconIndex() const;
    QPixmap icon(int index) const { return m_iconSet.icon(index); }
    // How far from its position, in pixels, the camera may paint.
    double iconReach() const;
    // The group that draws this camera, if any.
    CamGroup *group() const { return m_group; }
    // Called by a group as it goes, before its cameras.
    void groupDestroyed(CamGroup *group);

    // The layer the camera belongs to; it must outlive the camera.
    CameraOwner *owner() const { return m_owner; }
    void setOwner(CameraOwner *owner);

    // Replaces the view sector by a new one with these parameters.
    void setView(double viewAngle, double viewRadius);
    // Takes the view sector away; the view angle and radius stay.
    void removeView();
    CamViewArea *viewArea() const { return m_viewArea; }
    // Called by the sector as it goes, so that the camera forgets it.
    void viewAreaDestroyed(CamViewArea *area);

    PlayerState playerState() const { return m_playerState; }
    // Set by the layer, which knows the players; a badge on the icon shows it.
    void setPlayerState(PlayerState state);

    Q_INVOKABLE QVariant modelData(int column, int role) const;
    // Opens the camera's live video, or its snapshots, in a dock window of
    // the main window or on the map at the camera's position.
    Q_INVOKABLE bool play(bool play_images = false, bool on_scene = false);
    Q_INVOKABLE void setPixmap(const QString &big, const QString &small);

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

public slots:
    void setViewRadius(double r);
    void setAngle(double a);
    void setViewAngle(double a);

protected:
    void mouseDoubleClickEvent(QGraphicsSceneMouseEvent *event) override;
    QVariant itemChange(GraphicsItemChange change, const QVariant &value) override;

private:
    // The plug-in's list now differs from its saved file.
    void markChanged();
    // Repaints the camera wherever it is drawn.
    void redraw();
    void joinGroup(QGraphicsItem *parent);
    void leaveGroup();
    void applyAngle(double a);
    void rebuildViewArea();
    void placeViewArea();
    bool viewAreaWanted(bool visible, bool selected) const;

    CamIconSet m_iconSet;
    int m_iconIndex = 0;
    QString m_url;
    QString m_displayUrl;
    QString m_overlayUrl;
    QString m_imageUrlTemplate;
    int m_imageUpdatePeriod = 30;
    double m_angle;
    double m_viewRadius = 10.0;
    double m_viewAngle = 0.0;
    int m_type;
    CamGroup *m_group = nullptr;
    // Where the camera was before the move under way.
    QPointF m_previousPos;
    CameraOwner *m_owner = nullptr;
    CamViewArea *m_viewArea = nullptr;
    bool m_useTcpRtsp = false;
    PlayerState m_playerState = NoPlayer;
};

#endif // CAMGRAPHICSITEM_H
