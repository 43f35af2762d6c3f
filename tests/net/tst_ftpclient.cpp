#include "net/ftpclient.h"

#include "peerprocess.h"
#include "scriptedftppeer.h"
#include "testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

// Everything a client tells: the outcome of each command by its id, "ok"
// or "error: " and its error text.
class Recorder : public QObject
{
public:
    explicit Recorder(FtpClient *client)
    {
        connect(client, &FtpClient::stateChanged, this, [this](int s) { states.append(s); });
        connect(client, &FtpClient::commandFinished, this, [this, client](int id, bool error) {
            outcomes.insert(id, error ? "error: " + client->errorString() : QStringLiteral("ok"));
        });
        connect(client, &FtpClient::listInfo, this,
                [this](const FtpUrlInfo &i) { entries.append(i); });
        connect(client, &FtpClient::dataTransferProgress, this, [this](qint64 done, qint64 total) {
            progress.append({done, total});
        });
    }
    QString outcome(int id) const
    {
        TestSupport::waitUntil([this, id] { return outcomes.contains(id); }, 10000);
        return outcomes.value(id);
    }
    bool succeeded(int id) const { return outcome(id) == QLatin1String("ok"); }
    bool failed(int id) const { return outcome(id).startsWith(QLatin1String("error: ")); }
    int failures() const
    {
        return int(std::count_if(outcomes.cbegin(), outcomes.cend(),
                                 [](const QString &o) { return o != QLatin1String("ok"); }));
    }

    QList<int> states;
    QMap<int, QString> outcomes;
    QList<FtpUrlInfo> entries;
    QList<QPair<qint64, qint64>> progress;
};

QByteArray randomBytes(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(bytes.data()),
                                          size / int(sizeof(quint32)));
    // Line ends that an ASCII transfer would change.
    return bytes + "\r\n\n\r";
}

} // namespace

class TestFtpClient : public QObject
{
    Q_OBJECT

private slots:
    void sessionWithRealServer();
    void brokenConnections_data();
    void brokenConnections();
    void sessionWithScriptedPeer();
};

// A whole session against a real server, a transfer aborted and one refused
// on the way: the queued commands behind the aborted one are dropped, and
// the session stays logged in and usable.
void TestFtpClient::sessionWithRealServer()
{
    QTemporaryDir root;
    QVERIFY(root.isValid() && QDir(root.path()).mkpath(QStringLiteral("day/sub")));
    const QByteArray image = randomBytes(100000);
    QVERIFY(TestSupport::writeFile(root.filePath(QStringLiteral("day/a.jpg")), image));
    QVERIFY(TestSupport::writeFile(root.filePath(QStringLiteral("day/name with space.png")), "x"));
    QVERIFY(TestSupport::writeFile(root.filePath(QStringLiteral("big.bin")),
                                   randomBytes(16 * 1024 * 1024)));
    QVERIFY(QFile::link(QStringLiteral("a.jpg"), root.filePath(QStringLiteral("day/link.jpg"))));
    PeerProcess server;
    QVERIFY(server.startFtpServer(root.path()));

    FtpClient client;
    Recorder recorder(&client);
    client.connectToHost(QStringLiteral("127.0.0.1"), server.port());
    client.login(QStringLiteral("user"), QStringLiteral("pass"));
    client.cd(QStringLiteral("day"));
    client.list();
    const int getId = client.get(QStringLiteral("a.jpg"));
    QCOMPARE(client.state(), FtpClient::Unconnected); // nothing runs before the event loop
    QVERIFY(recorder.succeeded(getId));
    QCOMPARE(recorder.outcomes.values(), QVector<QString>(5, QStringLiteral("ok")).toList());
    QCOMPARE(client.readAll(), image);
    QCOMPARE(recorder.progress.last(), qMakePair(qint64(image.size()), qint64(image.size())));

    // The real server's listing, as the client parsed it.
    QMap<QString, FtpUrlInfo> entries;
    for (const FtpUrlInfo &entry : qAsConst(recorder.entries))
        entries.insert(entry.name(), entry);
    QCOMPARE(entries.keys(), (QStringList {"a.jpg", "link.jpg", "name with space.png", "sub"}));
    QCOMPARE(entries["a.jpg"].size(), qint64(image.size()));
    QVERIFY(entries["name with space.png"].isFile());
    QVERIFY(entries["link.jpg"].isSymLink() && !entries["link.jpg"].isFile());
    QVERIFY(entries["sub"].isDir() && !entries["sub"].isFile());

    const int bigId = client.get(QStringLiteral("../big.bin"));
    const int droppedId = client.cd(QStringLiteral("sub"));
    connect(&client, &FtpClient::dataTransferProgress, &client, &FtpClient::abort);
    QVERIFY(recorder.failed(bigId));
    QCOMPARE(recorder.outcome(bigId), QStringLiteral("error: Aborted"));
    disconnect(&client, &FtpClient::dataTransferProgress, &client, &FtpClient::abort);
    const int listId = client.list();
    QVERIFY(recorder.succeeded(client.get(QStringLiteral("a.jpg"))));
    QVERIFY(!recorder.outcomes.contains(droppedId));
    QCOMPARE(recorder.outcomes.value(listId), QStringLiteral("ok"));
    QCOMPARE(client.readAll(), image);

    // A file beyond the transfer limit is refused, the session goes on.
    client.setTransferLimit(image.size() - 1);
    const int refusedId = client.get(QStringLiteral("a.jpg"));
    QVERIFY(recorder.failed(refusedId));
    QCOMPARE(recorder.outcome(refusedId),
             QStringLiteral("error: Transfer stopped: more than %1 bytes").arg(image.size() - 1));
    QVERIFY(client.readAll().isEmpty());
    client.setTransferLimit(image.size());
    QVERIFY(recorder.succeeded(client.get(QStringLiteral("a.jpg"))));
    QCOMPARE(client.readAll(), image);
    QVERIFY(recorder.succeeded(client.close()));
    QCOMPARE(recorder.states,
             (QList<int> {FtpClient::HostLookup, FtpClient::Connecting, FtpClient::Connected,
                          FtpClient::LoggedIn, FtpClient::Closing, FtpClient::Unconnected}));
}

