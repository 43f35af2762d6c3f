#include "overlays/axistrafficstreamoverlay.h"
#include "overlays/citilogovelay.h"
#include "overlays/receivebuffer.h"
#include "overlays/tcpdetectortransport.h"

#include "../overlays/imagecollector.h"
#include "../overlays/simulatorpeer.h"
#include "detectorrelay.h"
#include "peerprocess.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPixmap>
#include <QProcess>
#include <QTcpSocket>
#include <QTest>
#include <QtEndian>

#include <memory>

#include <signal.h>

namespace {

const QString trafficStream = QStringLiteral("trafficstream");
const QString citiLog = QStringLiteral("citilog");
const QString answerTimeout = QStringLiteral("Command answer timeot");
const QSize unknownFrame(300, 300);
const QSize frame(640, 480);
// Shorter than the detectors' own 10 s and 3 s, so that the test waits
// about a second for each.
constexpr int reconnectDelay = 1000;
constexpr int answerDeadline = 700;

// TCP as a client reads it: the most it ever held in its receive buffer,
// the bytes just read included.
class ProbedTransport : public TcpDetectorTransport
{
public:
    QByteArray read(qint64 maxSize) override
    {
        const QByteArray bytes = TcpDetectorTransport::read(maxSize);
        if (client)
            mostBuffered = qMax(mostBuffered, client->bufferedBytes() + int(bytes.size()));
        return bytes;
    }

    const DetectorOverlay *client = nullptr;
    int mostBuffered = 0;
};

// Only what the operator saw last before each reconnection, and the count;
// a flood of redraws would not fit in memory image by image.
class OverlayLog : public QObject
{
public:
    explicit OverlayLog(DetectorOverlay *client)
    {
        m_clock.start();
        connect(client, &DetectorOverlay::newImage, this, [this](const QPixmap &pixmap) {
            ++count;
            if (pixmap.isNull() && !m_last.isNull()) {
                m_shownBeforeReset.append(m_last);
                m_shownFor.append(m_clock.elapsed() - m_lastAt);
            }
            m_last = pixmap;
            m_lastAt = m_clock.elapsed();
        });
    }
    // How long the image before the first reconnection was on show.
    qint64 firstShownFor() const { return m_shownFor.value(0, -1); }
    QImage last() const { return image(m_last); }
    // Whether the image that went at a reconnection was any of the failure
    // messages `texts` drawn at `size`.
    bool showedBeforeReset(const QStringList &texts, const QSize &size) const
    {
        for (const QString &text : texts) {
            const QImage message = ImageCollector::messageImage(size, text);
            for (const QPixmap &shown : m_shownBeforeReset) {
                if (image(shown) == message)
                    return true;
            }
        }
        return false;
    }

    int count = 0;

private:
    static QImage image(const QPixmap &pixmap)
    {
        return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    }

