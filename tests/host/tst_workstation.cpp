#include "cameralayer.h"
#include "cameralistdock.h"
#include "livesystem.h"
#include "osmview.h"
#include "peerprocess.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDockWidget>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QTreeWidget>

namespace {

// Degrees of latitude per metre of a view sector's radius.
constexpr double DegreesPerMetre = 9.013216033298552e-6;

int countPixels(const QImage &image, const QRect &area, const std::function<bool(QRgb)> &match)
{
    int count = 0;
    const QRect box = area & image.rect();
    for (int y = box.top(); y <= box.bottom(); ++y) {
        for (int x = box.left(); x <= box.right(); ++x)
            count += match(image.pixel(x, y));
    }
    return count;
}

} // namespace

// The workstation: its map, and the layer driven only by name, as the
// closed host does; and the demo as a new user runs it, headless: local
// camera, detectors and snapshot servers, the workstation on a list that
// points at them, and a picture of the result.
class TestWorkstation : public QObject
{
    Q_OBJECT

private slots:
    void menuAndList();
    void russianTexts();
    void demoShowsTheWholeSystem();
};

// What the workstation shows of the layer: the map's context menu lists the
// cameras that see the point clicked, nearest first, over a sector on show
// too, and opens all of them as a double-click does; the camera list.
void TestWorkstation::menuAndList()
{
    // Looking north: "Near", and "Far & wide" 100 m behind it; "Away" looks
    // south, "Blind" has no direction.
    LiveSystem system;
    WorkstationWindow &window = *system.window;
    OsmView *view = window.mapView();
    view->setReferenceLatitude(55.75);
    view->setZoom(17);
    // Zoom levels as slippy-map levels, north up, as the plug-in's items and
    // players expect.
    QCOMPARE(view->transform().m11(), 256.0 * (1 << 17) / 360);
    QVERIFY(view->transform().m22() < 0);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(system.open(
        TestSupport::CamListBuilder()
            .add("Near", 37.6, 55.75, "ang=\"90\" view_ang=\"60\" view_radius=\"200\"")
            .add("Far & wide", 37.6, 55.749099, "ang=\"90\" view_ang=\"60\" view_radius=\"300\"")
            .add("Away", 37.6, 55.7505, "ang=\"270\" view_ang=\"60\" view_radius=\"200\"")
            .add("Blind", 37.6005, 55.7509,
                 "url=\"pipe:0\" view_ang=\"360\" view_radius=\"500\"")));
    window.cameraLayer().setViewAreasAlwaysVisible(true);
    // The menu's entries at a point, a disabled one marked "-"; the last is
    // chosen when asked.
    const auto seeingMenu = [&](const QPointF &point, bool chooseLast) {
        view->centerOn(point);
        const QPoint at = view->mapFromScene(point);
        QStringList shown;
        QTimer::singleShot(0, &window, [&] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu);
            QMenu *seeing = nullptr;
            for (QAction *action : menu->actions()) {
                if (action->text() == QLatin1String("Cameras seeing this point"))
                    seeing = action->menu();
            }
            menu->close();
            QVERIFY(seeing);
            QAction *last = nullptr;
            for (QAction *action : seeing->actions()) {
                if (!action->isSeparator())
                    shown << QString(action->isEnabled() ? "" : "-") + (last = action)->text();
            }
            if (chooseLast)
                last->trigger();
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
        QApplication::sendEvent(view->viewport(), &event);
        return shown;
    };
    QCOMPARE(seeingMenu(QPointF(37.6, 55.75 + 100 * DegreesPerMetre), true),
             QStringList({"Near (100 m)", "Far && wide (200 m)", "Open all"}));
    QCOMPARE(seeingMenu(QPointF(37.6, 55.75 - 400 * DegreesPerMetre), false),
             QStringList({"-No camera sees this point"}));

    QStringList players;
    for (const QDockWidget *dock : window.findChildren<QDockWidget *>())
        players << dock->windowTitle();
    players.removeOne(window.cameraList()->windowTitle());
    players.sort();
    QCOMPARE(players, QStringList({"Far & wide", "Near"}));

    // The camera list follows the layer: picking a row selects that camera
    // on the map; deleting it marks the list changed and takes its row away.
    CameraListDock *list = window.cameraList();
    QTreeWidget *tree = list->tree();
    QCOMPARE(list->rowCount(), 4);
    tree->setCurrentItem(tree->findItems(QStringLiteral("Away"), Qt::MatchExactly).constFirst());
    QObject *selected = window.selectedCamera();
    QCOMPARE(CameraLayer::modelData(selected, 0, Qt::DisplayRole).toString(),
             QStringLiteral("Away"));
    window.cameraLayer().deleteCamera(selected);
    QTRY_COMPARE(list->rowCount(), 3);
    QTRY_VERIFY(window.windowTitle().startsWith(QStringLiteral("cameras.xml* - ")));

    // A camera's player shows its state in the camera's row.
    QTreeWidgetItem *row = tree->findItems(QStringLiteral("Blind"), Qt::MatchExactly).constFirst();
    QObject *camera = window.findCamera(QStringLiteral("Blind"));
    QCOMPARE(row->text(3), QString());
    QVERIFY(CameraLayer::play(camera, false, false));
    QTRY_COMPARE(row->text(3), QStringLiteral("failed"));

    // A crowd: the nearest that fit on the screen; the rest are counted.
    TestSupport::CamListBuilder crowd;
    QStringList nearest;
    for (int i = 0; i < 22; ++i) {
        crowd.add("Crowd", 37.61, 55.75, "ang=\"90\" view_ang=\"60\" view_radius=\"200\"");
        nearest << QStringLiteral("Crowd (100 m)");
    }
    QVERIFY(system.load(crowd));
    nearest = nearest.mid(0, 20) << "-2 more not listed"
                                 << "Open the 20 nearest";
    QCOMPARE(seeingMenu(QPointF(37.61, 55.75 + 100 * DegreesPerMetre), false), nearest);
}

