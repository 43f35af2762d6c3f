#include "items/camgraphicsitem.h"
#include "items/camviewarea.h"
#include "plugin/itemsgroup.h"

#include "livesystem.h"

#include <QApplication>
#include <QDataStream>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QPainterPath>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QtMath>

#include <functional>
#include <memory>

namespace {

using Operation = std::function<void(QDialog *)>;

template<typename T = QWidget>
T *widget(QDialog *dialog, const char *name)
{
    T *found = dialog->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("the dialog has no %s named %s", T::staticMetaObject.className(), name);
    return found;
}

void click(QDialog *dialog, const char *name)
{
    QTest::mouseClick(widget<QAbstractButton>(dialog, name), Qt::LeftButton);
}

void clickButton(QDialog *dialog, QDialogButtonBox::StandardButton which)
{
    QTest::mouseClick(widget<QDialogButtonBox>(dialog, "buttonBox")->button(which), Qt::LeftButton);
}

// Replaces a box's text keystroke by keystroke, as the operator types.
void retype(QDialog *dialog, const char *name, const QString &text)
{
    QWidget *box = widget(dialog, name);
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text);
}

// Types the name, video address, image address, image period and overlay
// address, turns TCP on and picks `type`: every field without a preview.
void typeFields(QDialog *dialog, const QStringList &texts, const char *type)
{
    const char *boxes[] = {"name", "videoUrl", "imageUrl", "updateInterval"};
    for (int i = 0; i < 4; ++i)
        retype(dialog, boxes[i], texts.at(i));
    click(dialog, "tcpRtsp");
    click(dialog, type);
    retype(dialog, "trafficStreamUrl", texts.at(4));
}

QImage turnedIcon(int type, double angle)
{
    return CamGraphicsItem(QPointF(), QString(), type, angle).icon(1).toImage();
}

template<typename T>
QByteArray serialized(const T &value)
{
    QByteArray data;
    QDataStream stream(&data, QIODevice::WriteOnly);
    stream << value;
    return data;
}

// The fields the dialog edits, as a saved list holds them.
QVariantList fields(const CamGraphicsItem *cam)
{
    return {cam->toolTip(),           cam->url(),
            cam->overlayUrl(),        cam->imageUrlTemplate(),
            cam->imageUpdatePeriod(), cam->useTcpRtsp(),
            cam->cameraType(),        QString::number(cam->angle()),
            cam->viewAngle(),         cam->viewRadius()};
}

// Everything the dialog may touch, including what shows on the map.
QVariantList state(const CamGraphicsItem *cam)
{
    return fields(cam)
           + QVariantList {QVariant::fromValue<void *>(cam->parentItem()),
                           serialized(cam->icon(1).toImage()),
                           serialized(cam->viewArea() ? cam->viewArea()->path() : QPainterPath())};
}

} // namespace

Q_DECLARE_METATYPE(Operation)

// The camera properties dialog, operated through its widgets while the
// plug-in runs it modally over the workstation window.
class TestCamEditDlg : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void previewAndCancel_data();
    void previewAndCancel();
    void cancelKeepsWhatTheDialogCannotShow();
    void okMovesIntoTypeGroup();
    void savedListHoldsEdits();

private:
    CamGraphicsItem *camera(const QString &name) const { return m_system->camera(name); }
    // Runs editCamProperties as the host does; `operate` acts on the dialog
    // once it shows, and a dialog it leaves open is cancelled. A dialog that
    // never shows leaves `operate` unrun, and the checks after it fail.
    bool edit(CamGraphicsItem *cam, const Operation &operate);

    std::unique_ptr<LiveSystem> m_system;
};

void TestCamEditDlg::init()
{
    m_system = std::make_unique<LiveSystem>();
    QVERIFY(m_system->load(
        TestSupport::CamListBuilder()
            .add("Gate", 37.6, 55.7,
                 "ang=\"10\" url=\"rtsp://127.0.0.1:9/gate\" view_ang=\"30\" view_radius=\"100\""
                 " image_url_template=\"http://127.0.0.1:9/yyyy-MM-dd\" image_update_period=\"0\"")
            .add("Bridge", 37.7, 55.8,
                 "ang=\"90\" type=\"4\" overlay_url=\"127.0.0.1:9\" view_ang=\"40\""
                 " view_radius=\"200\" rtsp_tcp=\"true\"")
            .add("Undirected", 37.8, 55.9, "type=\"2\" view_ang=\"30\" view_radius=\"100\"")
            .add("Tunnel", 37.9, 55.6, "ang=\"200\" type=\"5\"")
            .add("Custom", 37.5, 55.5, "ang=\"0\" type=\"9\"")));
}

void TestCamEditDlg::cleanup()
{
    m_system.reset();
}