    QPixmap m_last;
    QList<QPixmap> m_shownBeforeReset;
    QList<qint64> m_shownFor;
    QElapsedTimer m_clock;
    qint64 m_lastAt = 0;
};

// Offsets into the detector's side of an exchange: every message boundary,
// the middle of every message, and where the CitiLog length prefix is split.
QList<qint64> cutPoints(const QString &protocol, const QByteArray &answers)
{
    QList<qint64> cuts {DetectorRelay::CutAtOnce, 0};
    qint64 start = 0;
    while (start < answers.size()) {
        qint64 length = 0;
        if (protocol == trafficStream) {
            length = answers.indexOf("\r\n", int(start)) + 2 - start;
        } else {
            length = 4 + qFromLittleEndian<qint32>(answers.constData() + start);
            cuts.append(start + 2);
        }
        if (start > 0)
            cuts.append(start);
        cuts.append(start + length / 2);
        start += length;
    }
    // Into the first state report after the exchange.
    cuts.append(answers.size() + 3);
    return cuts;
}

QByteArray lastRequest(const QString &protocol)
{
    return protocol == trafficStream ? QByteArray("sm data=on") : QByteArray("<ReqConfig/>");
}

QByteArray lastAnswer(const QString &protocol)
{
    return protocol == trafficStream ? QByteArray("sm data=on\r\n") : QByteArray("</Config></CTL>");
}

// Whether session `session` of the simulator has sent `request`.
bool waitForRequest(SimulatorPeer *sim, int session, const QByteArray &request, int timeoutMs)
{
    const QString prefix = QStringLiteral("recv %1 ").arg(session);
    const QString text = QString::fromLatin1(request);
    return TestSupport::waitUntil(
        [&] {
            const QStringList lines = sim->lines(prefix);
            return std::any_of(lines.cbegin(), lines.cend(),
                               [&text](const QString &line) { return line.contains(text); });
        },
        timeoutMs);
}

std::unique_ptr<DetectorOverlay> makeClient(const QString &protocol, const QString &url)
{
    auto transport = std::make_unique<ProbedTransport>();
    ProbedTransport *probe = transport.get();
    std::unique_ptr<DetectorOverlay> client;
    if (protocol == trafficStream) {
        AxisTrafficStreamOverlay::Timings timings;
        timings.connection.reconnectDelay = reconnectDelay;
        timings.protocol.answerTimeout = answerDeadline;
        timings.protocol.loginTimeout = answerDeadline;
        client =
            std::make_unique<AxisTrafficStreamOverlay>(nullptr, url, std::move(transport), timings);
    } else {
        CitiLogOvelay::Timings timings;
        timings.connection.reconnectDelay = reconnectDelay;
        timings.protocol.answerTimeout = answerDeadline;
        client = std::make_unique<CitiLogOvelay>(nullptr, url, std::move(transport), timings);
    }
    probe->client = client.get();
    return client;
}

const ProbedTransport &probe(const DetectorOverlay *client)
{
    return *dynamic_cast<const ProbedTransport *>(client->findChild<TcpDetectorTransport *>());
}

int mostBuffered(DetectorOverlay *client)
{
    return probe(client).mostBuffered;
}

// One client behind its own relay, and what it should come to.
struct Run
{
    QString name;
    QString protocol;
    std::unique_ptr<DetectorRelay> relay;
    std::unique_ptr<DetectorOverlay> client;
    std::unique_ptr<OverlayLog> log;
    QStringList messages; // any of these before the reconnection; none: no message
    QSize messageSize;
};

} // namespace

// Detectors that break off their exchange at every step, answer too slowly
// or never, or flood the client: each client shows what went wrong where
// there is something to show, keeps its memory within the receive limit,
// and connects again the reconnection delay after the loss, this time to a
// detector that behaves. All cases of both protocols run side by side, so
// that the test waits out one reconnection delay. How the protocols frame
// input cut anywhere is their own tests' part.
class TestDetectorFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void everyFaultIsReportedAndRecovered();
    void floodIsCutOffAtTheReceiveLimit();
    void simulatorRefusesHostileInput_data();
    void simulatorRefusesHostileInput();
    void demoCameraOutlivesItsServer();

private:
    QByteArray recordExchange(const QString &protocol, SimulatorPeer *sim);
    QString clientUrl(const QString &protocol, const DetectorRelay &relay) const;

    SimulatorPeer m_trafficStream;
    SimulatorPeer m_citiLog;
};

void TestDetectorFaults::initTestCase()
{
    QVERIFY(m_trafficStream.start(trafficStream));
    QVERIFY(m_citiLog.start(citiLog));
}

QString TestDetectorFaults::clientUrl(const QString &protocol, const DetectorRelay &relay) const
{
    return relay.url(protocol == trafficStream ? QStringLiteral("root:pass") : QString());
}

// The detector's side of one complete exchange, as a well-behaved detector
// sends it.
QByteArray TestDetectorFaults::recordExchange(const QString &protocol, SimulatorPeer *sim)
{
    DetectorRelay relay(sim->port());
    std::unique_ptr<DetectorOverlay> client = makeClient(protocol, clientUrl(protocol, relay));
    client->start();
    if (!TestSupport::waitUntil(
            [&] { return relay.detectorBytes(0).endsWith(lastAnswer(protocol)); }, 5000))
        return QByteArray();
    return relay.detectorBytes(0);
}

