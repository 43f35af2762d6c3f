#include "player/persistentdockwidget.h"
#include "player/scenecamproxywidget.h"

#include "testsupport.h"

#include <QCursor>
#include <QFrame>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPointer>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QVBoxLayout>
#include <QtMath>

namespace {

// A player stand-in: a picture area named "frame" above a slider.
QWidget *makePlayer()
{
    auto *player = new QWidget;
    player->setAutoFillBackground(true);
    player->setPalette(QPalette(Qt::white));
    auto *layout = new QVBoxLayout(player);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *frame = new QFrame;
    frame->setObjectName(QStringLiteral("frame"));
    frame->setMinimumHeight(100);
    layout->addWidget(frame);
    auto *slider = new QSlider(Qt::Horizontal);
    slider->setRange(0, 100);
    slider->setValue(50);
    layout->addWidget(slider);
    player->resize(200, 150);
    return player;
}

} // namespace

// Where a player sits: in a dock that comes back where the operator left
// it, or on the map in a proxy held at its anchor. The map view shows the
// scene at twice its size, as a zoomed map would, while the proxy ignores
// that transformation. Dock placement records live for the process, so
// every case uses names of its own.
class TestPlayerPlacement : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void firstOpeningFloatsAtCursor();
    void floatingGeometryComesBackExactly();
    void dockedComesBackInAreaAndTabGroup();
    void heldAtAnchor();
    void dragOnTheMap_data();
    void dragOnTheMap();

private:
    PersistentDockWidget *open(const QString &name);
    void closeAndWait(QDockWidget *dock);
    SceneCamProxyWidget *place(bool childControls, const QPointF &pos);
    QPoint viewPoint(const QWidget *child) const;

    QMainWindow *m_window = nullptr;
    QObject *m_owner = nullptr;
    QGraphicsScene *m_scene = nullptr;
    QGraphicsView *m_view = nullptr;
    SceneCamProxyWidget *m_proxy = nullptr;
};

void TestPlayerPlacement::init()
{
    m_window = new QMainWindow;
    m_window->setCentralWidget(new QWidget);
    m_window->setGeometry(50, 50, 1200, 800);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    m_owner = new QObject;
    m_scene = new QGraphicsScene(0, 0, 400, 300);
    m_view = new QGraphicsView(m_scene);
    m_view->setFrameShape(QFrame::NoFrame);
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_view->scale(2, 2);
    m_view->resize(800, 600);
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view));
}

void TestPlayerPlacement::cleanup()
{
    delete m_view;
    delete m_scene;
    delete m_owner;
    delete m_window;
}

PersistentDockWidget *TestPlayerPlacement::open(const QString &name)
{
    auto *dock = new PersistentDockWidget(m_window, name);
    dock->setAttribute(Qt::WA_DeleteOnClose);
    dock->setWidget(new QWidget);
    return dock;
}

void TestPlayerPlacement::closeAndWait(QDockWidget *dock)
{
    QPointer<QDockWidget> guard(dock);
    QVERIFY(dock->close());
    QVERIFY(QTest::qWaitFor([&] { return guard.isNull(); }, 2000));
}

SceneCamProxyWidget *TestPlayerPlacement::place(bool childControls, const QPointF &pos)
{
    m_proxy = new SceneCamProxyWidget(m_owner, childControls);
    m_proxy->setFlags(QGraphicsItem::ItemIgnoresTransformations | QGraphicsItem::ItemIsMovable
                      | QGraphicsItem::ItemIsSelectable);
    QWidget *player = makePlayer();
    player->move(30, 70);
    m_proxy->setWidget(player);
    m_proxy->setAnchorPos(pos);
    m_scene->addItem(m_proxy);
    return m_proxy;
}

QPoint TestPlayerPlacement::viewPoint(const QWidget *child) const
{
    return m_view->mapFromScene(m_proxy->pos()) + child->geometry().center();
}

// A first opening floats at the cursor at 640 x 480, also when a name
// differing only in case has a record.
void TestPlayerPlacement::firstOpeningFloatsAtCursor()
{
    PersistentDockWidget *upper = open(QStringLiteral("rtsp://Cam/"));
    upper->setGeometry(100, 100, 400, 300);
    closeAndWait(upper);

    QCursor::setPos(321, 123);
    PersistentDockWidget *dock = open(QStringLiteral("rtsp://cam/"));
    QVERIFY(dock->isFloating());
    QVERIFY(dock->isVisible());
    QCOMPARE(dock->size(), QSize(640, 480));
    QCOMPARE(dock->pos(), QPoint(321, 123));
}

void TestPlayerPlacement::floatingGeometryComesBackExactly()
{
    const QString name = QStringLiteral("rtsp://floating/");
    PersistentDockWidget *dock = open(name);
    const QRect left(217, 133, 503, 297);
    dock->setGeometry(left);
    closeAndWait(dock);

    QCursor::setPos(5, 5);
    dock = open(name);
    QVERIFY(dock->isFloating());
    QCOMPARE(dock->geometry(), left);
}

