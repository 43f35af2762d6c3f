#include "camgraphicsitem.h"

#include "items/cameraopening.h"
#include "items/cameraowner.h"
#include "items/camgroup.h"
#include "items/camlist.h"
#include "items/camstatebadge.h"
#include "items/camviewarea.h"
#include "net/addresstext.h"

#include <QDebug>
#include <QDir>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsView>
#include <QIcon>
#include <QPainter>
#include <QtMath>

namespace {

constexpr QGraphicsItem::GraphicsItemFlags CommonFlags = QGraphicsItem::ItemIsSelectable
                                                         | QGraphicsItem::ItemIsFocusable
                                                         | QGraphicsItem::ItemIgnoresParentOpacity;

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
    const bool grouped = dynamic_cast<CamGroup *>(parent);
    setFlags(CommonFlags | (grouped ? ItemHasNoContents : ItemIgnoresTransformations));
    m_iconSet.build(m_type, m_angle);
    setPos(position);
    // Every later move passes itemChange, movable or not: the sector follows
    // and positions a list cannot hold are refused.
    setFlag(ItemSendsGeometryChanges);
    setData(0, QVariant::fromValue<QObject *>(this));
    joinGroup(parent);
}

CamGraphicsItem::~CamGraphicsItem()
{
    leaveGroup();
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
    m_iconSet.build(m_type, m_angle);
    redraw();
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
    if (big != m_iconSet.bigPath() || small != m_iconSet.smallPath())
        markChanged();
    redraw();
    prepareGeometryChange();
    const QString error = m_iconSet.setFiles(big, small, directory, m_type, m_angle);
    if (!error.isEmpty())
        qWarning().noquote() << "Error loading pixmaps:" << error;
    redraw();
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
    redraw();
    prepareGeometryChange();
    m_iconSet.turn(m_type, m_angle);
    if (m_viewArea)
        rebuildViewArea();
    redraw();
    markChanged();
}

void CamGraphicsItem::setViewAngle(double a)
{
    if (!m_viewArea || !CamListEntry::isStorableNumber(a) || a == m_viewAngle)
        return;
    m_viewAngle = a;
    rebuildViewArea();
    markChanged();
}

void CamGraphicsItem::setViewRadius(double r)
{
    if (!m_viewArea || !CamListEntry::isValidViewRadius(r) || r == m_viewRadius)
        return;
    m_viewRadius = r;
    rebuildViewArea();
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

void CamGraphicsItem::setPlayerState(PlayerState state)
{
    if (state == m_playerState)
        return;
    m_playerState = state;
    redraw();
}

QVariant CamGraphicsItem::modelData(int column, int role) const
{
    if (column == StateColumn && role == Qt::UserRole)
        return CamStateBadge::key(m_playerState);
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
        case StateColumn:
            return CamStateBadge::text(m_playerState);
        default:
            return QVariant();
        }
    case Qt::DecorationRole:
        return column == 0 ? QVariant(QIcon(m_iconSet.icon(0))) : QVariant();
    case Qt::ToolTipRole:
    case Qt::StatusTipRole:
        return toolTip();
    default:
        return QVariant();
    }
}

int CamGraphicsItem::iconIndex() const
{
    // A camera under a crowd of others is not painted, but its icon follows
    // the map's scale all the same.
    if (m_group)
        return m_group->pixelScale().width() >= DirectionalIconScale ? 1 : 0;
    return m_iconIndex;
}

QRectF CamGraphicsItem::boundingRect() const
{
    if (!m_group)
        return m_iconSet.rect(m_iconIndex);
    // The icon's true size at the map's scale, chosen by that scale as the
    // painting view chooses it.
    const QSizeF scale = m_group->pixelScale();
    const QRectF &icon = m_iconSet.rect(iconIndex());
    return QRectF(icon.x() / scale.width(), icon.y() / scale.height(), icon.width() / scale.width(),
                  icon.height() / scale.height());
}

double CamGraphicsItem::iconReach() const
{
    // Half the larger icon's diagonal, and the selection frame's pixel.
    const QRectF both = m_iconSet.rect(0).united(m_iconSet.rect(1));
    return std::hypot(both.width(), both.height()) / 2 + 1;
}

void CamGraphicsItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
                            QWidget *widget)
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
    const QRectF rect = m_iconSet.rect(m_iconIndex);
    if (isSelected()) {
        painter->setPen(QPen(Qt::darkYellow, 1));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(rect);
        painter->setOpacity(1.0);
    }
    painter->drawPixmap(rect.topLeft(), m_iconSet.icon(m_iconIndex));
    // The state of the camera's players, in the icon's top right corner.
    CamStateBadge::paint(painter, rect, m_playerState);
}

void CamGraphicsItem::redraw()
{
    if (m_group)
        m_group->repaintCamera(this);
    else
        update();
}

void CamGraphicsItem::joinGroup(QGraphicsItem *parent)
{
    m_group = dynamic_cast<CamGroup *>(parent);
    if (m_group)
        m_group->addCamera(this);
}

void CamGraphicsItem::leaveGroup()
{
    if (m_group)
        m_group->removeCamera(this);
    m_group = nullptr;
}

void CamGraphicsItem::groupDestroyed(CamGroup *group)
{
    if (m_group == group)
        m_group = nullptr;
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
        m_previousPos = pos();
        break;
    case ItemPositionHasChanged:
        if (m_group)
            m_group->moveCamera(this, m_previousPos);
        if (m_viewArea)
            m_viewArea->setPos(scenePos());
        markChanged();
        break;
    case ItemParentChange: {
        // A type group draws its cameras; anywhere else a camera draws
        // itself. The flags change before the item enters another scene.
        leaveGroup();
        auto *parent = qvariant_cast<QGraphicsItem *>(value);
        const bool grouped = dynamic_cast<CamGroup *>(parent);
        prepareGeometryChange();
        setFlag(ItemHasNoContents, grouped);
        setFlag(ItemIgnoresTransformations, !grouped);
        break;
    }
    case ItemParentHasChanged:
        joinGroup(parentItem());
        break;
    case ItemSelectedHasChanged:
    case ItemVisibleHasChanged:
    case ItemOpacityHasChanged:
    case ItemZValueHasChanged:
        if (m_group)
            m_group->repaintCamera(this);
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
        // A camera taken out of the scene on its own leaves its group's
        // drawing; one that goes with its group stays in it.
        if (m_group && m_group->scene() != scene())
            leaveGroup();
        placeViewArea();
        break;
    default:
        break;
    }
    return QGraphicsItem::itemChange(change, value);
}

bool CamGraphicsItem::play(bool play_images, bool on_scene)
{
    return CameraOpening::open(m_owner ? m_owner->cameraPlayers() : nullptr, *this, play_images,
                               on_scene);
}

void CamGraphicsItem::mouseDoubleClickEvent(QGraphicsSceneMouseEvent *event)
{
    play(false, false);
    event->accept();
}
