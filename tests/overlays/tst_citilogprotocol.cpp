#include "overlays/citilogprotocol.h"

#include <QTest>
#include <QtEndian>

// The exchange itself, repeated states and foreign sources are checked
// against the simulator (tst_detectoroverlay); here the framing at every split
// point, the request texts and the parsing decisions that need no socket.
namespace {

const QByteArray ownId = "0123456789abcdef0123456789abcdef";

struct Outcome
{
    QByteArrayList sent;
    int redraws = 0;
    QString error;
};

void feed(CitiLogProtocol &protocol, const QByteArray &bytes, Outcome &outcome, qint64 now = 0)
{
    protocol.append(bytes);
    while (const auto reaction = protocol.handleNext(now)) {
        outcome.sent += reaction->send;
        outcome.redraws += reaction->redraw ? 1 : 0;
        outcome.error = reaction->error;
        if (!reaction->error.isEmpty() || reaction->halt)
            return;
    }
}

QByteArray frame(const QByteArray &text)
{
    return CitiLogProtocol::frame(text);
}

QByteArray lengthPrefix(qint32 length)
{
    QByteArray prefix(4, '\0');
    qToLittleEndian<qint32>(length, prefix.data());
    return prefix;
}

QByteArray outputs(const QByteArray &vector)
{
    return frame("<CTL source=\"CtlSim\"><Outputs><StateVector>" + vector
                 + "</StateVector></Outputs></CTL>");
}

// Each answer also holds what only the next stage reads, and is not read early.
const QByteArray enumerationAnswer =
    frame("<CTL source=\"x\"><Reply><AnaEnum id=\"ctlSim\"/></Reply>"
          "<Config><Global ImgWidth=\"1\" ImgHeight=\"1\"/></Config></CTL>");
const QByteArray configurationAnswer =
    frame("<CTL source=\"CtlSim\"><Config><Global ImgWidth=\"640\" ImgHeight=\"480\">"
          "<Lane LaneId=\"3\"><Segment Left=\"10\" Top=\"200\" Right=\"90\" Bottom=\"210\"/>"
          "<Segment Left=\"20\" Top=\"100\" Right=\"80\" Bottom=\"105\"/>"
          "<Segment Left=\"30\" Top=\"50\" Right=\"70\" Bottom=\"52\"/></Lane>"
          "<Lane LaneId=\"4\" LaneDirection=\"RECEDING\"><Segment Left=\"1\" Top=\"2\" Right=\"3\" "
          "Bottom=\"4\"/></Lane></Global></Config><Outputs><StateVector>11</StateVector></"
          "Outputs></CTL>");

CitiLogProtocol connected()
{
    CitiLogProtocol protocol(ownId);
    protocol.connected(0);
    return protocol;
}

QString states(const CitiLogProtocol &protocol)
{
    QString result;
    for (const CitiLogProtocol::Zone &zone : protocol.zones())
        result += zone.active ? QLatin1Char('1') : QLatin1Char('0');
    return result;
}

} // namespace

class TestCitiLogProtocol : public QObject
{
    Q_OBJECT

private slots:
    void requestTexts();
    void splitAtEveryPosition();
    void configuration_data();
    void configuration();
    void xmlBombs_data();
    void xmlBombs();
    void receiveLimits();
};

void TestCitiLogProtocol::requestTexts()
{
    QVERIFY(QRegExp(QStringLiteral("[0-9a-f]{32}"))
                .exactMatch(QString::fromLatin1(CitiLogProtocol::makeOwnId())));
    QVERIFY(CitiLogProtocol::makeOwnId() != CitiLogProtocol::makeOwnId());

    CitiLogProtocol protocol = connected();
    QCOMPARE(protocol.request("ReqAnaEnum"),
             QByteArray(
                 "<CTL source=\"0123456789abcdef0123456789abcdef\" dest=\"\"><ReqAnaEnum/></CTL>"));
    QCOMPARE(CitiLogProtocol::frame(QByteArray(300, 'x')).left(4), QByteArray("\x2c\x01\0\0", 4));
    // An answer that names no detector is none; the deadline runs on.
    Outcome outcome;
    feed(protocol, frame("<CTL><Reply><AnaEnum/></Reply></CTL>"), outcome, 1000);
    QVERIFY(outcome.sent.isEmpty());
    QVERIFY(protocol.tick(3000).error.isEmpty());
    QCOMPARE(protocol.tick(3001).error, QString("Command answer timeot"));
    // The answer names the detector; the configuration request goes to it
    // and starts a deadline of its own.
    feed(protocol, enumerationAnswer, outcome, 2000);
    QCOMPARE(
        protocol.request("ReqConfig"),
        QByteArray(
            "<CTL source=\"0123456789abcdef0123456789abcdef\" dest=\"CTLSIM\"><ReqConfig/></CTL>"));
    QVERIFY(protocol.tick(5000).error.isEmpty());
    QVERIFY(!protocol.tick(5001).error.isEmpty());
}