bool TestCamEditDlg::edit(CamGraphicsItem *cam, const Operation &operate)
{
    QTimer poll;
    connect(&poll, &QTimer::timeout, &poll, [&] {
        if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            poll.stop();
            operate(dialog);
            if (dialog->isVisible())
                dialog->reject();
        }
    });
    poll.start(10);
    bool accepted = false;
    QMetaObject::invokeMethod(m_system->plugin.get(), "editCamProperties",
                              Q_RETURN_ARG(bool, accepted), Q_ARG(CamGraphicsItem *, cam));
    return accepted;
}

void TestCamEditDlg::previewAndCancel_data()
{
    QTest::addColumn<Operation>("cancel");
    QTest::addColumn<QString>("name");
    QTest::newRow("Cancel") << Operation([](QDialog *dialog) {
        clickButton(dialog, QDialogButtonBox::Cancel);
    }) << QStringLiteral("Gate");
    QTest::newRow("Escape") << Operation([](QDialog *dialog) {
        QTest::keyClick(dialog, Qt::Key_Escape);
    }) << QStringLiteral("Gate");
    QTest::newRow("closed") << Operation([](QDialog *dialog) { dialog->close(); })
                            << QStringLiteral("Gate");
    // The sector the preview gives goes again.
    QTest::newRow("without sector")
        << Operation([](QDialog *dialog) { clickButton(dialog, QDialogButtonBox::Cancel); })
        << QStringLiteral("Tunnel");
    // Nor a type code that a list carried and no radio button shows.
    QTest::newRow("type without a button")
        << Operation([](QDialog *dialog) { clickButton(dialog, QDialogButtonBox::Cancel); })
        << QStringLiteral("Custom");
}

void TestCamEditDlg::previewAndCancel()
{
    QFETCH(Operation, cancel);
    QFETCH(QString, name);
    CamGraphicsItem *cam = camera(name);
    const QVariantList before = state(cam);
    const double angle = cam->angle();
    const auto sector = [cam] {
        return cam->viewArea() ? cam->viewArea()->path() : QPainterPath();
    };

    QList<double> angles;
    bool iconTurned = false;
    QList<QPainterPath> sectors {sector()};
    const bool accepted = edit(cam, [&](QDialog *dialog) {
        // Every step and keystroke shows on the map at once.
        QTest::keyClick(widget(dialog, "angle"), Qt::Key_Up);
        angles << cam->angle();
        retype(dialog, "angle", QStringLiteral("45"));
        angles << cam->angle();
        iconTurned = cam->icon(1).toImage() == turnedIcon(cam->cameraType(), 45);
        retype(dialog, "viewAngle", QStringLiteral("90"));
        sectors << sector();
        QTest::keyClick(widget(dialog, "viewRadius"), Qt::Key_Up);
        sectors << sector();
        // Fields without a preview are written only by OK.
        typeFields(
            dialog,
            {"Renamed", "rtsp://127.0.0.1:9/other", "ftp://127.0.0.1:9/", "99", "127.0.0.1:8"},
            "typeAxisTrafficStream");
        cancel(dialog);
    });
    QVERIFY(!accepted);
    QCOMPARE(angles, QList<double>({angle + 1, 45}));
    QVERIFY(iconTurned);
    for (int i = 1; i < sectors.size(); ++i)
        QVERIFY(sectors[i] != sectors[i - 1]);
    QCOMPARE(state(cam), before);
    QVERIFY(!m_system->plugin->isChanged());
}

void TestCamEditDlg::cancelKeepsWhatTheDialogCannotShow()
{
    CamGraphicsItem *cam = camera(QStringLiteral("Undirected"));
    QVERIFY(qIsNaN(cam->angle()));
    const QVariantList before = state(cam);

    // The box shows some angle, but only turning it gives a direction.
    QVERIFY(edit(cam, [](QDialog *dialog) { clickButton(dialog, QDialogButtonBox::Ok); }));
    QCOMPARE(state(cam), before);

    bool directedWhileOpen = false;
    edit(cam, [&](QDialog *dialog) {
        QTest::keyClick(widget(dialog, "angle"), Qt::Key_Down);
        directedWhileOpen = cam->angle() == 359.0 && cam->icon(1).toImage() == turnedIcon(2, 359)
                            && !cam->viewArea()->path().isEmpty();
        clickButton(dialog, QDialogButtonBox::Cancel);
    });
    QVERIFY(directedWhileOpen);
    QVERIFY(qIsNaN(cam->angle()));
    QCOMPARE(cam->icon(1).toImage(), cam->icon(0).toImage());
    QCOMPARE(state(cam), before);
}

