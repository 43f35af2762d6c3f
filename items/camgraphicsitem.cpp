#include "camgraphicsitem.h"

#include "items/cameraowner.h"
#include "items/cameraplayers.h"
#include "items/camlist.h"
#include "items/camviewarea.h"
#include "items/iconfilecache.h"
#include "net/addresstext.h"

#include <QDebug>
#include <QDir>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsView>
#include <QIcon>
#include <QPainter>
#include <QPixmapCache>
#include <QtMath>

namespace {

QPixmap turned(const QPixmap &pixmap, double angle)
{
    return pixmap.transformed(QTransform().rotate(angle), Qt::FastTransformation);
}

// Built-in icons by type code; codes other than 2 and 3 look like code 1.
// A list holds thousands of cameras, so the icons, turned ones included, are
// shared through the pixmap cache rather than loaded and turned per camera.
QPixmap builtinIcon(int type, bool directional, double angle)
{
    static constexpr const char *paths[2][3] = {
        {":/resources/camera.png", ":/resources/camera_2.png", ":/resources/camera_3.png"},
        {":/resources/video_camera.png", ":/resources/video_camera_2.png",
            ":/resources/video_camera_3.png"},
    };
    const QString path =
        QString::fromLatin1(paths[directional ? 1 : 0][(type == 2 || type == 3) ? type - 1 : 0]);
    const QString key =
        directional ? path + QLatin1Char('@') + QString::number(angle, 'g', 17) : path;
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap)) {
        pixmap.load(path);
        if (directional)
            pixmap = turned(pixmap, angle);
        QPixmapCache::insert(key, pixmap);
    }
    return pixmap;
}

QRectF centredRect(const QPixmap &pixmap)
{
    return QRectF(pixmap.rect()).translated(-pixmap.width() / 2.0, -pixmap.height() / 2.0);
}

} // namespace

CamGraphicsItem::CamGraphicsItem(const QPointF &position, const QString &url, int type,
                                 double angle, QGraphicsItem *parent)
    : QObject(nullptr)
    , QGraphicsItem(parent)
    , m_url(url)
    , m_displayUrl(AddressText::withoutUserInfo(url))
    , m_angle(angle)
    , m_type(type)
{
    setFlags(
        ItemIsSelectable | ItemIsFocusable | ItemIgnoresTransformations | ItemIgnoresParentOpacity);
    remakeIcon(0);
    remakeIcon(1);
    setPos(position);
    // Every later move passes itemChange, movable or not: the sector follows
    // and positions a list cannot hold are refused.
    setFlag(ItemSendsGeometryChanges);
    setData(0, QVariant::fromValue<QObject *>(this));
}

CamGraphicsItem::~CamGraphicsItem()
{
    CamViewArea *area = m_viewArea;
    m_viewArea = nullptr;
    delete area;
}

void CamGraphicsItem::setOwner(CameraOwner *owner)
{
    m_owner = owner;
}

void CamGraphicsItem::markChanged()
{
    if (m_owner)
        m_owner->cameraChanged();
}

void CamGraphicsItem::setType(int type)
{
    if (type == m_type)
        return;
    m_type = isKnownCameraType(type) ? type : cameraTypeCode(CameraType::Video);
    prepareGeometryChange();
    remakeIcon(0);
    remakeIcon(1);
    update();
    markChanged();
}

void CamGraphicsItem::setUseTcpRtsp(bool tcp)
{
    if (tcp == m_useTcpRtsp)
        return;
    m_useTcpRtsp = tcp;
    markChanged();
}

void CamGraphicsItem::setUrl(const QString &url)
{
    if (url == m_url)
        return;
    m_url = url;
    m_displayUrl = AddressText::withoutUserInfo(url);
    markChanged();
}

void CamGraphicsItem::setOverlayUrl(const QString &url)
{
    if (url == m_overlayUrl)
        return;
    m_overlayUrl = url;
    markChanged();
}

void CamGraphicsItem::setImageUrlTemplate(const QString &urlTemplate)
{
    if (urlTemplate == m_imageUrlTemplate)
        return;
    m_imageUrlTemplate = urlTemplate;
    markChanged();
}

void CamGraphicsItem::setImageUpdatePeriod(int seconds)
{
    if (seconds == m_imageUpdatePeriod)
        return;
    m_imageUpdatePeriod = seconds;
    markChanged();
}

void CamGraphicsItem::setMovable(bool movable)
{
    setFlag(ItemIsMovable, movable);
}

QString CamGraphicsItem::iconFile(const QString &path) const
{
    return m_iconDirectory.isEmpty() ? path : QDir(m_iconDirectory).absoluteFilePath(path);
}

