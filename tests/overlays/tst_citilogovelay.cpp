#include "overlays/citilogovelay.h"

#include "imagecollector.h"
#include "simulatorpeer.h"

#include <QDomDocument>
#include <QTest>

namespace {

const QColor red(255, 0, 0);
const QColor green(0, 255, 0);
const QString citiLog = QStringLiteral("citilog");

QByteArray outputsMessage(const QByteArray &source, const QByteArrayList &vectors)
{
    QByteArray text = "<CTL source=\\\"" + source + "\\\">";
    for (const QByteArray &vector : vectors)
        text += "<Outputs><StateVector>" + vector + "</StateVector></Outputs>";
    return "send " + text + "</CTL>";
}

// Enumeration is done and the configuration asked for.
bool configurationRequested(SimulatorPeer &sim, const CitiLogOvelay &client)
{
    return sim.waitForLine("recv 1 <CTL source=\"" + client.ownId()
                           + "\" dest=\"CITILOGSIM1\"><ReqConfig/></CTL>");
}

} // namespace

class TestCitiLogOvelay : public QObject
{
    Q_OBJECT

private slots:
    void enumerationConfigurationAndStates();
    void zonesAndChevrons();
    void withoutImageSize();
    void failures_data();
    void failures();
    void answerDeadline();
};

void TestCitiLogOvelay::enumerationConfigurationAndStates()
{
    SimulatorPeer sim;
    QVERIFY(sim.start(citiLog));
    CitiLogOvelay client(nullptr, sim.url(QString()));
    ImageCollector images(&client);
    client.start();

    QVERIFY(configurationRequested(sim, client));
    QCOMPARE(sim.lines("recv 1 ").constFirst(),
        "recv 1 <CTL source=\"" + client.ownId() + "\" dest=\"\"><ReqAnaEnum/></CTL>");
    QTest::qWait(200);
    QCOMPARE(images.count(), 1); // the reset; nothing until a zone changes
    QVERIFY(images.last().isNull());

    sim.command("set 1 1");
    const QImage first = images.waitForOverlay();
    QCOMPARE(first.size(), QSize(640, 480));
    // Lane 2's entry line runs from (170, 430) to (290, 430); lane 1's from 40 to 150.
    QVERIFY(ImageCollector::hasColourNear(first, QPoint(230, 430), red));
    QVERIFY(ImageCollector::hasColourNear(first, QPoint(95, 430), green));

    // A repeat, another source and another root element leave the overlay alone.
    sim.command("outputs");
    sim.command(outputsMessage("Stranger", {"1111"}));
    sim.command(
        "send <LTC "
        "source=\\\"CitiLogSim1\\\"><Outputs><StateVector>1111</StateVector></Outputs></LTC>");
    sim.command(outputsMessage("citilogsim1", {"1100"}));
    const QImage second = images.waitForOverlay();
    QCOMPARE(images.nonNullCount(), 2);
    QVERIFY(ImageCollector::hasColourNear(second, QPoint(95, 430), red));
    QVERIFY(ImageCollector::hasColourNear(second, QPoint(410, 430), green));

    // A changing Outputs, then one of the wrong length: the overlay, then the message.
    sim.command(outputsMessage("CitiLogSim1", {"0000", "00000"}));
    QVERIFY(sim.waitForLine("closed 1"));
    QCOMPARE(images.nonNullCount(), 4);
    QVERIFY(ImageCollector::hasColourNear(images.at(images.count() - 2), QPoint(95, 430), green));
    QCOMPARE(images.last(),
        ImageCollector::messageImage(
            QSize(640, 480), "Zones count not equals count in configuration"));
}

