#include "overlays/citilogprotocol.h"

#include <QDomDocument>
#include <QElapsedTimer>
#include <QTest>
#include <QtEndian>

namespace {

const QByteArray ownId = "0123456789abcdef0123456789abcdef";

struct Outcome
{
    QByteArrayList sent;
    int redraws = 0;
    QString error;
    bool halted = false;
};

void feed(CitiLogProtocol &protocol, const QByteArray &bytes, Outcome &outcome, qint64 now = 0)
{
    protocol.append(bytes);
    while (const auto reaction = protocol.handleNextMessage(now)) {
        outcome.sent += reaction->send;
        outcome.redraws += reaction->redraw ? 1 : 0;
        outcome.error = reaction->error;
        outcome.halted = reaction->halt;
        if (!reaction->error.isEmpty() || reaction->halt)
            return;
    }
}

QByteArray frame(const QByteArray &text)
{
    return CitiLogProtocol::frame(text);
}

QByteArray outputs(const QByteArray &vector, const QByteArray &source = "CtlSim")
{
    return frame("<CTL source=\"" + source + "\"><Outputs><StateVector>" + vector
        + "</StateVector></Outputs></CTL>");
}

const QByteArray enumerationAnswer =
    frame("<CTL source=\"x\"><Reply><AnaEnum id=\"ctlSim\"/></Reply></CTL>");
const QByteArray configurationAnswer =
    frame("<CTL source=\"CtlSim\"><Config><Global ImgWidth=\"640\" ImgHeight=\"480\">"
          "<Lane LaneId=\"3\"><Segment Left=\"10\" Top=\"200\" Right=\"90\" Bottom=\"210\"/>"
          "<Segment Left=\"20\" Top=\"100\" Right=\"80\" Bottom=\"105\"/>"
          "<Segment Left=\"30\" Top=\"50\" Right=\"70\" Bottom=\"52\"/></Lane>"
          "<Lane LaneId=\"4\" LaneDirection=\"RECEDING\"><Segment Left=\"1\" Top=\"2\" Right=\"3\" "
          "Bottom=\"4\"/></Lane></Global></Config></CTL>");

// A protocol that has been through enumeration and configuration.
CitiLogProtocol configured()
{
    CitiLogProtocol protocol(ownId);
    protocol.connected(0);
    Outcome outcome;
    feed(protocol, enumerationAnswer + configurationAnswer, outcome);
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
    void exchange();
    void splitAtEveryPosition();
    void lengthPrefixes();
    void enumeration_data();
    void enumeration();
    void configuration_data();
    void configuration();
    void stateVectors();
    void malformedXml();
    void xmlBombs_data();
    void xmlBombs();
    void answerDeadline();
    void receiveLimits();
};

void TestCitiLogProtocol::requestTexts()
{
    const QByteArray madeId = CitiLogProtocol::makeOwnId();
    QVERIFY(QRegExp(QStringLiteral("[0-9a-f]{32}")).exactMatch(QString::fromLatin1(madeId)));
    QVERIFY(madeId != CitiLogProtocol::makeOwnId());

    CitiLogProtocol protocol(ownId);
    QCOMPARE(protocol.request("ReqAnaEnum"),
        QByteArray(
            "<CTL source=\"0123456789abcdef0123456789abcdef\" dest=\"\"><ReqAnaEnum/></CTL>"));
    QCOMPARE(CitiLogProtocol::frame("<a/>"), QByteArray("\x04\0\0\0<a/>", 8));
    QCOMPARE(CitiLogProtocol::frame(QByteArray(300, 'x')).left(4), QByteArray("\x2c\x01\0\0", 4));

    Outcome outcome;
    protocol.connected(0);
    feed(protocol, enumerationAnswer, outcome);
    QCOMPARE(protocol.request("ReqConfig"),
        QByteArray(
            "<CTL source=\"0123456789abcdef0123456789abcdef\" dest=\"CTLSIM\"><ReqConfig/></CTL>"));
}

void TestCitiLogProtocol::exchange()
{
    CitiLogProtocol protocol(ownId);
    QCOMPARE(protocol.connected(0).send, QByteArrayList({"ReqAnaEnum"}));
    QCOMPARE(protocol.state(), CitiLogProtocol::EnumRequested);
    Outcome outcome;
    feed(protocol, enumerationAnswer + configurationAnswer, outcome);
    QCOMPARE(outcome.sent, QByteArrayList({"ReqConfig"}));
    QCOMPARE(outcome.redraws, 0); // nothing is drawn before a state changes
    QCOMPARE(protocol.state(), CitiLogProtocol::Idle);
    QCOMPARE(protocol.peerId(), QString("CTLSIM"));
    QCOMPARE(protocol.frameSize(), QSize(640, 480));
    QCOMPARE(protocol.zones().size(), 2);

    const CitiLogProtocol::Zone three = protocol.zones().at(0);
    QCOMPARE(three.laneId, 3);
    QVERIFY(three.approaching);
    QCOMPARE(three.polygon,
        QPolygon(QVector<QPoint> {{10, 200}, {90, 210}, {80, 105}, {20, 100}, {30, 50}, {70, 52}}));
    QVERIFY(!protocol.zones().at(1).approaching);
    QCOMPARE(protocol.zones().at(1).polygon.size(), 2);

    feed(protocol, outputs("0x") + outputs("0x") + outputs("00"), outcome);
    QCOMPARE(outcome.redraws, 2); // the repeated vector changes nothing
    QCOMPARE(states(protocol), QString("00"));
}

void TestCitiLogProtocol::splitAtEveryPosition()
{
    const QByteArray input = enumerationAnswer + QByteArray(4, '\0') + configurationAnswer
        + outputs("10")
        + frame("<CTL source=\"ctlsim\"><Outputs><StateVector>11</StateVector></Outputs>"
                "<Outputs><StateVector>01</StateVector></Outputs></CTL>")
        + outputs("1");
    CitiLogProtocol whole(ownId);
    whole.connected(0);
    Outcome expected;
    feed(whole, input, expected);
    QCOMPARE(expected.error, QString("Zones count not equals count in configuration"));
    QCOMPARE(expected.redraws, 2);

    for (int cut = 0; cut <= input.size(); ++cut) {
        CitiLogProtocol protocol(ownId);
        protocol.connected(0);
        Outcome outcome;
        feed(protocol, input.left(cut), outcome);
        feed(protocol, input.mid(cut), outcome);
        QCOMPARE(outcome.sent, expected.sent);
        QCOMPARE(outcome.redraws, expected.redraws);
        QCOMPARE(outcome.error, expected.error);
        QCOMPARE(states(protocol), states(whole));
    }
}

void TestCitiLogProtocol::lengthPrefixes()
{
    CitiLogProtocol protocol = configured();
    Outcome outcome;
    const QByteArray message = outputs("11");
    // Four bytes are not read as a length until a fifth one is there.
    feed(protocol, message.left(4), outcome);
    QCOMPARE(protocol.pendingMessageSize(), 0);
    QCOMPARE(protocol.bufferedBytes(), 4);
    feed(protocol, message.mid(4, 1), outcome);
    QCOMPARE(protocol.pendingMessageSize(), message.size() - 4);
    feed(protocol, message.mid(5), outcome);
    QCOMPARE(outcome.redraws, 1);

    // Lengths of 0 and below carry nothing; the next four bytes are a length.
    QByteArray negative(4, '\0');
    qToLittleEndian<qint32>(-7, negative.data());
    feed(protocol, QByteArray(4, '\0') + negative + outputs("00"), outcome);
    QCOMPARE(outcome.redraws, 2);
    QCOMPARE(protocol.bufferedBytes(), 0);
}

void TestCitiLogProtocol::enumeration_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QString>("peerId");
    QTest::addColumn<bool>("configRequested");
    QTest::newRow("nested") << QByteArray(
        "<CTL><a><b><AnaEnum id=\"Det-7\"/></b></a><AnaEnum id=\"x\"/></CTL>")
                            << "DET-7" << true;
    QTest::newRow("no id") << QByteArray("<CTL><AnaEnum/></CTL>") << "" << false;
    QTest::newRow("no AnaEnum") << QByteArray("<CTL><Global/></CTL>") << "" << false;
    QTest::newRow("other root") << QByteArray("<LTC><AnaEnum id=\"a\"/></LTC>") << "" << false;
}

