#include "plugin/ostrelplugin.h"

#include "cameralayer.h"
#include "cameralistdock.h"
#include "workstationwindow.h"

#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

// The workstation drives the layer only by name, as the closed host does.
class TestWorkstation : public QObject
{
    Q_OBJECT

private slots:
    void cameraListFollowsTheLayer();
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
}

QTEST_MAIN(TestWorkstation)
#include "tst_workstation.moc"