// Peers that end a session in every way but the proper one, one of each
// kind (silence, garbage, refusal, hang-up), and refusals that leave the
// session open; each must end in one failed command, the expected state, and
// the commands queued behind it dropped: never sent, never reported.
// Overlong and malformed lines are the reply parser's own test.
void TestFtpClient::brokenConnections_data()
{
    QTest::addColumn<QByteArray>("greeting");
    QTest::addColumn<QByteArray>("failingVerb");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("hangUp");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("endState");

    const QByteArray good("220 ok\r\n");
    const int gone = FtpClient::Unconnected;
    QTest::newRow("no greeting") << QByteArray() << QByteArray() << QByteArray() << false
                                 << "did not answer" << gone;
    QTest::newRow("garbage greeting") << QByteArray("SSH-2.0-OpenSSH\r\n") << QByteArray()
                                      << QByteArray() << false << "Invalid reply" << gone;
    QTest::newRow("hang-up during login")
        << good << QByteArray("PASS") << QByteArray() << true << "closed by the server" << gone;
    QTest::newRow("service closing")
        << good << QByteArray("CWD") << QByteArray("421 shutting down\r\n") << false
        << "shutting down" << gone;
    QTest::newRow("silent data connection")
        << good << QByteArray("RETR") << QByteArray("150 soon\r\n") << false
        << "Data connection timed out" << gone;
    QTest::newRow("data without final reply")
        << good << QByteArray("RETR-payload") << QByteArray("150 soon\r\n") << false
        << "did not answer" << gone;
    QTest::newRow("refused login")
        << good << QByteArray("PASS") << QByteArray("530 Login incorrect.\r\n") << false
        << "Login incorrect." << int(FtpClient::Connected);
    QTest::newRow("missing directory")
        << good << QByteArray("CWD") << QByteArray("550 No such directory.\r\n") << false
        << "No such directory." << int(FtpClient::LoggedIn);
}

void TestFtpClient::brokenConnections()
{
    QFETCH(QByteArray, greeting);
    QFETCH(QByteArray, failingVerb);
    QFETCH(QByteArray, reply);
    QFETCH(bool, hangUp);
    QFETCH(QString, message);
    QFETCH(int, endState);

    ScriptedFtpPeer peer;
    peer.setGreeting(greeting);
    peer.setScript([&](const QByteArray &command) -> ScriptedFtpPeer::Answer {
        if (command.split(' ').first() == failingVerb.split('-').first()) {
            if (failingVerb.endsWith("-payload"))
                peer.sendPayload();
            return {reply, hangUp};
        }
        return peer.standardAnswer(command);
    });

    FtpClient client;
    Recorder recorder(&client);
    client.setTimeout(400);
    QElapsedTimer elapsed;
    elapsed.start();
    client.connectToHost(QStringLiteral("127.0.0.1"), peer.port());
    client.login(QStringLiteral("u"), QStringLiteral("p"));
    client.cd(QStringLiteral("x"));
    client.get(QStringLiteral("a.jpg"));
    const int droppedId = client.list();

    QVERIFY(TestSupport::waitUntil([&] { return recorder.failures() > 0; }, 5000));
    QVERIFY(elapsed.elapsed() < 3000);
    const QString last = recorder.outcomes.last(); // the highest id that finished
    QVERIFY2(last.startsWith("error: ") && last.contains(message), qPrintable(last));
    QTest::qWait(100);
    QCOMPARE(recorder.failures(), 1);
    QCOMPARE(int(client.state()), endState);
    QVERIFY(!recorder.outcomes.contains(droppedId));
    QVERIFY(!client.hasPendingCommands());
    if (!failingVerb.isEmpty())
        QVERIFY(peer.commands().last().startsWith(failingVerb.split('-').first()));
}

