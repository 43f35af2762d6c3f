#include "plugin/ostrelplugin.h"

#include "cameralayer.h"
#include "cameralistdock.h"
#include "osmview.h"
#include "testsupport.h"
#include "workstationwindow.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDockWidget>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>

namespace {

// Degrees of latitude per metre of a view sector's radius.
constexpr double DegreesPerMetre = 9.013216033298552e-6;

} // namespace

// The workstation drives the layer only by name, as the closed host does.
class TestWorkstation : public QObject
{
    Q_OBJECT

private slots:
    void cameraListFollowsTheLayer();
    void camerasSeeingAPoint_data();
    void camerasSeeingAPoint();
};

void TestWorkstation::cameraListFollowsTheLayer()
{
    WorkstationWindow window;
    window.show();
    OstrelPlugin plugin;
    window.setPlugin(&plugin);
    QVERIFY(window.openList(QStringLiteral(OSTREL_SOURCE_DIR "/examples/cameras.xml")));
    const int count = plugin.cameras().size();
    QVERIFY(count > 5);

    CameraListDock *list = window.cameraList();
    QCOMPARE(list->rowCount(), count);
    QVERIFY(window.windowTitle().startsWith(QStringLiteral("cameras.xml - ")));

    // Addresses are listed without their credentials.
    QTreeWidget *tree = list->tree();
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        QVERIFY(!tree->topLevelItem(i)->text(1).contains(QLatin1Char('@')));

    // The filter hides rows; picking a row selects that camera on the map.
    list->filterEdit()->setText(QStringLiteral("LPR"));
    int shown = 0;
    QTreeWidgetItem *firstShown = nullptr;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        if (!tree->topLevelItem(i)->isHidden()) {
            ++shown;
            firstShown = firstShown ? firstShown : tree->topLevelItem(i);
        }
    }
    QVERIFY(shown > 0 && shown < count);
    tree->setCurrentItem(firstShown);
    QObject *selected = window.selectedCamera();
    QVERIFY(selected);
    QCOMPARE(CameraLayer::modelData(selected, 0, Qt::DisplayRole).toString(), firstShown->text(0));

    // Deleting it marks the list changed and takes its row away.
    window.cameraLayer().deleteCamera(selected);
    QTRY_COMPARE(list->rowCount(), count - 1);
    QTRY_VERIFY(window.windowTitle().startsWith(QStringLiteral("cameras.xml* - ")));

    // A camera's player shows its state in the camera's row.
    QTreeWidgetItem *row = tree->topLevelItem(0);
    QObject *camera = window.findCamera(row->text(0));
    QVERIFY(camera);
    QCOMPARE(row->text(3), QString());
    QVERIFY(camera->setProperty("url", QStringLiteral("pipe:0")));
    QVERIFY(CameraLayer::play(camera, false, false));
    QTRY_COMPARE(row->text(3), QStringLiteral("failed"));
    QCOMPARE(tree->headerItem()->text(3), QStringLiteral("Player"));
}

void TestWorkstation::camerasSeeingAPoint_data()
{
    QTest::addColumn<bool>("sectorsShown");
    QTest::addColumn<int>("crowd"); // more cameras where "Near" stands
    QTest::addColumn<double>("north"); // metres north of "Near"
    QTest::addColumn<QStringList>("entries"); // "-" marks a disabled one
    QTest::addColumn<int>("chosen");
    QTest::addColumn<QStringList>("opened");

    const QStringList both = {"Near (100 m)", "Far && wide (200 m)", "Open all"};
    QTest::newRow("one of two") << false << 0 << 100.0 << both << 1 << QStringList{"Far & wide"};
    // Right over a sector on show, still the map's menu.
    QTest::newRow("all, over a sector")
        << true << 0 << 100.0 << both << 2 << QStringList{"Near", "Far & wide"};
    QTest::newRow("none") << false << 0 << -400.0 << QStringList{"-No camera sees this point"}
                          << -1 << QStringList();
    // The nearest that fit on the screen; the rest are counted.
    QStringList crowded = {"Near (100 m)"};
    for (int i = 0; i < 19; ++i)
        crowded << "Crowd (100 m)";
    crowded << "-4 more not listed"
            << "Open the 20 nearest";
    QStringList nearest = {"Near"};
    for (int i = 0; i < 19; ++i)
        nearest << "Crowd";
    QTest::newRow("crowd") << false << 22 << 100.0 << crowded << 21 << nearest;
}

