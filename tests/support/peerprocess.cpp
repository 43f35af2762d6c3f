#include "peerprocess.h"

#include "testsupport.h"

#include <QFile>

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
    const bool started = m_process.waitForStarted(5000);
    m_pid = m_process.processId();
    return started;
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
    screen(m_process.peek(m_process.bytesAvailable()));
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
    const QByteArray data = m_process.readAll();
    screen(data);
    return data;
}

// Helpers built in a sanitizer tree are instrumented as well. Their
// sanitizers write reports into the tree's report folder themselves, except
// UndefinedBehaviorSanitizer next to AddressSanitizer, which only prints to
// the helper's output; from its first report on, that output is copied into
// the folder, so that the report check after the tests sees it.
void PeerProcess::screen(const QByteArray &data)
{
    static const QString folder = qEnvironmentVariable("OSTREL_SANITIZER_REPORTS");
    if (folder.isEmpty() || data.isEmpty())
        return;
    QByteArray report = data;
    if (!m_reporting) {
        const QByteArray seen = m_screenedTail + data;
        m_screenedTail = seen.right(64);
        if (!seen.contains(": runtime error: "))
            return;
        m_reporting = true;
        report = seen;
    }
    QFile file(QStringLiteral("%1/peer.%2").arg(folder).arg(m_pid));
    if (file.open(QIODevice::WriteOnly | QIODevice::Append))
        file.write(report);
}
