#include "player/scenecamproxywidget.h"

#include <QFrame>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QMouseEvent>
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

// The view shows the scene at twice its size, as a zoomed map would, while
// the proxy itself ignores that transformation.
class TestSceneCamProxyWidget : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void heldAtAnchor();
    void dragMovesAnchor();
    void childControlsGetPresses();

private:
    SceneCamProxyWidget *place(bool childControls, const QPointF &pos);
    QPoint viewPoint(const QWidget *child) const;
    void drag(const QPoint &from, const QPoint &by);

    QObject *m_owner = nullptr;
    QGraphicsScene *m_scene = nullptr;
    QGraphicsView *m_view = nullptr;
    SceneCamProxyWidget *m_proxy = nullptr;
};

void TestSceneCamProxyWidget::init()
{
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

void TestSceneCamProxyWidget::cleanup()
{
    delete m_view;
    delete m_scene;
    delete m_owner;
}

SceneCamProxyWidget *TestSceneCamProxyWidget::place(bool childControls, const QPointF &pos)
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

QPoint TestSceneCamProxyWidget::viewPoint(const QWidget *child) const
{
    return m_view->mapFromScene(m_proxy->pos()) + child->geometry().center();
}

void TestSceneCamProxyWidget::drag(const QPoint &from, const QPoint &by)
{
    QWidget *viewport = m_view->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, from);
    // QTest::mouseMove() carries no buttons, which a drag needs.
    for (int step = 1; step <= 4; ++step) {
        const QPoint to = from + by * step / 4;
        QMouseEvent move(QEvent::MouseMove, to, viewport->mapToGlobal(to), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &move);
    }
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, from + by);
}

void TestSceneCamProxyWidget::heldAtAnchor()
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

void TestSceneCamProxyWidget::dragMovesAnchor()
{
    place(false, QPointF(50, 40));
    auto *slider = m_proxy->widget()->findChild<QSlider *>();
    QSignalSpy sliderPressed(slider, &QSlider::sliderPressed);

    // Without child controls even the slider drags the item.
    drag(viewPoint(slider), QPoint(40, 20));
    QCOMPARE(sliderPressed.count(), 0);
    QCOMPARE(m_proxy->pos(), QPointF(70, 50));
    QVERIFY(m_proxy->isPinned());
    QVERIFY(m_proxy->isSelected());

    m_proxy->widget()->resize(100, 80);
    QCOMPARE(m_proxy->pos(), QPointF(70, 50));
}

void TestSceneCamProxyWidget::childControlsGetPresses()
{
    place(true, QPointF(50, 40));
    auto *slider = m_proxy->widget()->findChild<QSlider *>();
    QSignalSpy pressed(slider, &QSlider::sliderPressed);
    QSignalSpy moved(slider, &QSlider::sliderMoved);
    QSignalSpy released(slider, &QSlider::sliderReleased);

    drag(viewPoint(slider), QPoint(40, 0));
    QCOMPARE(pressed.count(), 1);
    QVERIFY(moved.count() > 0);
    QVERIFY(slider->value() > 50);
    QCOMPARE(released.count(), 1);
    QCOMPARE(m_proxy->pos(), QPointF(50, 40));

    // The picture area drags the item.
    auto *frame = m_proxy->widget()->findChild<QFrame *>(QStringLiteral("frame"));
    drag(viewPoint(frame), QPoint(-20, 30));
    QCOMPARE(m_proxy->pos(), QPointF(40, 55));
    QCOMPARE(pressed.count(), 1);
}

QTEST_MAIN(TestSceneCamProxyWidget)
#include "tst_scenecamproxywidget.moc"