void TestCitiLogProtocol::enumeration()
{
    QFETCH(QByteArray, message);
    QFETCH(QString, peerId);
    QFETCH(bool, configRequested);
    CitiLogProtocol protocol(ownId);
    protocol.connected(1000);
    Outcome outcome;
    feed(protocol, frame(message), outcome, 2000);
    QCOMPARE(protocol.peerId(), peerId);
    QCOMPARE(outcome.sent, configRequested ? QByteArrayList {"ReqConfig"} : QByteArrayList());
    QVERIFY(outcome.error.isEmpty());
    // Without a usable answer the first deadline runs on.
    QCOMPARE(protocol.tick(4001).error.isEmpty(), configRequested);
}

void TestCitiLogProtocol::configuration_data()
{
    QTest::addColumn<QByteArray>("global");
    QTest::addColumn<QSize>("frameSize");
    QTest::addColumn<QList<int>>("laneIds");
    QTest::addColumn<QString>("error");

    const QString coordinates =
        QStringLiteral("Invalid camera configuration: zones coordinate error");
    const QByteArray segment = "<Segment Left=\"1\" Top=\"2\" Right=\"3\" Bottom=\"4\"/>";
    QTest::newRow("no lanes") << QByteArray("<Global ImgWidth=\"320\" ImgHeight=\"240\"/>")
                              << QSize(320, 240) << QList<int>() << QString();
    QTest::newRow("no size") << QByteArray("<Global><Lane/></Global>") << QSize(-1, -1)
                             << QList<int> {-1} << QString();
    QTest::newRow("size not a number") << QByteArray("<Global ImgWidth=\"wide\" ImgHeight=\"9\"/>")
                                       << QSize(0, 9) << QList<int>() << QString();
    QTest::newRow("lane id text with segments")
        << "<Global><Lane LaneId=\"L1\">" + segment + "</Lane></Global>" << QSize(-1, -1)
        << QList<int> {0} << QString();
    QTest::newRow("lane id text alone")
        << QByteArray("<Global><Lane LaneId=\"7\"/><Lane LaneId=\"L1\"/>"
                      "<Lane LaneId=\"8\"/></Global>")
        << QSize(-1, -1) << QList<int> {7} << coordinates;
    QTest::newRow("missing coordinate")
        << "<Global><Lane LaneId=\"1\">" + segment + "</Lane><Lane LaneId=\"2\">" + segment
            + "<Segment Left=\"1\" Top=\"2\" Right=\"3\"/></Lane><Lane LaneId=\"3\"/></Global>"
        << QSize(-1, -1) << QList<int> {1} << coordinates;
    QTest::newRow("coordinate not a number")
        << QByteArray("<Global><Lane><Segment Left=\"1\" Top=\"2\" Right=\"3\" Bottom=\"4.5\"/>"
                      "</Lane></Global>")
        << QSize(-1, -1) << QList<int>() << coordinates;
}