void TestCitiLogOvelay::zonesAndChevrons()
{
    // A lane of one segment counts in the state vector but is not drawn.
    SimulatorPeer sim;
    QVERIFY(sim.start(citiLog, R"({"lanes": [
        {"id": 5, "segments": [[100, 300, 200, 300], [120, 200, 180, 200]]},
        {"id": 6, "segments": [[300, 300, 400, 300]]},
        {"id": 7, "direction": "RECEDING", "segments": [[420, 300, 520, 300], [440, 200, 500, 200]]}
    ]})"));
    CitiLogOvelay client(nullptr, sim.url(QString()));
    ImageCollector images(&client);
    client.start();
    QVERIFY(configurationRequested(sim, client));
    sim.command("states 111");
    const QImage image = images.waitForOverlay();

    // Approaching lane 5: D = |(100,300)-(120,200)| = 102, the tip 25.5 px
    // below the middle of its first segment, at (150, 325.5).
    QVERIFY(ImageCollector::hasColourNear(image, QPoint(125, 313), red, 1));
    QVERIFY(ImageCollector::hasColourNear(image, QPoint(175, 313), red, 1));
    QVERIFY(ImageCollector::hasColourNear(image, QPoint(150, 325), red, 1));
    QVERIFY(ImageCollector::isTransparentAround(image, QRect(140, 330, 20, 10)));
    QVERIFY(!ImageCollector::isTransparentAround(image, QRect(140, 240, 20, 20))); // label "5"
    // Receding lane 7: the tip 25.5 px above its second segment, at (470, 174.5).
    QVERIFY(ImageCollector::hasColourNear(image, QPoint(470, 175), red, 1));
    QVERIFY(ImageCollector::hasColourNear(image, QPoint(455, 187), red, 1));
    QVERIFY(ImageCollector::isTransparentAround(image, QRect(460, 305, 20, 10)));
    // Lane 6 has two points only.
    QVERIFY(ImageCollector::isTransparentAround(image, QRect(290, 280, 120, 40)));
}

void TestCitiLogOvelay::withoutImageSize()
{
    SimulatorPeer sim;
    QVERIFY(sim.start(citiLog, R"({"frame": null})"));
    CitiLogOvelay client(nullptr, sim.url(QString()));
    ImageCollector images(&client);
    client.start();
    QVERIFY(configurationRequested(sim, client));
    sim.command("states 1010");
    QVERIFY(sim.waitForLine("outputs "));
    QTest::qWait(300);
    QCOMPARE(images.nonNullCount(), 0);

    sim.command("fail wrong-length");
    sim.command("states 1111");
    QVERIFY(sim.waitForLine("closed 1"));
    QCOMPARE(images.last(),
        ImageCollector::messageImage(
            QSize(300, 300), "Zones count not equals count in configuration"));
}

// The parser's own text for malformed XML, and a segment short of a
// coordinate; both drawn at the configured frame size. The oversized message
// is in tst_detectorreconnection.
void TestCitiLogOvelay::failures_data()
{
    QTest::addColumn<QByteArray>("layout");
    QTest::addColumn<QByteArrayList>("commands"); // once the configuration is out
    QTest::addColumn<QString>("message");

    QString tagMismatch;
    QDomDocument().setContent(
        QByteArray("<CTL><Outputs><StateVector>0</Outputs></CTL>"), false, &tagMismatch);
    QTest::newRow("malformed") << QByteArray() << QByteArrayList {"fail malformed", "set 0 1"}
                               << tagMismatch;
    QTest::newRow("coordinates") << QByteArray(R"({"lanes": [{"id": 1, "segments": [[1, 2, 3]]}]})")
                                 << QByteArrayList()
                                 << "Invalid camera configuration: zones coordinate error";
}

void TestCitiLogOvelay::failures()
{
    QFETCH(QByteArray, layout);
    QFETCH(QByteArrayList, commands);
    QFETCH(QString, message);

    SimulatorPeer sim;
    QVERIFY(sim.start(citiLog, layout));
    CitiLogOvelay client(nullptr, sim.url(QString()));
    ImageCollector images(&client);
    client.start();
    QVERIFY(configurationRequested(sim, client));
    for (const QByteArray &command : qAsConst(commands))
        sim.command(command);
    QVERIFY(sim.waitForLine("closed 1"));
    QCOMPARE(images.last(), ImageCollector::messageImage(QSize(640, 480), message));
}

void TestCitiLogOvelay::answerDeadline()
{
    SimulatorPeer sim;
    QVERIFY(sim.start(citiLog, QByteArray(), {"--misbehave", "silent"}));
    CitiLogOvelay client(nullptr, sim.url(QString()));
    ImageCollector images(&client);
    client.start();
    QVERIFY(sim.waitForLine("closed 1", 6000));
    QCOMPARE(images.count(), 2);
    QCOMPARE(images.last(), ImageCollector::messageImage(QSize(300, 300), "Command answer timeot"));
    const qint64 after = images.timeOf(1) - images.timeOf(0);
    QVERIFY2(after >= 3000 && after <= 4300, qPrintable(QString::number(after)));
}

QTEST_MAIN(TestCitiLogOvelay)
#include "tst_citilogovelay.moc"
