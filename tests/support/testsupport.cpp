#include "testsupport.h"

#include "osmview.h"
#include "workstationwindow.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QMouseEvent>
#include <QSet>
#include <QTcpSocket>
#include <QTest>

#include <unistd.h>

namespace TestSupport {

std::unique_ptr<QTcpSocket> refusingPort()
{
    // Without address reuse the bound port conflicts with every listener.
    auto socket = std::make_unique<QTcpSocket>();
    socket->bind(QHostAddress::LocalHost, 0, QAbstractSocket::DontShareAddress);
    return socket;
}

QVector<TcpEntry> tcpTable()
{
    QVector<TcpEntry> entries;
    for (const char *path : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        QFile table(QString::fromLatin1(path));
        if (!table.open(QIODevice::ReadOnly))
            continue;
        table.readLine(); // header
        while (!table.atEnd()) {
            // "sl local:port remote:port state queues timer retransmits uid timeout inode"
            const QList<QByteArray> fields = table.readLine().simplified().split(' ');
            if (fields.size() < 10)
                continue;
            const QList<QByteArray> local = fields.at(1).split(':');
            const QList<QByteArray> remote = fields.at(2).split(':');
            if (local.size() != 2 || remote.size() != 2)
                continue;
            TcpEntry entry;
            entry.localAddress = local.at(0);
            entry.localPort = quint16(local.at(1).toUInt(nullptr, 16));
            entry.remotePort = quint16(remote.at(1).toUInt(nullptr, 16));
            entry.state = fields.at(3).toInt(nullptr, 16);
            entry.inode = fields.at(9);
            entries.append(entry);
        }
    }
    return entries;
}

QSet<QByteArray> socketsOf(qint64 pid)
{
    QSet<QByteArray> inodes;
    const QDir descriptors(QStringLiteral("/proc/%1/fd").arg(pid));
    const QStringList names =
        descriptors.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        char target[64];
        const ssize_t size = ::readlink(QFile::encodeName(descriptors.filePath(name)).constData(),
                                        target, sizeof target);
        const QByteArray link(target, int(qMax<ssize_t>(size, 0)));
        if (link.startsWith("socket:[") && link.endsWith(']'))
            inodes.insert(link.mid(8, link.size() - 9));
    }
    return inodes;
}

bool listensOn(qint64 pid, quint16 port)
{
    const QSet<QByteArray> held = socketsOf(pid);
    for (const TcpEntry &entry : tcpTable()) {
        if (entry.state == TcpEntry::Listening && entry.localPort == port
            && held.contains(entry.inode))
            return true;
    }
    return false;
}

int establishedFromHere(quint16 remotePort)
{
    // Counted by inode: the tables are read in pieces and may list a socket
    // twice, and other programs' sockets may have the same port number at
    // another address.
    const QSet<QByteArray> held = socketsOf(QCoreApplication::applicationPid());
    QSet<QByteArray> counted;
    for (const TcpEntry &entry : tcpTable()) {
        if (entry.state == TcpEntry::Established && entry.remotePort == remotePort
            && held.contains(entry.inode))
            counted.insert(entry.inode);
    }
    return counted.size();
}

bool waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString sourcePath(const QString &relative)
{
    return QStringLiteral(OSTREL_SOURCE_DIR "/") + relative;
}

qint64 residentMemoryKiB()
{
#ifdef __SANITIZE_ADDRESS__
    return -1;
#endif
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').constFirst().toLongLong();
    }
    return -1;
}

bool showWorkstation(WorkstationWindow *window, int zoom, const QSize &size)
{
    window->resize(size);
    window->mapView()->setZoom(zoom);
    window->show();
    return QTest::qWaitForWindowExposed(window);
}

CamListBuilder &CamListBuilder::add(const QString &name, double lon, double lat,
                                    const QByteArray &attributes)
{
    m_cameras += "<Cam lon=\"" + QByteArray::number(lon, 'g', 10) + "\" lat=\""
                 + QByteArray::number(lat, 'g', 10) + '"'
                 + (attributes.isEmpty() ? QByteArray() : ' ' + attributes) + '>'
                 + name.toHtmlEscaped().toUtf8() + "</Cam>";
    return *this;
}

void drag(QWidget *widget, const QPoint &from, const QPoint &by)
{
    QTest::mousePress(widget, Qt::LeftButton, {}, from);
    for (int step = 1; step <= 4; ++step) {
        const QPoint to = from + by * step / 4;
        QMouseEvent move(QEvent::MouseMove, to, widget->mapToGlobal(to), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &move);
    }
    QTest::mouseRelease(widget, Qt::LeftButton, {}, from + by);
}

} // namespace TestSupport