void TestDetectorFaults::everyFaultIsReportedAndRecovered()
{
    std::vector<Run> runs;
    const auto add = [&](const QString &name, const QString &protocol) -> Run & {
        SimulatorPeer &sim = protocol == trafficStream ? m_trafficStream : m_citiLog;
        Run run;
        run.name = protocol + QLatin1Char(' ') + name;
        run.protocol = protocol;
        run.relay = std::make_unique<DetectorRelay>(sim.port());
        runs.push_back(std::move(run));
        return runs.back();
    };

    for (const QString &protocol : {trafficStream, citiLog}) {
        SimulatorPeer &sim = protocol == trafficStream ? m_trafficStream : m_citiLog;
        const QByteArray answers = recordExchange(protocol, &sim);
        QVERIFY2(!answers.isEmpty(), qPrintable(protocol));

        // The connection lost at every step: nothing to show, the client
        // just comes back.
        for (const qint64 cut : cutPoints(protocol, answers))
            add(QStringLiteral("cut at %1").arg(cut), protocol).relay->cutAfter(cut);

        // A byte a second, or no answer at all, not even to the login: the
        // answer deadline reports it.
        Run &slow = add(QStringLiteral("one byte a second"), protocol);
        slow.relay->pace(1000);
        slow.messages = QStringList {answerTimeout};
        slow.messageSize = unknownFrame;
        Run &mute = add(QStringLiteral("never answers"), protocol);
        mute.relay->pace(0);
        mute.messages = QStringList {answerTimeout};
        mute.messageSize = unknownFrame;
    }

    for (Run &run : runs) {
        run.client = makeClient(run.protocol, clientUrl(run.protocol, *run.relay));
        run.log = std::make_unique<OverlayLog>(run.client.get());
        run.client->start();
    }
    // A state report for the cuts that fall after the exchange, once every
    // first connection has had its exchange or ended.
    QVERIFY(TestSupport::waitUntil(
        [&] {
            return std::all_of(runs.cbegin(), runs.cend(), [](const Run &run) {
                return run.relay->closedAt(0) >= 0
                       || run.relay->detectorBytes(0).endsWith(lastAnswer(run.protocol));
            });
        },
        5000));
    m_trafficStream.command("event");
    m_citiLog.command("outputs");

    const auto settled = [](const Run &run) {
        return run.relay->connectionCount() == 2
               && run.relay->clientBytes(1).contains(lastRequest(run.protocol))
               && run.relay->detectorBytes(1).contains(lastAnswer(run.protocol));
    };
    const auto unsettled = [&] {
        QStringList names;
        for (const Run &run : runs) {
            if (!settled(run))
                names.append(run.name);
        }
        return names;
    };
    TestSupport::waitUntil([&] { return unsettled().isEmpty(); }, 10000);
    QVERIFY2(unsettled().isEmpty(), qPrintable(unsettled().join(QStringLiteral(", "))));
    // Any client that came back too early would have a third connection by now.
    QTest::qWait(500);

    for (const Run &run : runs) {
        const QByteArray name = run.name.toUtf8();
        QVERIFY2(settled(run), name.constData());
        QVERIFY2(mostBuffered(run.client.get()) <= ReceiveBuffer::Limit, name.constData());
        const qint64 away = run.relay->openedAt(1) - run.relay->closedAt(0);
        QVERIFY2(away >= reconnectDelay - 200 && away <= reconnectDelay + 1500,
                 qPrintable(run.name + ": " + QString::number(away)));
        QVERIFY2(run.messages.isEmpty()
                     || run.log->showedBeforeReset(run.messages, run.messageSize),
                 name.constData());
    }
}