// The Russian catalogue beside the plug-in reaches the texts the classes
// really produce, so its contexts match the code's.
void TestWorkstation::russianTexts()
{
    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(OSTREL_BINARY_DIR "/lib/ostrel/ostrel_ru.qm")));
    QVERIFY(QCoreApplication::installTranslator(&translator));
    LiveSystem system;
    QCOMPARE(system.window->menuBar()->actions().constFirst()->text(), QStringLiteral("&Файл"));
    QVERIFY(!system.plugin->loadVlcCamList(QStringLiteral("/nonexistent/cameras.xml")));
    QVERIFY2(system.plugin->lastError().startsWith(QStringLiteral("Ошибка открытия файла: ")),
             qPrintable(system.plugin->lastError()));
    QCOMPARE(QCoreApplication::translate("AxisTrafficStreamOverlay", "Command answer timeot"),
             QStringLiteral("Нет ответа на команду"));
    QCOMPARE(QCoreApplication::translate("CitiLogOvelay", "Message size too big"),
             QStringLiteral("Слишком большое сообщение"));
    QCoreApplication::removeTranslator(&translator);
}

void TestWorkstation::demoShowsTheWholeSystem()
{
    QTemporaryDir dir;
    const QString shot = dir.filePath(QStringLiteral("demo.png"));
    PeerProcess demo;
    QVERIFY(demo.start(TestSupport::systemPython(),
                       {TestSupport::sourcePath(QStringLiteral("scripts/demo.py")),
                        QStringLiteral("--build"), QStringLiteral(OSTREL_BINARY_DIR),
                        QStringLiteral("--screenshot"), shot, QStringLiteral("--after"),
                        QStringLiteral("12")}));
    QVERIFY(demo.process().waitForFinished(90000));
    const QByteArray output = demo.output();
    QVERIFY2(demo.process().exitCode() == 0, output.constData());

    const QImage image = QImage(shot).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(image.size(), QSize(1600, 900));

    // Left: the map with camera icons (the icons' blue) and their sectors.
    const QRect map(320, 30, 750, 820);
    const int iconPixels = countPixels(
        image, map, [](QRgb c) { return qBlue(c) > 150 && qRed(c) < 80 && qGreen(c) < 140; });
    QVERIFY2(iconPixels > 100, QByteArray::number(iconPixels));

    // Right: the docked player shows the camera's picture, not black, with
    // the traffic-stream detector's sensors drawn over it.
    const QRect player(1080, 40, 520, 850);
    const int picture = countPixels(image, player, [](QRgb c) {
        return qAbs(qRed(c) - 0x5a) < 12 && qAbs(qGreen(c) - 0x64) < 12
               && qAbs(qBlue(c) - 0x70) < 12;
    });
    QVERIFY2(picture > 20000, QByteArray::number(picture));
    const int green = countPixels(image, player, [](QRgb c) { return (c & 0xffffff) == 0x00ff00; });
    const int red = countPixels(image, player, [](QRgb c) { return (c & 0xffffff) == 0xff0000; });
    QVERIFY2(green + red > 200, QByteArray::number(green) + " " + QByteArray::number(red));
}

QTEST_MAIN(TestWorkstation)
#include "tst_workstation.moc"