// However the input is cut into reads, the protocol asks for the same. Empty
// and negative lengths carry nothing, other sources and roots are ignored;
// a second Outputs of the wrong length fails after the first has counted.
void TestCitiLogProtocol::splitAtEveryPosition()
{
    const QByteArray input =
        enumerationAnswer + lengthPrefix(0) + lengthPrefix(-7) + configurationAnswer + outputs("x0")
        + frame("<CTL source=\"other\"><Outputs><StateVector>11</StateVector></Outputs></CTL>")
        + frame("<Other source=\"CtlSim\"><Outputs><StateVector>1</StateVector></Outputs></Other>")
        + frame("<CTL source=\"ctlsim\"><Outputs><StateVector>11</StateVector></Outputs>"
                "<Outputs><StateVector>01</StateVector></Outputs></CTL>")
        + outputs("1");
    CitiLogProtocol whole = connected();
    Outcome expected;
    feed(whole, input, expected);
    QCOMPARE(expected.sent, QByteArrayList({"ReqConfig"}));
    QCOMPARE(expected.error, QString("Zones count not equals count in configuration"));
    QCOMPARE(expected.redraws, 2);
    QCOMPARE(states(whole), QString("01"));
    // Segments give their points in alternating order.
    QCOMPARE(
        whole.zones().at(0).polygon,
        QPolygon(QVector<QPoint> {{10, 200}, {90, 210}, {80, 105}, {20, 100}, {30, 50}, {70, 52}}));
    QVERIFY(!whole.zones().at(1).approaching);

    for (int cut = 0; cut <= input.size(); ++cut) {
        CitiLogProtocol protocol = connected();
        Outcome outcome;
        feed(protocol, input.left(cut), outcome);
        feed(protocol, input.mid(cut), outcome);
        QCOMPARE(outcome.sent, expected.sent);
        QCOMPARE(outcome.redraws, expected.redraws);
        QCOMPARE(outcome.error, expected.error);
        QCOMPARE(states(protocol), states(whole));
    }
}

void TestCitiLogProtocol::configuration_data()
{
    QTest::addColumn<QByteArray>("global");
    QTest::addColumn<QList<int>>("laneIds");
    QTest::addColumn<QString>("error");

    const QString coordinates =
        QStringLiteral("Invalid camera configuration: zones coordinate error");
    const QByteArray segment = "<Segment Left=\"1\" Top=\"2\" Right=\"3\" Bottom=\"4\"/>";
    // A lane id that is no number counts as 0 while the lane has segments.
    QTest::newRow("lane id text with segments")
        << "<Global><Lane LaneId=\"L1\">" + segment + "</Lane></Global>" << QList<int> {0}
        << QString();
    QTest::newRow("lane id text alone")
        << QByteArray("<Global><Lane LaneId=\"7\"/><Lane LaneId=\"L1\"/>"
                      "<Lane LaneId=\"8\"/></Global>")
        << QList<int> {7} << coordinates;
    QTest::newRow("coordinate not a number")
        << QByteArray("<Global><Lane><Segment Left=\"1\" Top=\"2\" Right=\"3\" Bottom=\"4.5\"/>"
                      "</Lane></Global>")
        << QList<int>() << coordinates;
}

void TestCitiLogProtocol::configuration()
{
    QFETCH(QByteArray, global);
    QFETCH(QList<int>, laneIds);
    QFETCH(QString, error);
    CitiLogProtocol protocol = connected();
    Outcome outcome;
    feed(protocol, enumerationAnswer + frame("<CTL><Config>" + global + "</Config></CTL>"),
         outcome);
    QCOMPARE(outcome.error, error);
    QList<int> ids;
    for (const CitiLogProtocol::Zone &zone : protocol.zones())
        ids.append(zone.laneId);
    QCOMPARE(ids, laneIds);
    // Error or not, the configuration ends the deadline.
    QVERIFY(protocol.tick(100000).error.isEmpty());
}

void TestCitiLogProtocol::xmlBombs_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("error");
    const QString entities = QStringLiteral("entity declarations not allowed");

    QByteArray laughs = "<!DOCTYPE CTL [<!ENTITY a0 \"lol\">";
    for (int i = 1; i < 10; ++i) {
        laughs += "<!ENTITY a" + QByteArray::number(i) + " \""
                  + QByteArray("&a" + QByteArray::number(i - 1) + ";").repeated(10) + "\">";
    }
    QTest::newRow("billion laughs") << laughs + "]><CTL>&a9;</CTL>" << entities;
    QTest::newRow("parameter entity")
        << QByteArray("<!DOCTYPE CTL [<!ENTITY % p \"x\">]><CTL/>") << entities;
    QTest::newRow("external entity")
        << QByteArray("<!DOCTYPE CTL [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><CTL>&x;</CTL>")
        << entities;
    QTest::newRow("deep") << QByteArray("<CTL>") + QByteArray("<a>").repeated(33000)
                          << QStringLiteral("elements nested too deeply");
    QTest::newRow("deep but allowed") << QByteArray("<CTL>") + QByteArray("<a>").repeated(63)
                                             + QByteArray("</a>").repeated(63) + "</CTL>"
                                      << QString();
}

// Entity expansion and deep nesting are refused before the DOM parser sees
// them, so a message of the largest size costs one pass over its bytes.
void TestCitiLogProtocol::xmlBombs()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, error);
    CitiLogProtocol protocol = connected();
    Outcome outcome;
    feed(protocol, enumerationAnswer + configurationAnswer, outcome);
    feed(protocol, frame(text.left(ReceiveBuffer::Limit - 4)), outcome);
    QCOMPARE(outcome.error, error);
}

void TestCitiLogProtocol::receiveLimits()
{
    CitiLogProtocol protocol = connected();
    QVERIFY(protocol.admit(100000).isEmpty());
    QCOMPARE(protocol.admit(100001), QString("Received packet too big"));

    Outcome outcome;
    feed(protocol, lengthPrefix(100000) + "<", outcome);
    QCOMPARE(protocol.pendingMessageSize(), 100000);
    QVERIFY(protocol.admit(99999).isEmpty());
    QCOMPARE(protocol.admit(100000), QString("Receive buffer too big"));

    CitiLogProtocol refusing = connected();
    feed(refusing, lengthPrefix(100001) + "<", outcome);
    QCOMPARE(outcome.error, QString("Message size too big"));
}

QTEST_APPLESS_MAIN(TestCitiLogProtocol)
#include "tst_citilogprotocol.moc"
