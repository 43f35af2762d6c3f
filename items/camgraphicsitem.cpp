#include "camgraphicsitem.h"

#include "items/camviewarea.h"
#include "overlays/axistrafficstreamoverlay.h"
#include "overlays/citilogovelay.h"
#include "player/playerwidget.h"
#include "plugin/ostrelplugin.h"

#include <QDebug>
#include <QDockWidget>
#include <QGraphicsSceneMouseEvent>
#include <QMainWindow>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QIcon>
#include <QPainter>
#include <QPixmapCache>
#include <QUrl>
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

CamGraphicsItem::CamGraphicsItem(
    const QPointF &position, const QString &url, int type, double angle, QGraphicsItem *parent)
    : QObject(nullptr)
    , QGraphicsItem(parent)
    , m_url(url)
    , m_displayUrl(QUrl(url, QUrl::TolerantMode).toString(QUrl::RemoveUserInfo))
    , m_angle(angle)
    , m_type(type)
{
    setFlags(
        ItemIsSelectable | ItemIsFocusable | ItemIgnoresTransformations | ItemIgnoresParentOpacity);
    remakeIcon(0);
    remakeIcon(1);
    setPos(position);
    setData(0, QVariant::fromValue<QObject *>(this));
}

CamGraphicsItem::~CamGraphicsItem()
{
    CamViewArea *area = m_viewArea;
    m_viewArea = nullptr;
    delete area;
}

OstrelPlugin *CamGraphicsItem::plugin() const
{
    return m_plugin.data();
}

void CamGraphicsItem::setPlugin(OstrelPlugin *plugin)
{
    m_plugin = plugin;
}

void CamGraphicsItem::setType(int type)
{
    if (type == m_type)
        return;
    m_type = (type >= 1 && type <= 5) ? type : 1;
    prepareGeometryChange();
    remakeIcon(0);
    remakeIcon(1);
    update();
}

void CamGraphicsItem::setImageUrlTemplate(const QString &urlTemplate)
{
    if (urlTemplate != m_imageUrlTemplate)
        m_imageUrlTemplate = urlTemplate;
}

void CamGraphicsItem::setImageUpdatePeriod(int seconds)
{
    if (seconds != m_imageUpdatePeriod)
        m_imageUpdatePeriod = seconds;
}

void CamGraphicsItem::setMovable(bool movable)
{
    // Position changes reach itemChange only with the second flag, and they
    // must, so that the sector follows and the layer counts as changed.
    setFlag(ItemIsMovable, movable);
    setFlag(ItemSendsGeometryChanges, movable);
}

QPixmap CamGraphicsItem::makeIcon(int type, bool directional) const
{
    // A list entry may name only the big custom icon; it then stands for both.
    const QString &custom =
        directional && !m_smallPixmapPath.isNull() ? m_smallPixmapPath : m_bigPixmapPath;
    if (!custom.isNull()) {
        const QPixmap pixmap(custom);
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
    m_bigPixmapPath = big;
    m_smallPixmapPath = small;

    const QPixmap bigPixmap(big);
    QPixmap smallPixmap;
    if (!small.isNull())
        smallPixmap.load(small);
    if (bigPixmap.isNull() || (!small.isNull() && smallPixmap.isNull())) {
        qWarning("Error loading pixmaps");
        return;
    }

    prepareGeometryChange();
    m_icons[0] = bigPixmap;
    m_icons[1] = small.isNull() ? bigPixmap : smallPixmap;
    if (!qIsNaN(m_angle))
        m_icons[1] = turned(m_icons[1], m_angle);
    m_iconRects[0] = centredRect(m_icons[0]);
    m_iconRects[1] = centredRect(m_icons[1]);
    update();
}

void CamGraphicsItem::setAngle(double a)
{
    if (!qIsFinite(a) || a == m_angle)
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
}

void CamGraphicsItem::setViewAngle(double a)
{
    if (!m_viewArea || !qIsFinite(a) || a == m_viewAngle)
        return;
    m_viewAngle = a;
    rebuildViewArea();
    update();
}

void CamGraphicsItem::setViewRadius(double r)
{
    if (!m_viewArea || !qIsFinite(r) || r == m_viewRadius)
        return;
    m_viewRadius = r;
    rebuildViewArea();
    update();
}

void CamGraphicsItem::setView(double viewAngle, double viewRadius)
{
    m_viewAngle = viewAngle;
    m_viewRadius = viewRadius;
    delete m_viewArea;
    m_viewArea = new CamViewArea(m_angle, m_viewRadius, m_viewAngle, this);
    m_viewArea->setVisible(viewAreaWanted(isVisible(), isSelected()));
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
    const bool always = m_plugin && m_plugin->viewAreaAlwaysVisible();
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
        if (m_viewArea) {
            const QPointF position = value.toPointF();
            m_viewArea->setPos(parentItem() ? parentItem()->mapToScene(position) : position);
        }
        if (m_plugin)
            m_plugin->setChanged(true);
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
    QMainWindow *mainWindow = OstrelPlugin::findMainWindow();
    if (!mainWindow || !m_plugin)
        return false;

    QWidget *parent = on_scene ? nullptr : mainWindow;
    QWidget *host = play_images
        ? m_plugin->createImagePlayerWidget(parent, m_imageUrlTemplate, m_imageUpdatePeriod)
        : m_plugin->createCamWidget(parent, m_url, m_useTcpRtsp);
    if (!host)
        return false;

    if (!play_images && !m_overlayUrl.isEmpty() && (m_type == 4 || m_type == 5)) {
        auto *dock = qobject_cast<QDockWidget *>(host);
        auto *player = qobject_cast<PlayerWidget *>(dock ? dock->widget() : host);
        DetectorOverlay *detector = nullptr;
        if (m_type == 4)
            detector = new AxisTrafficStreamOverlay(host, m_overlayUrl);
        else
            detector = new CitiLogOvelay(host, m_overlayUrl);
        if (player) {
            connect(detector, &DetectorOverlay::newImage, player, &PlayerWidget::newOverlayImage);
            connect(player, &PlayerWidget::overlaySizeChanged, detector,
                &DetectorOverlay::setTargetSize);
            detector->setTargetSize(player->videoRect().size());
        }
        detector->start();
    }

    if (!toolTip().isEmpty())
        host->setWindowTitle(toolTip());

    if (!on_scene) {
        host->show();
        return true;
    }
    m_plugin->attachToScene(host, play_images, scenePos());
    return true;
}

void CamGraphicsItem::mouseDoubleClickEvent(QGraphicsSceneMouseEvent *event)
{
    play(false, false);
    event->accept();
}