void TestPlayerPlacement::dockedComesBackInAreaAndTabGroup()
{
    auto partner = [this](const QString &name) {
        auto *dock = new QDockWidget(m_window);
        dock->setObjectName(name);
        m_window->addDockWidget(Qt::BottomDockWidgetArea, dock);
        return dock;
    };
    QDockWidget *first = partner(QStringLiteral("first"));
    QDockWidget *second = partner(QStringLiteral("second"));
    m_window->tabifyDockWidget(first, second);

    const QString name = QStringLiteral("http://tabbed/");
    PersistentDockWidget *dock = open(name);
    m_window->addDockWidget(Qt::BottomDockWidgetArea, dock);
    m_window->tabifyDockWidget(first, dock);
    dock->setFloating(false);
    QTRY_COMPARE(m_window->tabifiedDockWidgets(dock).size(), 2);
    closeAndWait(dock);

    dock = open(name);
    QVERIFY(!dock->isFloating());
    QCOMPARE(m_window->dockWidgetArea(dock), Qt::BottomDockWidgetArea);
    QTRY_VERIFY(m_window->tabifiedDockWidgets(dock).contains(first));
    closeAndWait(dock);

    // The first remembered partner is gone: the next one that exists is used.
    delete first;
    dock = open(name);
    QTRY_COMPARE(m_window->tabifiedDockWidgets(dock), QList<QDockWidget *> {second});
    closeAndWait(dock);

    // No partner left: docked in the area alone.
    delete second;
    dock = open(name);
    QVERIFY(!dock->isFloating());
    QCOMPARE(m_window->dockWidgetArea(dock), Qt::BottomDockWidgetArea);
    QTest::qWait(50);
    QVERIFY(m_window->tabifiedDockWidgets(dock).isEmpty());
}

void TestPlayerPlacement::heldAtAnchor()
{
    // Embedding moved the item to the widget's own position; the anchor wins.
    place(false, QPointF(50, 40));
    QCOMPARE(m_proxy->pos(), QPointF(50, 40));

    m_proxy->widget()->resize(320, 240);
    QCOMPARE(m_proxy->pos(), QPointF(50, 40));
    m_proxy->setPos(10, 10);
    QCOMPARE(m_proxy->pos(), QPointF(50, 40));
    // A position that never equals the anchor neither becomes one nor keeps
    // the item moving back for ever.
    m_proxy->setAnchorPos(QPointF(qQNaN(), 40));
    QCOMPARE(m_proxy->anchorPos(), QPointF(50, 40));
    m_proxy->setPos(qQNaN(), qInf());
    QCOMPARE(m_proxy->pos(), QPointF(50, 40));

    // Without an explicit anchor the first placement becomes the anchor.
    auto *plain = new SceneCamProxyWidget(m_owner, false);
    plain->setWidget(new QWidget);
    plain->setPos(70, 80);
    plain->widget()->resize(64, 48);
    plain->setPos(0, 1);
    QCOMPARE(plain->pos(), QPointF(70, 80));
}

void TestPlayerPlacement::dragOnTheMap_data()
{
    QTest::addColumn<bool>("childControls");
    QTest::newRow("the whole player drags") << false;
    QTest::newRow("controls take their presses") << true;
}

// Without child controls even the slider drags the item; with them the
// slider takes its drag and only the picture area drags the item. A drag
// moves the anchor and pins the item.
void TestPlayerPlacement::dragOnTheMap()
{
    QFETCH(bool, childControls);
    place(childControls, QPointF(50, 40));
    auto *slider = m_proxy->widget()->findChild<QSlider *>();
    QSignalSpy pressed(slider, &QSlider::sliderPressed);
    QSignalSpy released(slider, &QSlider::sliderReleased);

    TestSupport::drag(m_view->viewport(), viewPoint(slider), QPoint(40, 20));
    QCOMPARE(pressed.count(), int(childControls));
    QCOMPARE(released.count(), int(childControls));
    QCOMPARE(slider->value() > 50, childControls);
    QCOMPARE(m_proxy->pos(), childControls ? QPointF(50, 40) : QPointF(70, 50));

    auto *frame = m_proxy->widget()->findChild<QFrame *>(QStringLiteral("frame"));
    TestSupport::drag(m_view->viewport(), viewPoint(frame), QPoint(-20, 30));
    const QPointF moved = childControls ? QPointF(40, 55) : QPointF(60, 65);
    QCOMPARE(m_proxy->pos(), moved);
    QVERIFY(m_proxy->isPinned());
    QVERIFY(m_proxy->isSelected());
    m_proxy->widget()->resize(100, 80);
    QCOMPARE(m_proxy->pos(), moved);
}

QTEST_MAIN(TestPlayerPlacement)
#include "tst_playerplacement.moc"