void TestCitiLogProtocol::configuration()
{
    QFETCH(QByteArray, global);
    QFETCH(QSize, frameSize);
    QFETCH(QList<int>, laneIds);
    QFETCH(QString, error);
    CitiLogProtocol protocol(ownId);
    protocol.connected(0);
    Outcome outcome;
    feed(
        protocol, enumerationAnswer + frame("<CTL><Config>" + global + "</Config></CTL>"), outcome);
    QCOMPARE(outcome.error, error);
    QCOMPARE(protocol.frameSize(), frameSize);
    QList<int> ids;
    for (const CitiLogProtocol::Zone &zone : protocol.zones())
        ids.append(zone.laneId);
    QCOMPARE(ids, laneIds);
    // Error or not, the configuration ends the deadline.
    QCOMPARE(protocol.state(), CitiLogProtocol::Idle);
    QVERIFY(protocol.tick(100000).error.isEmpty());
}

void TestCitiLogProtocol::stateVectors()
{
    CitiLogProtocol protocol = configured();
    Outcome outcome;
    // Only the detector itself is listened to, in any letter case.
    feed(protocol,
        outputs("11", "Other") + frame("<Outputs><StateVector>11</StateVector></Outputs>"),
        outcome);
    QCOMPARE(outcome.redraws, 0);
    feed(protocol, outputs("1 ", "CTLSIM"), outcome);
    QCOMPARE(states(protocol), QString("11"));
    QCOMPARE(outcome.redraws, 1);

    // The first Outputs still counts when the second is faulty.
    feed(protocol,
        frame("<CTL source=\"ctlsim\"><Outputs><StateVector>00</StateVector></Outputs>"
              "<Outputs><StateVector>000</StateVector></Outputs>"
              "<Outputs><StateVector>11</StateVector></Outputs></CTL>"),
        outcome);
    QCOMPARE(outcome.redraws, 2);
    QCOMPARE(outcome.error, QString("Zones count not equals count in configuration"));
    QCOMPARE(states(protocol), QString("00"));

    // Without zones only an empty vector fits, and an Outputs without one.
    CitiLogProtocol empty(ownId);
    empty.connected(0);
    Outcome none;
    feed(empty,
        enumerationAnswer + frame("<CTL><Global/></CTL>") + outputs("")
            + frame("<CTL source=\"ctlsim\"><Outputs/></CTL>"),
        none);
    QVERIFY(none.error.isEmpty());
    feed(empty, outputs("0"), none);
    QCOMPARE(none.error, QString("Zones count not equals count in configuration"));
}

