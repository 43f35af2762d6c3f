#include "overlays/axistrafficstreamoverlay.h"

#include "imagecollector.h"
#include "simulatorpeer.h"

#include <QTest>

namespace {

const QColor red(255, 0, 0);
const QColor green(0, 255, 0);
const QString trafficStream = QStringLiteral("trafficstream");

// A rectangle whose arrow is easy to find, a triangle and a square.
const QByteArray shapesLayout = R"({
    "sensors": [
        {"id": 7, "points": [[100, 100], [300, 100], [300, 200], [100, 200]]},
        {"id": 8, "points": [[400, 300], [500, 300], [450, 400]], "active": true},
        {"id": 9, "points": [[400, 100], [500, 100], [500, 200], [400, 200]]}
    ]
})";

} // namespace

class TestAxisTrafficStreamOverlay : public QObject
{
    Q_OBJECT

private slots:
    void exchangeAndLiveStates();
    void outlinesArrowsAndLabels();
    void extremeCoordinates();
    void failureMessages_data();
    void failureMessages();
    void receiveLimitAtExactly100000();
    void silentLoginKeepsWaiting();
};

void TestAxisTrafficStreamOverlay::exchangeAndLiveStates()
{
    SimulatorPeer sim;
    QVERIFY(sim.start(trafficStream));
    AxisTrafficStreamOverlay client(nullptr, sim.url());
    ImageCollector images(&client);
    client.start();
    QVERIFY(images.last().isNull()); // the reset before connecting
    QCOMPARE(images.count(), 1);

    const QImage first = images.waitForOverlay();
    QCOMPARE(first.size(), QSize(640, 480));
    QVERIFY(sim.waitForLine("recv 1 sm data=on"));
    QStringList received;
    for (const QString &line : sim.lines(QStringLiteral("recv 1 ")))
        received.append(line.mid(7));
    QCOMPARE(received, QStringList({"root", "pass", "gcam", "ge2", "gtrc", "sm data=on"}));
    const qint64 passwordDelay = sim.timeOf("recv 1 pass") - sim.timeOf("recv 1 root");
    QVERIFY2(
        passwordDelay >= 150 && passwordDelay < 1000, qPrintable(QString::number(passwordDelay)));

    // Sensor 2's left side runs from (180, 240) to (170, 440).
    QVERIFY(ImageCollector::hasColourNear(first, QPoint(175, 340), green));
    QVERIFY(!ImageCollector::hasColourNear(first, QPoint(175, 340), red));

    sim.command("set 2 1");
    const QImage changed = images.waitForOverlay();
    QVERIFY(ImageCollector::hasColourNear(changed, QPoint(175, 340), red));
    QVERIFY(ImageCollector::hasColourNear(changed, QPoint(45, 340), green));

    // A state line whose third item is broken: the first two apply, the rest go.
    sim.command("send ge 1=1,0,0,0,0 3=0,0,0,0,0 4");
    const QImage partial = images.waitForOverlay();
    QVERIFY(ImageCollector::hasColourNear(partial, QPoint(45, 340), red));
    QVERIFY(ImageCollector::hasColourNear(partial, QPoint(475, 340), green));
    QVERIFY(ImageCollector::isTransparentAround(partial, QRect(170, 335, 10, 10)));
    QVERIFY(ImageCollector::isTransparentAround(partial, QRect(590, 335, 10, 10)));
    QCOMPARE(sim.lines("closed").size(), 0);
}

void TestAxisTrafficStreamOverlay::outlinesArrowsAndLabels()
{
    SimulatorPeer sim;
    QVERIFY(sim.start(trafficStream, shapesLayout));
    sim.command("answer gcam gcam s=0\\r\\nFrameW=640\\nFrameH=480");
    AxisTrafficStreamOverlay client(nullptr, sim.url());
    ImageCollector images(&client);
    client.start();
    const QImage image = images.waitForOverlay();
    QCOMPARE(image.size(), QSize(640, 480));

    // Rectangle 7 (not active): outline, label "7" in the middle of its box,
    // and an arrow along its top side with the tip at (275, 150), a shaft
    // back to (225, 150) and barbs to (250, 150 +- 12).
    QVERIFY(ImageCollector::hasColourNear(image, QPoint(200, 100), green, 1));
    QVERIFY(ImageCollector::hasColourNear(image, QPoint(300, 150), green, 1));
    QVERIFY(!ImageCollector::isTransparentAround(image, QRect(195, 143, 10, 14)));
    QVERIFY(ImageCollector::hasColourNear(image, QPoint(250, 150), green, 1));
    QVERIFY(ImageCollector::hasColourNear(image, QPoint(262, 156), green, 1));
    QVERIFY(ImageCollector::hasColourNear(image, QPoint(262, 144), green, 1));
    QVERIFY(ImageCollector::isTransparentAround(image, QRect(212, 140, 8, 20)));
    QVERIFY(ImageCollector::isTransparentAround(image, QRect(280, 140, 15, 20)));
    // The triangle is not drawn at all; nothing is filled.
    QVERIFY(ImageCollector::isTransparentAround(image, QRect(395, 295, 110, 110)));
    QVERIFY(ImageCollector::isTransparentAround(image, QRect(110, 110, 60, 20)));
}

