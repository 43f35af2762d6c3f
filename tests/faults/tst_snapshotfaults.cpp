#include "imageplayer/imageplayerwidget.h"
#include "net/ftpclient.h"

#include "../net/scriptedftppeer.h"
#include "peerprocess.h"
#include "testsupport.h"

#include <QBuffer>
#include <QDate>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QSlider>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

QString statusText(QWidget *player)
{
    return player->findChild<QLabel *>(QStringLiteral("status"))->text();
}

QString today()
{
    return QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
}

QByteArray pngBytes(const QColor &colour)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// The longest time the event loop went without turning, while it runs for
// `ms` milliseconds or until `done` holds.
qint64 longestStall(int ms, const std::function<bool()> &done = {})
{
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 longest = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longest = qMax(longest, clock.elapsed() - last);
        last = clock.elapsed();
    });
    tick.start(20);
    if (done)
        TestSupport::waitUntil(done, ms);
    else
        QTest::qWait(ms);
    return qMax(longest, clock.elapsed() - last);
}

// Keeps a connection full of zeros for as long as it is open, like a camera
// whose file never ends.
class Flood : public QObject
{
public:
    // `socket` gives the connection, or null while there is none yet.
    void pour(const std::function<QTcpSocket *()> &socket)
    {
        connect(&m_timer, &QTimer::timeout, this, [this, socket] {
            QTcpSocket *s = socket();
            if (s && s->state() == QAbstractSocket::ConnectedState
                && s->bytesToWrite() < 4 * m_chunk.size())
                s->write(m_chunk);
        });
        m_timer.start(5);
    }

private:
    QTimer m_timer;
    const QByteArray m_chunk = QByteArray(1 << 20, '\0');
};

// A PNG whose header promises 16000 x 16000 pixels: 31 KB that would
// decode into a gigabyte.
QByteArray bombBytes()
{
    static const QByteArray bytes = [] {
        QImage image(16000, 16000, QImage::Format_Mono);
        image.fill(0);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return png;
    }();
    return bytes;
}

// A file of 2 GiB that takes no room: a recording left in the directory.
bool writeSparseFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.resize(qint64(2) << 30);
}

// Connections from this machine to `port` on loopback that are open now,
// read from the kernel's table so that the server's side is not counted.
int openConnectionsTo(quint16 port)
{
    const QVector<TestSupport::TcpEntry> table = TestSupport::tcpTable();
    return int(std::count_if(table.cbegin(), table.cend(), [port](const auto &entry) {
        return entry.remotePort == port && entry.state == TestSupport::TcpEntry::Established;
    }));
}

} // namespace

// Snapshot servers that stop half-way: the player reports, stays
// responsive, keeps at most one request going and gets the next image once
// the server is back.
class TestSnapshotFaults : public QObject
{
    Q_OBJECT

private slots:
    void ftpServerBreaksOffMidTransfer_data();
    void ftpServerBreaksOffMidTransfer();
    void httpServerNeverAnswers();
    void sourcesTooBigToShow_data();
    void sourcesTooBigToShow();
};

void TestSnapshotFaults::ftpServerBreaksOffMidTransfer_data()
{
    QTest::addColumn<bool>("hangUp");
    QTest::addColumn<QString>("failure");
    QTest::newRow("stalls") << false << "timed out";
    QTest::newRow("hangs up") << true << "Connection closed by the server";
}