// Valid state reports, hundreds of kilobytes at a time, from detectors that
// have completed their exchange: more arrives than the client may hold, so
// it stops reading, shows why and connects again later. Its buffer never
// holds more than the limit, and the flood leaves no trace in memory.
void TestDetectorFaults::floodIsCutOffAtTheReceiveLimit()
{
    struct Flood
    {
        QString protocol;
        std::unique_ptr<SimulatorPeer> sim;
        std::unique_ptr<DetectorOverlay> client;
        std::unique_ptr<OverlayLog> log;
        QByteArray burst;
        qint64 closedAt = -1;
    };
    std::vector<Flood> floods;
    for (const QString &protocol : {trafficStream, citiLog}) {
        Flood flood;
        flood.protocol = protocol;
        flood.sim = std::make_unique<SimulatorPeer>();
        QVERIFY(flood.sim->start(protocol));
        flood.client = makeClient(
            protocol,
            flood.sim->url(protocol == trafficStream ? QStringLiteral("root:pass") : QString()));
        flood.log = std::make_unique<OverlayLog>(flood.client.get());
        // About 50 kB per command of the simulator that the client can never
        // consume, so that the cut-off does not depend on how fast it parses:
        // one endless line, or a message declared at the size limit and
        // followed by more bytes than fit beside it.
        QByteArray reports(50000, 'x');
        if (protocol == citiLog) {
            static_assert(ReceiveBuffer::Limit == 0x0186a0);
            reports.prepend("\\xa0\\x86\\x01\\x00");
        }
        flood.burst = "sendraw " + reports;
        floods.push_back(std::move(flood));
    }
    for (Flood &flood : floods) {
        flood.client->start();
        QVERIFY(waitForRequest(flood.sim.get(), 1, lastRequest(flood.protocol), 5000));
    }
    QTest::qWait(200);

    const qint64 residentBefore = TestSupport::residentMemoryKiB();
    int bursts = 0;
    while (bursts < 100) {
        bool flooding = false;
        for (Flood &flood : floods) {
            if (flood.sim->timeOf(QStringLiteral("closed 1")) >= 0)
                continue;
            flooding = true;
            for (int i = 0; i < 4; ++i)
                flood.sim->command(flood.burst);
        }
        if (!flooding)
            break;
        ++bursts;
        QTest::qWait(100);
    }
    const qint64 residentAfter = TestSupport::residentMemoryKiB();
    QVERIFY2(bursts < 100, qPrintable(QString::number(bursts)));
    if (residentBefore >= 0 && residentAfter >= 0) {
        QVERIFY2(residentAfter - residentBefore < 32 * 1024,
                 qPrintable(QString::number(residentAfter - residentBefore)));
    }

    for (const Flood &flood : floods) {
        const QByteArray name = flood.protocol.toUtf8();
        QVERIFY2(mostBuffered(flood.client.get()) <= ReceiveBuffer::Limit, name.constData());
        QVERIFY2(flood.sim->waitForLine(QStringLiteral("connected 2"), reconnectDelay + 2000),
                 name.constData());
        QVERIFY2(flood.log->showedBeforeReset({QStringLiteral("Received packet too big"),
                                               QStringLiteral("Receive buffer too big")},
                                              frame),
                 name.constData());
        // Timed by the client: the flooded simulator notes the end late.
        const qint64 away = flood.log->firstShownFor();
        QVERIFY2(away >= reconnectDelay - 200 && away <= reconnectDelay + 1500,
                 qPrintable(QString::number(away)));
        QVERIFY2(waitForRequest(flood.sim.get(), 2, lastRequest(flood.protocol), 5000),
                 name.constData());
    }
}

// The simulator itself, given what a careless script or a hostile client
// gives it: arguments out of range end it at once with a reason and exit
// status 2; clients that send more than it may hold, or announce it, are
// cut off, and it goes on serving.
void TestDetectorFaults::simulatorRefusesHostileInput_data()
{
    QTest::addColumn<QString>("protocol");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("clientBytes");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QString>("refusal"); // on stderr when it stops, else on stdout

    const QByteArray none;
    QTest::newRow("port out of range")
        << trafficStream << QStringList {"--port", "70000"} << none << none << "--port";
    QTest::newRow("negative run time")
        << trafficStream << QStringList {"--max-seconds", "-5"} << none << none << "--max-seconds";
    QTest::newRow("run time no number")
        << citiLog << QStringList {"--max-seconds", "abc"} << none << none << "--max-seconds";
    QTest::newRow("layout a device")
        << citiLog << QStringList {"--layout", "/dev/zero"} << none << none << "cannot read layout";
    QTest::newRow("line without end")
        << trafficStream << QStringList() << QByteArray(150000, 'x') << none << "overflow 1";
    QByteArray twoGigabytes(4, '\0');
    qToLittleEndian<qint32>(0x7fffffff, twoGigabytes.data());
    QTest::newRow("2-GB message") << citiLog << QStringList() << twoGigabytes + "<CTL>" << none
                                  << "overflow 1";
    QTest::newRow("2-GB padding") << trafficStream << QStringList() << none
                                  << QByteArray("padcam 2147483647") << "refused padcam";
}

