#include "playercontrols.h"

#include "player/pictureview.h"
#include "player/playerwidget.h"

#include <QAction>
#include <QGraphicsWidget>
#include <QKeyEvent>
#include <QKeySequence>

namespace {

int sizePercentForKey(int key)
{
    switch (key) {
    case Qt::Key_1:
        return 10;
    case Qt::Key_2:
        return 25;
    case Qt::Key_3:
        return 50;
    case Qt::Key_4:
        return 100;
    case Qt::Key_5:
        return 125;
    default:
        return 0;
    }
}

QString withKey(const QString &text, int key)
{
    return text + QLatin1Char('\t') + QKeySequence(key).toString(QKeySequence::NativeText);
}

} // namespace

PlayerControls::PlayerControls(PlayerWidget *player, PictureView *picture, QWidget *video)
    : QObject(player)
    , m_player(player)
    , m_picture(picture)
    , m_video(video)
{ }

void PlayerControls::addMenu()
{
    auto *still = new QAction(withKey(tr("Save still"), PlayerWidget::StillKey), m_player);
    connect(still, &QAction::triggered, m_player, [this] { m_player->saveStill(); });
    m_statisticsAction =
        new QAction(withKey(tr("Statistics"), PlayerWidget::StatisticsKey), m_player);
    m_statisticsAction->setCheckable(true);
    connect(m_statisticsAction, &QAction::toggled, m_player, &PlayerWidget::setStatisticsShown);
    auto *whole =
        new QAction(withKey(tr("Whole picture"), PlayerWidget::WholePictureKey), m_player);
    connect(whole, &QAction::triggered, m_player, &PlayerWidget::resetZoom);
    m_player->addActions({still, m_statisticsAction, whole});
    m_player->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void PlayerControls::setStatisticsChecked(bool shown)
{
    if (m_statisticsAction && m_statisticsAction->isChecked() != shown) {
        const QSignalBlocker blocker(m_statisticsAction);
        m_statisticsAction->setChecked(shown);
    }
}

bool PlayerControls::keyPressed(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (!m_player->isBeward() && !(modifiers & (Qt::ControlModifier | Qt::AltModifier))) {
        switch (event->key()) {
        case PlayerWidget::StatisticsKey:
            m_player->setStatisticsShown(!m_player->isStatisticsShown());
            return true;
        case PlayerWidget::StillKey:
            m_player->saveStill();
            return true;
        case PlayerWidget::WholePictureKey:
            m_player->resetZoom();
            return true;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            m_picture->zoomBy(ZoomControl::Step);
            return true;
        case Qt::Key_Minus:
            m_picture->zoomBy(1.0 / ZoomControl::Step);
            return true;
        default:
            break;
        }
    }
    if (modifiers & Qt::ControlModifier) {
        const int percent = sizePercentForKey(event->key());
        if (percent == 0)
            return false;
        resizeTo(percent);
        return true;
    }
    if (event->key() == Qt::Key_Delete && modifiers == Qt::NoModifier) {
        closeSceneProxy();
        return true;
    }
    return false;
}

void PlayerControls::resizeTo(int percent)
{
    const QSize size = m_player->videoSize() * qreal(percent) / 100.0;
    if (QWidget *parent = m_player->parentWidget()) {
        parent->resize(size);
    } else {
        m_video->resize(size);
        m_player->resize(size);
    }
}

// The map puts a player on the scene through a proxy widget that it records
// in the player's "sceneProxyWidget" property; closing the proxy takes the
// player off the map.
void PlayerControls::closeSceneProxy()
{
    auto *proxy = qobject_cast<QGraphicsWidget *>(
        qvariant_cast<QObject *>(m_player->property("sceneProxyWidget")));
    if (proxy)
        proxy->close();
}
