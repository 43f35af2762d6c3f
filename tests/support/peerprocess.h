#ifndef PEERPROCESS_H
#define PEERPROCESS_H

#include "tiedprocess.h"

#include <QStringList>

/*
 * A helper server started by a test (stream, FTP or HTTP server, detector
 * simulator). It is stopped, by its own PID, when the object goes, and by the
 * kernel when the test process ends without that, so that no peer outlives
 * its test.
 */
class PeerProcess
{
public:
    PeerProcess() = default;
    PeerProcess(const PeerProcess &) = delete;
    PeerProcess &operator=(const PeerProcess &) = delete;
    ~PeerProcess();

    bool start(const QString &program, const QStringList &arguments);
    // start() followed by a wait until the port listens on loopback.
    bool startListening(const QString &program, const QStringList &arguments, quint16 port,
                        int timeoutMs = 10000);
    // Debian's pyftpdlib, user "user" with password "pass", and Python's
    // HTTP server, each serving `root` on 127.0.0.1.
    bool startFtpServer(const QString &root, quint16 port);
    bool startHttpServer(const QString &root, quint16 port);
    void stop();
    bool isRunning() const;
    qint64 pid() const;

    // Freeze and thaw the peer, to play a camera that stops sending.
    void pause();
    void resume();

    QProcess &process() { return m_process; }
    QByteArray output();

private:
    void screen(const QByteArray &data);

    TiedProcess m_process;
    bool m_paused = false;
    qint64 m_pid = 0;
    QByteArray m_screenedTail; // the end of the output screened so far
    bool m_reporting = false;
};

#endif // PEERPROCESS_H
