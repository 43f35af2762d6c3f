#ifndef PLAYERCONTROLS_H
#define PLAYERCONTROLS_H

#include <QObject>

class PictureView;
class PlayerWidget;
class QAction;
class QKeyEvent;
class QWidget;

/*
 * The operator's commands on a live player: its own menu, on the map and in
 * docks alike, and its keys. Without Control or Alt, the player's keys show
 * the statistics, save a still, show the whole picture, and + and - zoom;
 * Control with 1 to 5 sizes the player to a tenth, a quarter, a half, all
 * and five quarters of the stream's own size; Delete takes a player off the
 * map. The maker's view has no menu and takes only the sizes and Delete.
 */
class PlayerControls : public QObject
{
    Q_OBJECT

public:
    // `picture` is the player's picture, painted on `video`.
    PlayerControls(PlayerWidget *player, PictureView *picture, QWidget *video);

    // Gives the player its menu.
    void addMenu();
    void setStatisticsChecked(bool shown);
    // Carries out a key of the player's; false for any other.
    bool keyPressed(const QKeyEvent *event);

private:
    void resizeTo(int percent);
    void closeSceneProxy();

    PlayerWidget *const m_player;
    PictureView *const m_picture;
    QWidget *const m_video;
    QAction *m_statisticsAction = nullptr;
};

#endif // PLAYERCONTROLS_H