// Outlines anywhere in the int range, or with sides of no length, are drawn
// (or clipped) without harm.
void TestAxisTrafficStreamOverlay::extremeCoordinates()
{
    SimulatorPeer sim;
    QVERIFY(sim.start(trafficStream, R"({"sensors": [
        {"id": 1, "points": [[2147483647, -2147483648], [-2147483648, 2147483647], [0, 0], [5, 5]]},
        {"id": 2, "points": [[10, 10], [10, 10], [10, 10], [10, 10]], "active": true},
        {"id": 3, "points": [[100, 100], [200, 100], [200, 200], [100, 200]]}
    ]})"));
    AxisTrafficStreamOverlay client(nullptr, sim.url());
    ImageCollector images(&client);
    client.start();
    const QImage image = images.waitForOverlay();
    QVERIFY(ImageCollector::hasColourNear(image, QPoint(150, 100), green));
}

// One failure of each stage of the exchange; the parser's other messages are
// in tst_trafficstreamprotocol, and the receive limits below.
void TestAxisTrafficStreamOverlay::failureMessages_data()
{
    QTest::addColumn<QByteArrayList>("commands");
    QTest::addColumn<QByteArray>("layout");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QSize>("size");

    const QSize unknown(300, 300);
    const QSize frame(640, 480);
    const QByteArray none;
    QTest::newRow("login") << QByteArrayList {"fail wrong-login"} << none << "Login failed"
                           << unknown;
    QTest::newRow("garbage") << QByteArrayList {"fail garbage"} << none
                             << "Invalid data size in command 'gcam'" << unknown;
    QTest::newRow("no frame") << QByteArrayList() << QByteArray(R"({"frame": null})")
                              << "No frame size in answer" << unknown;
    QTest::newRow("ge2 missing") << QByteArrayList {"answer ge2 sm"} << none
                                 << "Failed to parse 'ge2' answer" << frame;
    QTest::newRow("lines")
        << QByteArrayList {"answer gtrc gtrc s=0\\r\\nhead\\nhead\\nSENSOR 4\\n1;1;"} << none
        << "Invalid lines count for 'SENSOR 4'" << frame;
    QTest::newRow("subscription") << QByteArrayList {"answer sm sm data=off"} << none
                                  << "Invalid answer to evenet subscription" << frame;
    QTest::newRow("deadline") << QByteArrayList {"fail silent"} << none << "Command answer timeot"
                              << unknown;
}

// Every failure ends in its message, drawn at the frame size once known,
// and in a closed connection.
void TestAxisTrafficStreamOverlay::failureMessages()
{
    QFETCH(QByteArrayList, commands);
    QFETCH(QByteArray, layout);
    QFETCH(QString, message);
    QFETCH(QSize, size);

    SimulatorPeer sim;
    QVERIFY(sim.start(trafficStream, layout));
    for (const QByteArray &command : qAsConst(commands))
        sim.command(command);
    AxisTrafficStreamOverlay client(nullptr, sim.url());
    ImageCollector images(&client);
    client.start();

    QVERIFY(sim.waitForLine("closed 1", 4000));
    QCOMPARE(images.last(), ImageCollector::messageImage(size, message));
}

void TestAxisTrafficStreamOverlay::receiveLimitAtExactly100000()
{
    // "gcam s=N" and CR LF come first, then the block and its CR LF: with
    // N = 99998 the buffer holds exactly 100000 bytes at most.
    for (const int padding : {99998, 99999}) {
        SimulatorPeer sim;
        QVERIFY(sim.start(trafficStream));
        sim.command("padcam " + QByteArray::number(padding));
        AxisTrafficStreamOverlay client(nullptr, sim.url());
        ImageCollector images(&client);
        client.start();
        const QImage image = images.waitForOverlay();
        if (padding == 99998) {
            QCOMPARE(image.size(), QSize(640, 480));
            QVERIFY(sim.waitForLine("recv 1 sm data=on"));
        } else {
            QCOMPARE(image.size(), QSize(300, 300));
            QVERIFY(image == ImageCollector::messageImage(image.size(), "Receive buffer too big")
                || image == ImageCollector::messageImage(image.size(), "Received packet too big"));
            QVERIFY(sim.waitForLine("closed 1"));
        }
    }
}

// No deadline covers the login, and events before it draw nothing while the
// frame size is unknown.
void TestAxisTrafficStreamOverlay::silentLoginKeepsWaiting()
{
    SimulatorPeer sim;
    QVERIFY(sim.start(trafficStream, QByteArray(), {"--misbehave", "silent-login"}));
    AxisTrafficStreamOverlay client(nullptr, sim.url());
    ImageCollector images(&client);
    client.start();
    QVERIFY(sim.waitForLine("recv 1 pass"));
    sim.command("event");
    QVERIFY(sim.waitForLine("event ge "));
    QTest::qWait(2500);
    QCOMPARE(images.nonNullCount(), 0);
    QVERIFY(sim.lines("closed").isEmpty());
    QCOMPARE(sim.lines("recv").size(), 2);
}

QTEST_MAIN(TestAxisTrafficStreamOverlay)
#include "tst_axistrafficstreamoverlay.moc"
