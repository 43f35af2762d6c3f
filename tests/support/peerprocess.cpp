#include "peerprocess.h"

#include "testsupport.h"

#include <signal.h>
#include <sys/types.h>

PeerProcess::~PeerProcess()
{
    stop();
}

bool PeerProcess::start(const QString &program, const QStringList &arguments)
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(program, arguments);
    return m_process.waitForStarted(5000);
}

bool PeerProcess::startListening(const QString &program, const QStringList &arguments, quint16 port,
                                 int timeoutMs)
{
    if (!start(program, arguments))
        return false;
    return TestSupport::waitUntil(
               [this, port] { return TestSupport::isListening(port) || !isRunning(); }, timeoutMs)
           && isRunning();
}

bool PeerProcess::startFtpServer(const QString &root, quint16 port)
{
    return startListening(TestSupport::systemPython(),
                          {"-m", "pyftpdlib", "-i", "127.0.0.1", "-p", QString::number(port), "-d",
                           root, "-u", "user", "-P", "pass"},
                          port);
}

bool PeerProcess::startHttpServer(const QString &root, quint16 port)
{
    return startListening(
        TestSupport::systemPython(),
        {"-m", "http.server", QString::number(port), "--bind", "127.0.0.1", "--directory", root},
        port);
}

void PeerProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    if (m_paused)
        resume();
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

bool PeerProcess::isRunning() const
{
    return m_process.state() != QProcess::NotRunning;
}

qint64 PeerProcess::pid() const
{
    return m_process.processId();
}

void PeerProcess::pause()
{
    if (isRunning() && !m_paused) {
        ::kill(pid_t(pid()), SIGSTOP);
        m_paused = true;
    }
}

void PeerProcess::resume()
{
    if (isRunning() && m_paused) {
        ::kill(pid_t(pid()), SIGCONT);
        m_paused = false;
    }
}

QByteArray PeerProcess::output()
{
    return m_process.readAll();
}