void TestDetectorFaults::simulatorRefusesHostileInput()
{
    QFETCH(QString, protocol);
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, clientBytes);
    QFETCH(QByteArray, command);
    QFETCH(QString, refusal);

    if (!arguments.isEmpty()) {
        QProcess sim;
        sim.start(SimulatorPeer::program(),
                  QStringList {"--protocol", protocol, "--max-seconds", "30"} + arguments);
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.exitCode(), 2);
        QVERIFY(sim.readAllStandardError().contains(refusal.toUtf8()));
        return;
    }

    SimulatorPeer sim;
    QVERIFY(sim.start(protocol));
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, sim.port());
    QVERIFY(client.waitForConnected(5000));
    client.write(clientBytes);
    if (!command.isEmpty())
        sim.command(command);
    QVERIFY(sim.waitForLine(refusal));
    // Still serving.
    sim.command("fail none");
    QVERIFY(sim.waitForLine(QStringLiteral("mode none")));
    QVERIFY(sim.lines(QStringLiteral("recv")).isEmpty());
}

namespace {

// The status code of the answer to `request` on `socket`, 0 when none came.
int rtspStatus(QTcpSocket &socket, const QByteArray &request)
{
    socket.write(request + "\r\n");
    QByteArray answer;
    const auto complete = [&] {
        answer += socket.readAll();
        const int end = answer.indexOf("\r\n\r\n");
        if (end < 0)
            return false;
        const int length = answer.indexOf("Content-Length: ");
        const int body =
            length < 0 || length > end
                ? 0
                : answer.mid(length + 16, answer.indexOf('\r', length) - length - 16).toInt();
        return answer.size() >= end + 4 + body;
    };
    return TestSupport::waitUntil(complete, 10000) ? answer.mid(9, 3).toInt() : 0;
}

int rtspSetup(quint16 port, const QByteArray &transport)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(5000))
        return 0;
    const QByteArray url = "rtsp://127.0.0.1:" + QByteArray::number(port) + "/camera";
    if (rtspStatus(socket, "DESCRIBE " + url + " RTSP/1.0\r\nCSeq: 1\r\n") != 200)
        return 0;
    return rtspStatus(socket, "SETUP " + url + "/stream=0 RTSP/1.0\r\nCSeq: 2\r\nTransport: "
                                  + transport + "\r\n");
}

} // namespace

// The demo camera of run-demo.sh: players get its stream over TCP only (UDP
// and TCP players on its one shared stream made GStreamer's server abort),
// and when its server dies all the same, it is back on the same port.
void TestDetectorFaults::demoCameraOutlivesItsServer()
{
    PeerProcess camera;
    QVERIFY(camera.start(TestSupport::systemPython(),
                         {TestSupport::sourcePath(QStringLiteral("sim/rtsp-camera.py")),
                          QStringLiteral("--port"), QStringLiteral("0"),
                          QStringLiteral("--max-seconds"), QStringLiteral("60")}));
    QByteArray log;
    const auto logged = [&](const QByteArray &text, int timeoutMs) {
        return TestSupport::waitUntil(
            [&] {
                log += camera.output();
                return log.contains(text);
            },
            timeoutMs);
    };
    QVERIFY(logged("listening on ", 10000));
    const int at = log.indexOf("listening on ") + 13;
    const quint16 port = quint16(log.mid(at, log.indexOf('\n', at) - at).toUInt());
    QVERIFY(port != 0);

    // A stream just left by its last player may refuse the next one for a moment.
    const auto serves = [port] {
        return TestSupport::waitUntil(
            [port] { return rtspSetup(port, "RTP/AVP/TCP;unicast;interleaved=0-1") == 200; },
            10000);
    };
    QCOMPARE(rtspSetup(port, "RTP/AVP;unicast;client_port=40000-40001"), 461);
    QVERIFY(serves());

    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(camera.pid()));
    QVERIFY(children.open(QIODevice::ReadOnly));
    const qint64 server = children.readAll().trimmed().toLongLong();
    QVERIFY(server > 0);
    QCOMPARE(::kill(pid_t(server), SIGABRT), 0);
    QVERIFY(logged("starting it again", 10000));
    QVERIFY(serves());
}

QTEST_MAIN(TestDetectorFaults)
#include "tst_detectorfaults.moc"
