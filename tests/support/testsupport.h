#ifndef TESTSUPPORT_H
#define TESTSUPPORT_H

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QString>
#include <QThread>

#include <functional>

class QSize;
class WorkstationWindow;

namespace TestSupport {

// Debian's Python modules (gi, pyftpdlib) belong to the system interpreter.
inline QString systemPython()
{
    return QStringLiteral("/usr/bin/python3");
}

// A TCP port on 127.0.0.1 that nothing listens on right now.
quint16 freeTcpPort();

// Whether something listens on 127.0.0.1:port, read from /proc/net/tcp so
// that a one-shot server is not used up by a probing connection.
bool isListening(quint16 port);

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

} // namespace TestSupport

#endif // TESTSUPPORT_H