void TestCamEditDlg::okMovesIntoTypeGroup()
{
    CamGraphicsItem *cam = camera(QStringLiteral("Gate"));
    ItemsGroup *lprGroup = m_system->plugin->groups().value(2);
    QVERIFY(lprGroup && cam->parentItem() != lprGroup);
    // The overlay address row shows for detectors only, before and after
    // a type is picked.
    QList<int> overlayRow;
    const auto chooseType = [&overlayRow](const char *type) {
        return [&overlayRow, type](QDialog *dialog) {
            const auto look = [&] {
                overlayRow << int(widget(dialog, "label_8")->isVisible())
                                  + int(widget(dialog, "trafficStreamUrl")->isVisible());
            };
            look();
            click(dialog, type);
            look();
            clickButton(dialog, QDialogButtonBox::Ok);
        };
    };

    QVERIFY(edit(cam, chooseType("typeLpr")));
    QCOMPARE(cam->cameraType(), 2);
    QCOMPARE(cam->parentItem(), lprGroup);
    QCOMPARE(cam->icon(1).toImage(), turnedIcon(2, 10));

    // No group holds video detectors yet: one is made, so that hiding the
    // type hides the camera.
    QVERIFY(!m_system->plugin->groups().contains(3));
    QVERIFY(edit(cam, chooseType("typeVideoDt")));
    QCOMPARE(cam->cameraType(), 3);
    QVERIFY(m_system->plugin->groups().contains(3));
    QCOMPARE(cam->parentItem(), m_system->plugin->groups().value(3));
    QCOMPARE(cam->icon(1).toImage(), turnedIcon(3, 10));
    m_system->plugin->setTypeVisible(3, false);
    QVERIFY(!cam->isVisible());

    // A detector made a plain camera keeps its (hidden) overlay address.
    CamGraphicsItem *bridge = camera(QStringLiteral("Bridge"));
    QVERIFY(edit(bridge, chooseType("typeCam")));
    QCOMPARE(bridge->parentItem(), m_system->plugin->groups().value(1));
    QCOMPARE(bridge->overlayUrl(), QStringLiteral("127.0.0.1:9"));
    QCOMPARE(overlayRow, QList<int>({0, 0, 0, 0, 2, 0}));
}

// An image period of 0, as a hand-edited list may carry, shows as 1 and is
// saved as 1; accepted edits are edits of the list, and a saved list holds
// them.
void TestCamEditDlg::savedListHoldsEdits()
{
    int shown = -1;
    QString title;
    QWidget *parent = nullptr;
    QVERIFY(edit(camera(QStringLiteral("Gate")), [&](QDialog *dialog) {
        shown = widget<QSpinBox>(dialog, "updateInterval")->value();
        title = dialog->windowTitle();
        parent = dialog->parentWidget();
        clickButton(dialog, QDialogButtonBox::Ok);
    }));
    QCOMPARE(shown, 1);
    QCOMPARE(camera(QStringLiteral("Gate"))->imageUpdatePeriod(), 1);
    QCOMPARE(title, QStringLiteral("Camera \"Gate\" properties"));
    QCOMPARE(parent, static_cast<QWidget *>(m_system->window.get()));
    QVERIFY(m_system->plugin->isChanged());

    bool overlayRowShown = false;
    QVERIFY(edit(camera(QStringLiteral("Gate")), [&](QDialog *dialog) {
        typeFields(dialog,
                   {"Gate east", "rtsp://127.0.0.1:9/east", "ftp://127.0.0.1:9/yyyy-MM-dd", "15",
                    "127.0.0.1:7"},
                   "typeCitilog");
        overlayRowShown = widget(dialog, "trafficStreamUrl")->isVisible();
        retype(dialog, "angle", QStringLiteral("135"));
        retype(dialog, "viewAngle", QStringLiteral("60"));
        retype(dialog, "viewRadius", QStringLiteral("250"));
        clickButton(dialog, QDialogButtonBox::Ok);
    }));

    QVERIFY(overlayRowShown);

    // A camera without a sector gets the one the operator shapes.
    CamGraphicsItem *tunnel = camera(QStringLiteral("Tunnel"));
    QVERIFY(!tunnel->viewArea());
    QVERIFY(edit(tunnel, [](QDialog *dialog) {
        retype(dialog, "viewAngle", QStringLiteral("70"));
        retype(dialog, "viewRadius", QStringLiteral("320"));
        clickButton(dialog, QDialogButtonBox::Ok);
    }));
    QVERIFY(tunnel->viewArea() && !tunnel->viewArea()->path().isEmpty());

    const QVariantList edited = fields(camera(QStringLiteral("Gate east")));
    QCOMPARE(edited,
             QVariantList({"Gate east", "rtsp://127.0.0.1:9/east", "127.0.0.1:7",
                           "ftp://127.0.0.1:9/yyyy-MM-dd", 15, true, 5, "135", 60.0, 250.0}));
    const QVariantList tunnelEdited = fields(tunnel);
    QCOMPARE(tunnelEdited.mid(8), QVariantList({70.0, 320.0}));
    const QString path = m_system->listFile() + QStringLiteral(".saved");
    m_system->plugin->saveVlcCamList(path);
    QVERIFY(m_system->plugin->loadVlcCamList(path));
    QCOMPARE(fields(camera(QStringLiteral("Gate east"))), edited);
    QCOMPARE(fields(camera(QStringLiteral("Tunnel"))), tunnelEdited);
}

QTEST_MAIN(TestCamEditDlg)
#include "tst_cameditdlg.moc"