// The server breaks off on its first connection while the file is on its
// way. The player reports it without holding up the event loop and, having
// been logged in, connects again at once and gets the image. Its FTP client
// is given a short timeout to keep the test short.
void TestSnapshotFaults::ftpServerBreaksOffMidTransfer()
{
    QFETCH(bool, hangUp);
    QFETCH(QString, failure);
    const QByteArray image = pngBytes(Qt::cyan);
    const QByteArray listing =
        "-rw-r--r-- 1 a b " + QByteArray::number(image.size()) + " Mar 15 12:05 snapshot.png\r\n";
    ScriptedFtpPeer peer;
    peer.setScript([&](const QByteArray &command) -> ScriptedFtpPeer::Answer {
        const QByteArray verb = command.split(' ').first();
        if (verb == "LIST")
            peer.setPayload(listing);
        if (verb == "RETR") {
            if (peer.connectionCount() == 1) {
                if (QTcpSocket *data = peer.dataSocket())
                    data->write(image.left(image.size() / 2));
                return {"150 here it comes\r\n", hangUp};
            }
            peer.setPayload(image);
        }
        return peer.standardAnswer(command);
    });

    ImagePlayerWidget player(
        nullptr, QStringLiteral("ftp://u:p@127.0.0.1:%1/yyyy-MM-dd/x.png").arg(peer.port()), 60);
    auto *ftp = player.findChild<FtpClient *>(QStringLiteral("ftp"));
    QVERIFY(ftp);
    ftp->setTimeout(1000);
    QStringList failures;
    connect(ftp, &FtpClient::commandFinished, this, [&](int, bool error) {
        if (error)
            failures.append(statusText(&player));
    });
    const auto loaded = [&] {
        return statusText(&player).startsWith(QStringLiteral("new image loaded at"));
    };
    const qint64 stall = longestStall(10000, loaded);
    QVERIFY2(loaded(), qPrintable(statusText(&player)));
    QVERIFY2(stall < 500, qPrintable(QString::number(stall)));
    QCOMPARE(peer.connectionCount(), 2);
    QCOMPARE(failures.size(), 1);
    QVERIFY2(failures.first().startsWith(QStringLiteral("ftp error: "))
                 && failures.first().contains(failure),
             qPrintable(failures.first()));
}

// A real HTTP server frozen: connections are taken by the kernel and never
// answered. Refreshing every second, the player gives up each request for
// the next, so that at most one is open at any time, and stays responsive.
void TestSnapshotFaults::httpServerNeverAnswers()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    QVERIFY(TestSupport::writeFile(root.filePath(QStringLiteral("snapshot.png")),
                                   pngBytes(Qt::yellow)));
    PeerProcess server;
    QVERIFY(server.startHttpServer(root.path()));
    const quint16 port = server.port();
    server.pause();

    ImagePlayerWidget player(nullptr, QStringLiteral("http://127.0.0.1:%1/snapshot.png").arg(port),
                             1);
    int mostOpen = 0;
    QTimer sample;
    connect(&sample, &QTimer::timeout, this,
            [&] { mostOpen = qMax(mostOpen, openConnectionsTo(port)); });
    sample.start(50);
    const qint64 stall = longestStall(2500);
    QVERIFY2(stall < 500, qPrintable(QString::number(stall)));
    QCOMPARE(mostOpen, 1);
    QVERIFY(statusText(&player).isEmpty());

    server.resume();
    QVERIFY(TestSupport::waitUntil(
        [&] { return statusText(&player).startsWith(QStringLiteral("new image loaded at")); },
        10000));
}

// Sources that would cost the workstation gigabytes, or the GUI seconds,
// if taken as they come: each is refused or stopped with a word in the
// status line, the event loop keeps turning and the memory stays bounded.
void TestSnapshotFaults::sourcesTooBigToShow_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("status");

    const QString tooLong = QStringLiteral("transfer stopped: more than 33554432 bytes");
    const QString tooLarge = QStringLiteral("image too large: 16000 x 16000 pixels");
    QTest::newRow("FTP file without end") << "ftp flood"
                                          << "ftp error: T" + tooLong.mid(1);
    QTest::newRow("FTP 2-GB recording") << "ftp sparse"
                                        << "ftp error: T" + tooLong.mid(1);
    QTest::newRow("HTTP body without end") << "http flood" << tooLong;
    QTest::newRow("HTTP 2-GB recording") << "http sparse" << tooLong;
    QTest::newRow("FTP decompression bomb") << "ftp bomb" << tooLarge;
    QTest::newRow("HTTP decompression bomb") << "http bomb" << tooLarge;
    QTest::newRow("a day at one frame a second") << "ftp day"
                                                 << "new image loaded at";
}