QPixmap CamGraphicsItem::makeIcon(int type, bool directional) const
{
    // A list entry may name only the big custom icon; it then stands for both.
    const QString &custom =
        directional && !m_smallPixmapPath.isEmpty() ? m_smallPixmapPath : m_bigPixmapPath;
    if (!custom.isEmpty()) {
        const QPixmap pixmap = IconFileCache::load(iconFile(custom));
        if (!pixmap.isNull())
            return pixmap;
    }
    return builtinIcon(type, directional, m_angle);
}

void CamGraphicsItem::remakeIcon(int index)
{
    m_icons[index] = makeIcon(m_type, index == 1 && !qIsNaN(m_angle));
    m_iconRects[index] = centredRect(m_icons[index]);
}

void CamGraphicsItem::setPixmap(const QString &big, const QString &small)
{
    if (big.isNull()) {
        qWarning("null big pixmap");
        return;
    }
    setIconFiles(big, small, QString());
}

void CamGraphicsItem::setIconFiles(const QString &big, const QString &small,
                                   const QString &directory)
{
    if (big != m_bigPixmapPath || small != m_smallPixmapPath)
        markChanged();
    m_bigPixmapPath = big;
    m_smallPixmapPath = small;
    m_iconDirectory = directory;

    QString error;
    QPixmap bigPixmap;
    QPixmap smallPixmap;
    if (!big.isEmpty())
        bigPixmap = IconFileCache::load(iconFile(big), &error);
    if (error.isEmpty() && !small.isEmpty())
        smallPixmap = IconFileCache::load(iconFile(small), &error);
    if (!error.isEmpty()) {
        qWarning().noquote() << "Error loading pixmaps:" << error;
        return;
    }

    // A path left empty takes the built-in icon; a small icon alone serves
    // as the turned one.
    prepareGeometryChange();
    m_icons[0] = bigPixmap.isNull() ? makeIcon(m_type, false) : bigPixmap;
    const QPixmap directional = smallPixmap.isNull() ? bigPixmap : smallPixmap;
    if (directional.isNull())
        m_icons[1] = makeIcon(m_type, !qIsNaN(m_angle));
    else
        m_icons[1] = qIsNaN(m_angle) ? directional : IconFileCache::turned(directional, m_angle);
    m_iconRects[0] = centredRect(m_icons[0]);
    m_iconRects[1] = centredRect(m_icons[1]);
    update();
}

void CamGraphicsItem::setAngle(double a)
{
    // A list reads angles in single precision: one beyond it would be lost.
    if (!CamListEntry::isStorableNumber(a) || a == m_angle)
        return;
    applyAngle(a);
}

void CamGraphicsItem::clearAngle()
{
    if (!qIsNaN(m_angle))
        applyAngle(qQNaN());
}

void CamGraphicsItem::applyAngle(double a)
{
    m_angle = a;
    prepareGeometryChange();
    remakeIcon(1);
    if (m_viewArea)
        rebuildViewArea();
    update();
    markChanged();
}

void CamGraphicsItem::setViewAngle(double a)
{
    if (!m_viewArea || !CamListEntry::isStorableNumber(a) || a == m_viewAngle)
        return;
    m_viewAngle = a;
    rebuildViewArea();
    update();
    markChanged();
}

void CamGraphicsItem::setViewRadius(double r)
{
    if (!m_viewArea || !CamListEntry::isValidViewRadius(r) || r == m_viewRadius)
        return;
    m_viewRadius = r;
    rebuildViewArea();
    update();
    markChanged();
}

void CamGraphicsItem::setView(double viewAngle, double viewRadius)
{
    // A sector a list cannot hold would be lost with the next save.
    if (!CamListEntry::isStorableNumber(viewAngle)
        || !CamListEntry::isValidViewRadius(viewRadius)) {
        qDebug() << "CamGraphicsItem: view sector refused:" << viewAngle << viewRadius;
        return;
    }
    m_viewAngle = viewAngle;
    m_viewRadius = viewRadius;
    delete m_viewArea;
    m_viewArea = new CamViewArea(m_angle, m_viewRadius, m_viewAngle, this);
    m_viewArea->setVisible(viewAreaWanted(isVisible(), isSelected()));
    markChanged();
}

void CamGraphicsItem::removeView()
{
    delete m_viewArea;
}

void CamGraphicsItem::viewAreaDestroyed(CamViewArea *area)
{
    if (m_viewArea == area)
        m_viewArea = nullptr;
}

void CamGraphicsItem::rebuildViewArea()
{
    m_viewArea->rebuildPath(m_angle, m_viewRadius, m_viewAngle);
}

