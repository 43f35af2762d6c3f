#include "testsupport.h"

#include "osmview.h"
#include "workstationwindow.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <QTest>

namespace TestSupport {

quint16 freeTcpPort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        return 0;
    return server.serverPort();
}

bool isListening(quint16 port)
{
    for (const char *table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        QFile file(QString::fromLatin1(table));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        file.readLine(); // header
        while (!file.atEnd()) {
            const QList<QByteArray> fields = file.readLine().simplified().split(' ');
            if (fields.size() < 4)
                continue;
            const QByteArray local = fields.at(1);
            const int colon = local.lastIndexOf(':');
            bool ok = false;
            const uint localPort = local.mid(colon + 1).toUInt(&ok, 16);
            if (ok && localPort == port && fields.at(3) == "0A")
                return true;
        }
    }
    return false;
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

} // namespace TestSupport
