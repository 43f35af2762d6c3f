#ifndef PEERPROCESS_H
#define PEERPROCESS_H

#include "tiedprocess.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QStringList>
#include <QVector>

#include <functional>

/*
 * A helper server started by a test (stream, FTP or HTTP server, detector
 * simulator). It is stopped, by its own PID, when the object goes, and by the
 * kernel when the test process ends without that, so that no peer outlives
 * its test.
 */
class PeerProcess
{
public:
    PeerProcess();
    PeerProcess(const PeerProcess &) = delete;
    PeerProcess &operator=(const PeerProcess &) = delete;
    ~PeerProcess();

    bool start(const QString &program, const QStringList &arguments);
    // A server that binds a port of its own choosing and prints it: started
    // once a line of its output matches `portLine`, whose first capture is
    // the port.
    bool startReportingPort(const QString &program, const QStringList &arguments,
                            const QRegularExpression &portLine, int timeoutMs = 10000);
    // A server that must be told its port (FFmpeg's one-shot servers):
    // `arguments` gives its command line for a port. Started on a port free
    // at the time, and again on another when it ends before listening (the
    // port was taken meanwhile); it counts as started only when the socket
    // listening there is its own. A given `port` (a server restarted where
    // it was) is tried once.
    bool startOnFreePort(const QString &program,
                         const std::function<QStringList(quint16)> &arguments,
                         int timeoutMs = 10000, quint16 port = 0);
    // Debian's pyftpdlib, user "user" with password "pass", and Python's
    // HTTP server, each serving `root` on 127.0.0.1.
    bool startFtpServer(const QString &root);
    bool startHttpServer(const QString &root);
    // Where the server listens; 0 until it does.
    quint16 port() const { return m_port; }
    void stop();
    bool isRunning() const;
    qint64 pid() const;

    // Freeze and thaw the peer, to play a camera that stops sending.
    void pause();
    void resume();

    QProcess &process() { return m_process; }
    // What the peer printed and nobody has taken yet.
    QByteArray output();

    // The peer's log: each line it printed (a command a simulator or a
    // stream server received), stamped when it came, in ms since the start.
    QStringList lines(const QString &prefix = QString());
    // When the first line starting with `prefix` came; -1 if none has.
    qint64 timeOf(const QString &prefix);
    bool waitForLine(const QString &prefix, int timeoutMs = 5000);

private:
    QByteArray take();
    void screen(const QByteArray &data);
    void log(const QByteArray &data);

    TiedProcess m_process;
    quint16 m_port = 0;
    QRegularExpression m_portLine; // while the port is awaited
    QByteArray m_startOutput; // searched for the port line
    QByteArray m_unread; // taken while starting, not yet handed out
    bool m_paused = false;
    qint64 m_pid = 0;
    QByteArray m_screenedTail; // the end of the output screened so far
    bool m_reporting = false;
    QElapsedTimer m_clock;
    QByteArray m_partialLine;
    QVector<QPair<qint64, QString>> m_lines;
};

#endif // PEERPROCESS_H