// The map's context menu lists the cameras that see the point clicked,
// nearest first, and opens one or all of them as a double-click does.
void TestWorkstation::camerasSeeingAPoint()
{
    QFETCH(bool, sectorsShown);
    QFETCH(int, crowd);
    QFETCH(double, north);
    QFETCH(QStringList, entries);
    QFETCH(int, chosen);
    QFETCH(QStringList, opened);

    QTemporaryDir dir;
    const QString list = dir.filePath(QStringLiteral("seeing.xml"));
    // Looking north: "Near", and "Far & wide" 100 m behind it; "Away" looks
    // south, "Blind" has no direction.
    const QByteArray near =
        "<Cam lon=\"37.6\" lat=\"55.75\" ang=\"90\" view_ang=\"60\" view_radius=\"200\">";
    QByteArray cameras = near + "Near</Cam>"
        "<Cam lon=\"37.6\" lat=\"55.749099\" ang=\"90\" view_ang=\"60\" view_radius=\"300\">"
        "Far &amp; wide</Cam>"
        "<Cam lon=\"37.6\" lat=\"55.7505\" ang=\"270\" view_ang=\"60\" view_radius=\"200\">"
        "Away</Cam>"
        "<Cam lon=\"37.6005\" lat=\"55.7509\" view_ang=\"360\" view_radius=\"500\">Blind</Cam>";
    for (int i = 0; i < crowd; ++i)
        cameras += near + "Crowd</Cam>";
    QVERIFY(TestSupport::writeFile(list, "<VarkaNetwork>" + cameras + "</VarkaNetwork>"));

    WorkstationWindow window;
    OsmView *view = window.mapView();
    view->setReferenceLatitude(55.75);
    view->setZoom(17);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    OstrelPlugin plugin;
    window.setPlugin(&plugin);
    QVERIFY(window.openList(list));
    if (sectorsShown)
        window.cameraLayer().setViewAreasAlwaysVisible(true);
    const QPointF point(37.6, 55.75 + north * DegreesPerMetre);
    view->centerOn(point);
    const QPoint at = view->mapFromScene(point);

    QStringList shown;
    QTimer::singleShot(0, &window, [&] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QMenu *seeing = nullptr;
        const QList<QAction *> actions = menu->actions();
        for (QAction *action : actions) {
            if (action->text() == QLatin1String("Cameras seeing this point"))
                seeing = action->menu();
        }
        menu->close();
        QVERIFY(seeing);
        QList<QAction *> items = seeing->actions();
        items.erase(std::remove_if(items.begin(), items.end(),
                                   [](const QAction *action) { return action->isSeparator(); }),
                    items.end());
        for (const QAction *action : qAsConst(items))
            shown << (action->isEnabled() ? QString() : QStringLiteral("-")) + action->text();
        if (chosen >= 0 && chosen < items.size())
            items.at(chosen)->trigger();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view->viewport(), &event);
    QCOMPARE(shown, entries);

    QStringList players;
    const QList<QDockWidget *> docks = window.findChildren<QDockWidget *>();
    for (const QDockWidget *dock : docks) {
        if (dock != window.cameraList())
            players << dock->windowTitle();
    }
    players.sort();
    opened.sort();
    QCOMPARE(players, opened);
}

QTEST_MAIN(TestWorkstation)
#include "tst_workstation.moc"