void TestSnapshotFaults::sourcesTooBigToShow()
{
    QFETCH(QString, source);
    QFETCH(QString, status);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString dayFile = root.filePath(today() + QStringLiteral("/snapshot.png"));
    PeerProcess server;
    ScriptedFtpPeer ftpPeer;
    QTcpServer httpPeer;
    Flood flood;
    QByteArray listing;
    const QByteArray image = pngBytes(Qt::green);
    quint16 port = 0;
    const QString scheme = source.section(QLatin1Char(' '), 0, 0);
    const QString kind = source.section(QLatin1Char(' '), 1);

    if (kind == QLatin1String("sparse") || kind == QLatin1String("bomb")) {
        QVERIFY(TestSupport::writeFile(dayFile, kind == QLatin1String("bomb") ? bombBytes() : ""));
        if (kind == QLatin1String("sparse"))
            QVERIFY(writeSparseFile(dayFile));
        QVERIFY(scheme == QLatin1String("ftp") ? server.startFtpServer(root.path())
                                               : server.startHttpServer(root.path()));
        port = server.port();
    } else if (scheme == QLatin1String("http")) {
        QVERIFY(httpPeer.listen(QHostAddress::LocalHost));
        port = httpPeer.serverPort();
        connect(&httpPeer, &QTcpServer::newConnection, this, [&] {
            QPointer<QTcpSocket> socket = httpPeer.nextPendingConnection();
            socket->write("HTTP/1.0 200 OK\r\nContent-Type: image/png\r\n\r\n");
            flood.pour([socket] { return socket.data(); });
        });
    } else {
        port = ftpPeer.port();
        // A day of one frame a second, listed in the server's own order.
        for (int second = 0; second < 86400; ++second) {
            const QTime time = QTime(0, 0).addSecs((second * 7919) % 86400);
            listing += "-rw-r--r-- 1 cam cam 1234 Mar 15 12:05 snap-"
                       + time.toString(QStringLiteral("HHmmss")).toLatin1() + ".png\r\n";
        }
        ftpPeer.setScript([&](const QByteArray &command) -> ScriptedFtpPeer::Answer {
            if (command == "TYPE A")
                ftpPeer.setPayload(listing);
            if (command == "TYPE I")
                ftpPeer.setPayload(image);
            if (command.startsWith("SIZE") && kind == QLatin1String("flood"))
                return {"502 no SIZE here\r\n"};
            if (command.startsWith("RETR") && kind == QLatin1String("flood")) {
                flood.pour([&] { return ftpPeer.dataSocket(); });
                return {"150 here it comes\r\n"};
            }
            return ftpPeer.standardAnswer(command);
        });
    }

    const qint64 memoryBefore = TestSupport::residentMemoryKiB();
    ImagePlayerWidget player(
        nullptr,
        QStringLiteral("%1://user:pass@127.0.0.1:%2/yyyy-MM-dd/snapshot.png").arg(scheme).arg(port),
        60);
    const auto shown = [&] { return statusText(&player).startsWith(status); };
    const qint64 stall = longestStall(20000, shown);
    QVERIFY2(shown(), qPrintable(statusText(&player)));
    QVERIFY2(stall < 500, qPrintable(QString::number(stall)));
    if (memoryBefore > 0) {
        const qint64 grown = TestSupport::residentMemoryKiB() - memoryBefore;
        QVERIFY2(grown < 200 * 1024, qPrintable(QString::number(grown)));
    }

    if (kind == QLatin1String("day")) {
        // Refreshing the known day costs no more than its first listing.
        QCOMPARE(player.findChild<QSlider *>()->maximum(), 86399);
        player.findChild<QLabel *>(QStringLiteral("status"))->clear();
        QTest::keyClick(&player, Qt::Key_F5);
        const qint64 refreshStall = longestStall(20000, shown);
        QVERIFY2(shown(), qPrintable(statusText(&player)));
        QVERIFY2(refreshStall < 500, qPrintable(QString::number(refreshStall)));
    }
}

QTEST_MAIN(TestSnapshotFaults)
#include "tst_snapshotfaults.moc"