void CamGraphicsItem::placeViewArea()
{
    QGraphicsScene *current = scene();
    if (!m_viewArea || m_viewArea->scene() == current)
        return;
    if (QGraphicsScene *previous = m_viewArea->scene())
        previous->removeItem(m_viewArea);
    if (current) {
        m_viewArea->setPos(scenePos());
        current->addItem(m_viewArea);
        rebuildViewArea();
    }
}

bool CamGraphicsItem::viewAreaWanted(bool visible, bool selected) const
{
    const bool always = m_owner && m_owner->viewAreaAlwaysVisible();
    return visible && (selected || always);
}

QVariant CamGraphicsItem::modelData(int column, int role) const
{
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        switch (column) {
        case 0:
            return toolTip();
        case 1:
            return m_displayUrl;
        case 2:
            return m_type;
        default:
            return QVariant();
        }
    case Qt::DecorationRole:
        return column == 0 ? QVariant(QIcon(m_icons[0])) : QVariant();
    case Qt::ToolTipRole:
    case Qt::StatusTipRole:
        return toolTip();
    default:
        return QVariant();
    }
}

QRectF CamGraphicsItem::boundingRect() const
{
    return m_iconRects[m_iconIndex];
}

void CamGraphicsItem::paint(
    QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    Q_UNUSED(option)
    // The icon follows the scale of the view being painted. The geometry
    // change is not announced: with two views at different scales that would
    // repaint forever, and icons that ignore transformations are looked up
    // by their current rectangle anyway.
    if (widget) {
        if (const auto *view = qobject_cast<const QGraphicsView *>(widget->parentWidget()))
            m_iconIndex = view->transform().m11() >= DirectionalIconScale ? 1 : 0;
    }
    const QRectF rect = m_iconRects[m_iconIndex];
    if (isSelected()) {
        painter->setPen(QPen(Qt::darkYellow, 1));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(rect);
        painter->setOpacity(1.0);
    }
    painter->drawPixmap(rect.topLeft(), m_icons[m_iconIndex]);
}

QVariant CamGraphicsItem::itemChange(GraphicsItemChange change, const QVariant &value)
{
    switch (change) {
    case ItemPositionChange:
        // A position the list cannot hold stays where it was: NaN would
        // also never settle where on-map players anchor to the camera.
        if (!CamListEntry::isValidPosition(value.toPointF())) {
            qDebug() << "CamGraphicsItem: position refused:" << value.toPointF();
            return pos();
        }
        break;
    case ItemPositionHasChanged:
        if (m_viewArea)
            m_viewArea->setPos(scenePos());
        markChanged();
        break;
    case ItemToolTipChange:
        if (value.toString() != toolTip())
            markChanged();
        break;
    case ItemVisibleChange:
        if (m_viewArea)
            m_viewArea->setVisible(viewAreaWanted(value.toBool(), isSelected()));
        break;
    case ItemSelectedChange:
        if (m_viewArea)
            m_viewArea->setVisible(viewAreaWanted(isVisible(), value.toBool()));
        break;
    case ItemSceneHasChanged:
        placeViewArea();
        break;
    default:
        break;
    }
    return QGraphicsItem::itemChange(change, value);
}

bool CamGraphicsItem::play(bool play_images, bool on_scene)
{
    CameraPlayers *players = m_owner ? m_owner->cameraPlayers() : nullptr;
    QWidget *dockWindow = players ? players->dockWindow() : nullptr;
    if (!dockWindow)
        return false;
    // Nothing to show: a player would only say that the address is empty.
    if (play_images && m_imageUrlTemplate.isEmpty())
        return false;
    // A player that cannot go on the map would play unseen and unowned.
    if (on_scene && !players->canPlaceOnScene(scenePos()))
        return false;

    QWidget *parent = on_scene ? nullptr : dockWindow;
    QWidget *host = play_images
        ? players->openSnapshots(parent, m_imageUrlTemplate, m_imageUpdatePeriod)
        : players->openLive(parent, m_url, m_useTcpRtsp);
    if (!host)
        return false;

    if (!play_images && !m_overlayUrl.isEmpty())
        players->attachDetector(host, cameraTypeFromCode(m_type), m_overlayUrl);

    if (!toolTip().isEmpty())
        host->setWindowTitle(toolTip());

    if (!on_scene) {
        host->show();
        return true;
    }
    if (!players->placeOnScene(host, play_images, scenePos())) {
        delete host;
        return false;
    }
    return true;
}

void CamGraphicsItem::mouseDoubleClickEvent(QGraphicsSceneMouseEvent *event)
{
    play(false, false);
    event->accept();
}
