#include "items/camgraphicsitem.h"
#include "items/camviewarea.h"
#include "plugin/itemsgroup.h"

#include "livesystem.h"

#include <QApplication>
#include <QDataStream>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPainterPath>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

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

// The camera properties dialog, operated through its widgets while the
// plug-in runs it modally over the workstation window.
class TestCamEditDlg : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void previewAndCancel_data();
    void previewAndCancel();
    void okWritesEveryField();

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
    m_system.reset(); // the plug-in takes the first host it finds
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
    QTest::addColumn<QString>("name");
    QTest::newRow("directed") << QStringLiteral("Gate");
    // The sector the preview gives goes again.
    QTest::newRow("without sector") << QStringLiteral("Tunnel");
    // Nor a type code that a list carried and no radio button shows.
    QTest::newRow("type without a button") << QStringLiteral("Custom");
    // Turning the box gives a direction, which goes again.
    QTest::newRow("without direction") << QStringLiteral("Undirected");
}

// Every keystroke shows on the map at once, and Cancel takes all of it back.
void TestCamEditDlg::previewAndCancel()
{
    QFETCH(QString, name);
    CamGraphicsItem *cam = camera(name);
    const QVariantList before = state(cam);
    double previewed = 0;
    const bool accepted = edit(cam, [&](QDialog *dialog) {
        QTest::keyClick(widget(dialog, "angle"), Qt::Key_Up);
        retype(dialog, "angle", QStringLiteral("45"));
        previewed = cam->angle();
        retype(dialog, "viewAngle", QStringLiteral("90"));
        QTest::keyClick(widget(dialog, "viewRadius"), Qt::Key_Up);
        // Fields without a preview are written only by OK.
        typeFields(
            dialog,
            {"Renamed", "rtsp://127.0.0.1:9/other", "ftp://127.0.0.1:9/", "99", "127.0.0.1:8"},
            "typeAxisTrafficStream");
        clickButton(dialog, QDialogButtonBox::Cancel);
    });
    QVERIFY(!accepted);
    QCOMPARE(previewed, 45.0);
    QCOMPARE(state(cam), before);
    QVERIFY(!m_system->plugin->isChanged());
}

// An image period of 0, as a hand-edited list may carry, shows as 1 and is
// taken as 1; OK writes every field, moves the camera into the group of its
// type and is an edit of the list. What is written comes back from a saved
// list (tst_camlistfile's round trip).
void TestCamEditDlg::okWritesEveryField()
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
    // The box shows some angle, but only turning it gives a direction.
    CamGraphicsItem *undirected = camera(QStringLiteral("Undirected"));
    const QVariantList before = state(undirected);
    QVERIFY(edit(undirected, [](QDialog *dialog) { clickButton(dialog, QDialogButtonBox::Ok); }));
    QCOMPARE(state(undirected), before);

    QVERIFY(edit(camera(QStringLiteral("Gate")), [&](QDialog *dialog) {
        typeFields(dialog,
                   {"Gate east", "rtsp://127.0.0.1:9/east", "ftp://127.0.0.1:9/yyyy-MM-dd", "15",
                    "127.0.0.1:7"},
                   "typeCitilog");
        retype(dialog, "angle", QStringLiteral("135"));
        retype(dialog, "viewAngle", QStringLiteral("60"));
        retype(dialog, "viewRadius", QStringLiteral("250"));
        clickButton(dialog, QDialogButtonBox::Ok);
    }));

    // A camera without a sector gets the one the operator shapes.
    CamGraphicsItem *tunnel = camera(QStringLiteral("Tunnel"));
    QVERIFY(!tunnel->viewArea());
    QVERIFY(edit(tunnel, [](QDialog *dialog) {
        retype(dialog, "viewAngle", QStringLiteral("70"));
        retype(dialog, "viewRadius", QStringLiteral("320"));
        clickButton(dialog, QDialogButtonBox::Ok);
    }));
    QVERIFY(tunnel->viewArea() && !tunnel->viewArea()->path().isEmpty());

    QCOMPARE(fields(camera(QStringLiteral("Gate east"))),
             QVariantList({"Gate east", "rtsp://127.0.0.1:9/east", "127.0.0.1:7",
                           "ftp://127.0.0.1:9/yyyy-MM-dd", 15, true, 5, "135", 60.0, 250.0}));
    QCOMPARE(fields(tunnel).mid(8), QVariantList({70.0, 320.0}));

    CamGraphicsItem *cam = camera(QStringLiteral("Gate east"));
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

    // No group holds video detectors yet: one is made, so that hiding the
    // type hides the camera.
    QVERIFY(!m_system->plugin->groups().contains(3));
    QVERIFY(edit(cam, chooseType("typeVideoDt")));
    QCOMPARE(cam->cameraType(), 3);
    QCOMPARE(cam->parentItem(), m_system->plugin->groups().value(3));
    QCOMPARE(cam->icon(1).toImage(), turnedIcon(3, 135));
    m_system->plugin->setTypeVisible(3, false);
    QVERIFY(!cam->isVisible());

    // A detector made a plain camera joins the cameras' group and keeps its
    // (hidden) overlay address.
    CamGraphicsItem *bridge = camera(QStringLiteral("Bridge"));
    QVERIFY(edit(bridge, chooseType("typeCam")));
    QCOMPARE(bridge->parentItem(), m_system->plugin->groups().value(1));
    QCOMPARE(bridge->overlayUrl(), QStringLiteral("127.0.0.1:9"));
    QCOMPARE(overlayRow, QList<int>({2, 0, 2, 0}));
}

QTEST_MAIN(TestCamEditDlg)
#include "tst_cameditdlg.moc"
