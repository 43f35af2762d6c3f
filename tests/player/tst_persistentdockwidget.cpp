#include "player/persistentdockwidget.h"

#include <QCursor>
#include <QMainWindow>
#include <QPointer>
#include <QTest>

// Placement records live for the process, so every case uses its own names.
class TestPersistentDockWidget : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void firstOpeningFloatsAtCursor();
    void floatingGeometryComesBackExactly();
    void dockedComesBackInAreaAndTabGroup();
    void namesDifferingInCaseAreSeparate();

private:
    PersistentDockWidget *open(const QString &name);
    void closeAndWait(QDockWidget *dock);

    QMainWindow *m_window = nullptr;
};

void TestPersistentDockWidget::init()
{
    m_window = new QMainWindow;
    m_window->setCentralWidget(new QWidget);
    m_window->setGeometry(50, 50, 1200, 800);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestPersistentDockWidget::cleanup()
{
    delete m_window;
}

PersistentDockWidget *TestPersistentDockWidget::open(const QString &name)
{
    auto *dock = new PersistentDockWidget(m_window, name);
    dock->setAttribute(Qt::WA_DeleteOnClose);
    dock->setWidget(new QWidget);
    return dock;
}

void TestPersistentDockWidget::closeAndWait(QDockWidget *dock)
{
    QPointer<QDockWidget> guard(dock);
    QVERIFY(dock->close());
    QVERIFY(QTest::qWaitFor([&] { return guard.isNull(); }, 2000));
}

void TestPersistentDockWidget::firstOpeningFloatsAtCursor()
{
    QCursor::setPos(321, 123);
    PersistentDockWidget *dock = open(QStringLiteral("rtsp://first/"));
    QVERIFY(dock->isFloating());
    QVERIFY(dock->isVisible());
    QCOMPARE(dock->size(), QSize(640, 480));
    QCOMPARE(dock->pos(), QPoint(321, 123));
}

void TestPersistentDockWidget::floatingGeometryComesBackExactly()
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

void TestPersistentDockWidget::dockedComesBackInAreaAndTabGroup()
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

void TestPersistentDockWidget::namesDifferingInCaseAreSeparate()
{
    PersistentDockWidget *upper = open(QStringLiteral("rtsp://Cam/"));
    upper->setGeometry(100, 100, 400, 300);
    closeAndWait(upper);

    // A shared record would bring that geometry back here.
    PersistentDockWidget *lower = open(QStringLiteral("rtsp://cam/"));
    QCOMPARE(lower->size(), QSize(640, 480));
}

QTEST_MAIN(TestPersistentDockWidget)
#include "tst_persistentdockwidget.moc"