// A peer without EPSV whose PASV names an address that is not its own (the
// data connection must go to the server all the same), and whose final
// reply comes long before the last byte; then it drops the idle session.
void TestFtpClient::sessionWithScriptedPeer()
{
    ScriptedFtpPeer peer;
    peer.setPayload(QByteArray(300000, 'x'));
    bool passiveRefused = false;
    peer.setScript([&](const QByteArray &command) -> ScriptedFtpPeer::Answer {
        if (command == "PASS wrong")
            return {"530 Login incorrect.\r\n"};
        if (command == "EPSV")
            return {"500 EPSV not understood\r\n"};
        if (command == "PASV" && passiveRefused)
            return {"502 no passive mode\r\n"};
        if (command == "PASV") {
            const quint16 port = peer.openDataListener();
            return {QByteArray("227 Entering Passive Mode (10,255,255,1,")
                    + QByteArray::number(port >> 8) + ',' + QByteArray::number(port & 0xff)
                    + ")\r\n"};
        }
        if (command.startsWith("SIZE"))
            return {"550 no size here\r\n"};
        if (command.startsWith("RETR")) {
            QTimer::singleShot(200, &peer, [&] { peer.sendPayload(); });
            return {"150 soon\r\n226 done already\r\n"};
        }
        return peer.standardAnswer(command);
    });
    FtpClient client;
    Recorder recorder(&client);
    client.setTimeout(400);
    client.connectToHost(QStringLiteral("127.0.0.1"), peer.port());
    QVERIFY(recorder.failed(client.login(QStringLiteral("user"), QStringLiteral("wrong"))));
    QCOMPARE(client.errorString(), QStringLiteral("Login incorrect."));
    QCOMPARE(client.state(), FtpClient::Connected);
    QVERIFY(recorder.succeeded(client.login()));
    QCOMPARE(peer.commands(),
             (QByteArrayList {"USER user", "PASS wrong", "USER anonymous", "PASS anonymous@"}));

    // A line break would smuggle in a command of its own.
    QVERIFY(recorder.failed(client.cd(QStringLiteral("day\r\nDELE a.jpg"))));
    QCOMPARE(client.errorString(), QStringLiteral("Invalid argument"));
    QCOMPARE(peer.commands().size(), 4);

    for (int i = 0; i < 2; ++i) {
        QVERIFY(recorder.succeeded(client.get(QStringLiteral("a.jpg"))));
        QCOMPARE(client.readAll().size(), 300000);
    }
    QCOMPARE(peer.commands().count("EPSV"), 1);
    QCOMPARE(peer.commands().count("PASV"), 2);
    QCOMPARE(recorder.progress.last(), qMakePair(qint64(300000), qint64(-1)));
    // With PASV refused as well there is no way left: the transfer fails,
    // once, and the session stays.
    passiveRefused = true;
    QVERIFY(recorder.failed(client.get(QStringLiteral("a.jpg"))));
    QCOMPARE(peer.commands().count("PASV"), 3);
    QCOMPARE(client.state(), FtpClient::LoggedIn);

    // Dropped while idle, the session ends without a failed command, and
    // the client can connect again.
    const int finishedBefore = recorder.outcomes.size();
    peer.control()->disconnectFromHost();
    QVERIFY(TestSupport::waitUntil([&] { return client.state() == FtpClient::Unconnected; }, 3000));
    QCOMPARE(recorder.outcomes.size(), finishedBefore);
    client.connectToHost(QStringLiteral("127.0.0.1"), peer.port());
    QVERIFY(recorder.succeeded(client.login()));
    QCOMPARE(peer.connectionCount(), 2);
}

QTEST_GUILESS_MAIN(TestFtpClient)
#include "tst_ftpclient.moc"