void TestCitiLogProtocol::malformedXml()
{
    CitiLogProtocol protocol = configured();
    const QByteArray text = "<CTL source=\"ctlsim\"><Outputs><StateVector>11</Outputs></CTL>";
    QString parserError;
    QVERIFY(!QDomDocument().setContent(text, false, &parserError));
    Outcome outcome;
    feed(protocol, frame(text) + outputs("11"), outcome);
    QCOMPARE(outcome.error, parserError);
    QVERIFY(outcome.halted);
    QCOMPARE(outcome.redraws, 0);
    QVERIFY(protocol.bufferedBytes() > 0); // the next message is left for later
}

void TestCitiLogProtocol::xmlBombs_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("error");
    const QString entities = QStringLiteral("entity declarations not allowed");
    const QString nesting = QStringLiteral("elements nested too deeply");

    QByteArray laughs = "<!DOCTYPE CTL [<!ENTITY a0 \"lol\">";
    for (int i = 1; i < 10; ++i) {
        laughs += "<!ENTITY a" + QByteArray::number(i) + " \""
            + QByteArray("&a" + QByteArray::number(i - 1) + ";").repeated(10) + "\">";
    }
    QTest::newRow("billion laughs") << laughs + "]><CTL>&a9;</CTL>" << entities;

    QByteArray wide =
        "<!DOCTYPE CTL [<!ENTITY a \"" + QByteArray(4000, 'x') + "\">]><CTL source=\"ctlsim\">";
    QTest::newRow("quadratic") << wide + QByteArray("&a;").repeated(30000) + "</CTL>" << entities;
    QTest::newRow("parameter entity")
        << QByteArray("<!DOCTYPE CTL [<!ENTITY % p \"x\">]><CTL/>") << entities;
    QTest::newRow("broken DTD") << QByteArray(
        "<!DOCTYPE CTL [<!ENTITY a \"x\"> <! ]><CTL>&a;</CTL>")
                                << entities;
    QTest::newRow("deep") << QByteArray("<CTL>") + QByteArray("<a>").repeated(33000) << nesting;
    QTest::newRow("deep after an error")
        << QByteArray("<CTL x=1>") + QByteArray("<a>").repeated(33000) << nesting;
    QTest::newRow("deep but allowed") << QByteArray("<CTL>") + QByteArray("<a>").repeated(63)
            + QByteArray("</a>").repeated(63)
            + "</CTL>" << QString();
}

// Entity expansion and deep nesting are refused before the DOM parser sees
// them; such a message costs a single pass over its bytes.
void TestCitiLogProtocol::xmlBombs()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, error);
    CitiLogProtocol protocol = configured();
    Outcome outcome;
    feed(protocol, frame(text.left(ReceiveBuffer::Limit - 4)), outcome);
    QCOMPARE(outcome.error, error);
    QCOMPARE(protocol.state(), CitiLogProtocol::Idle);
}

void TestCitiLogProtocol::answerDeadline()
{
    CitiLogProtocol protocol(ownId);
    protocol.connected(10000);
    QVERIFY(protocol.tick(13000).error.isEmpty());
    QCOMPARE(protocol.tick(13001).error, QString("Command answer timeot"));

    Outcome outcome;
    feed(protocol, enumerationAnswer, outcome, 12000);
    QVERIFY(protocol.tick(15000).error.isEmpty());
    QCOMPARE(protocol.tick(15001).error, QString("Command answer timeot"));
}

void TestCitiLogProtocol::receiveLimits()
{
    CitiLogProtocol protocol = configured();
    QVERIFY(protocol.admit(100000).isEmpty());
    QCOMPARE(protocol.admit(100001), QString("Received packet too big"));

    QByteArray prefix(4, '\0');
    qToLittleEndian<qint32>(100000, prefix.data());
    Outcome outcome;
    feed(protocol, prefix + "<", outcome);
    QCOMPARE(protocol.pendingMessageSize(), 100000);
    QVERIFY(protocol.admit(99999).isEmpty());
    QCOMPARE(protocol.admit(100000), QString("Receive buffer too big"));

    CitiLogProtocol refusing = configured();
    qToLittleEndian<qint32>(100001, prefix.data());
    feed(refusing, prefix + "<", outcome);
    QCOMPARE(outcome.error, QString("Message size too big"));
}

QTEST_APPLESS_MAIN(TestCitiLogProtocol)
#include "tst_citilogprotocol.moc"
