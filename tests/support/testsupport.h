#ifndef TESTSUPPORT_H
#define TESTSUPPORT_H

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSet>
#include <QString>
#include <QTcpSocket>
#include <QThread>
#include <QVector>

#include <functional>
#include <memory>

class QPoint;
class QSize;
class QWidget;
class WorkstationWindow;

namespace TestSupport {

// Debian's Python modules (gi, pyftpdlib) belong to the system interpreter.
inline QString systemPython()
{
    return QStringLiteral("/usr/bin/python3");
}

// A port on 127.0.0.1 that refuses connections: the socket holds it bound
// without listening, so that no other program can listen there meanwhile.
std::unique_ptr<QTcpSocket> refusingPort();

// A socket of the kernel's TCP tables, IPv4 and IPv6, read from /proc so
// that a one-shot server is not used up by a probing connection.
struct TcpEntry
{
    enum State { Established = 0x01, Listening = 0x0A };
    QByteArray localAddress; // in the tables' hex: "0100007F" is 127.0.0.1
    quint16 localPort = 0;
    quint16 remotePort = 0;
    int state = 0;
    QByteArray inode;
};
QVector<TcpEntry> tcpTable();

// The inodes of the sockets the process `pid` holds, as the tables name them.
QSet<QByteArray> socketsOf(qint64 pid);

// Whether the process `pid` itself holds a socket listening on `port`.
bool listensOn(qint64 pid, quint16 port);

// How many connections of this process are established to `remotePort`.
int establishedFromHere(quint16 remotePort);

// Runs the event loop until `condition` holds or `timeoutMs` has passed.
bool waitUntil(const std::function<bool()> &condition, int timeoutMs);

// Writes `bytes` to `path`, making its folders; reads a whole file.
bool writeFile(const QString &path, const QByteArray &bytes);
QByteArray readFile(const QString &path);

// Path of a file below the source tree.
QString sourcePath(const QString &relative);

// The resident memory of this process in KiB; -1 when it cannot be read or
// tells nothing, under AddressSanitizer, which holds freed memory back.
qint64 residentMemoryKiB();

// Shows the host's main window at a map zoom level and waits until it is on
// screen; players on the map need a shown view.
bool showWorkstation(WorkstationWindow *window, int zoom, const QSize &size);

// A left-button drag on `widget` in four moves; QTest::mouseMove() carries
// no buttons, which a drag needs.
void drag(QWidget *widget, const QPoint &from, const QPoint &by);

// A camera list file as the host's lists are written: each camera with the
// attributes it carries in the file, its name escaped.
class CamListBuilder
{
public:
    CamListBuilder &add(const QString &name, double lon, double lat,
                        const QByteArray &attributes = QByteArray());
    QByteArray bytes() const { return "<VarkaNetwork>" + m_cameras + "</VarkaNetwork>\n"; }
    bool write(const QString &path) const { return writeFile(path, bytes()); }

private:
    QByteArray m_cameras;
};

} // namespace TestSupport

#endif // TESTSUPPORT_H
