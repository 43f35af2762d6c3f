#include "peerprocess.h"

#include "testsupport.h"

#include <QFile>
#include <QTcpSocket>

#include <signal.h>
#include <sys/types.h>

PeerProcess::PeerProcess()
{
    // Lines are stamped as they come, while the test waits for anything.
    QObject::connect(&m_process, &QProcess::readyRead, &m_process, [this] { m_unread += take(); });
}

PeerProcess::~PeerProcess()
{
    stop();
    // Nothing the process still says may reach the log as it goes.
    m_process.disconnect();
}

bool PeerProcess::start(const QString &program, const QStringList &arguments)
{
    m_clock.start();
    m_lines.clear();
    m_partialLine.clear();
    m_process.setProcessChannelMode(QProcess::MergedChannels);

    m_process.start(program, arguments);
    const bool started = m_process.waitForStarted(5000);
    m_pid = m_process.processId();
    return started;
}

bool PeerProcess::startReportingPort(const QString &program, const QStringList &arguments,
                                     const QRegularExpression &portLine, int timeoutMs)
{
    m_port = 0;
    m_startOutput.clear();
    m_portLine = portLine;
    m_portLine.setPatternOptions(portLine.patternOptions() | QRegularExpression::MultilineOption);
    const bool started = start(program, arguments)
                         && TestSupport::waitUntil(
                             [this] {
                                 m_unread += take();
                                 return m_port != 0 || !isRunning();
                             },
                             timeoutMs);
    m_portLine = QRegularExpression();
    return started && m_port != 0 && isRunning();
}

bool PeerProcess::startOnFreePort(const QString &program,
                                  const std::function<QStringList(quint16)> &arguments,
                                  int timeoutMs, quint16 wanted)
{
    m_port = 0;
    for (int attempt = 0; attempt < (wanted ? 1 : 3); ++attempt) {
        const quint16 port = wanted ? wanted : TestSupport::refusingPort()->localPort();
        if (port == 0 || !start(program, arguments(port)))
            return false;
        TestSupport::waitUntil([&] { return !isRunning() || TestSupport::listensOn(pid(), port); },
                               timeoutMs);
        if (isRunning()) {
            if (!TestSupport::listensOn(pid(), port))
                return false;
            m_port = port;
            return true;
        }
        m_unread += take();
    }
    return false;
}

bool PeerProcess::startFtpServer(const QString &root)
{
    return startReportingPort(
        TestSupport::systemPython(),
        {"-m", "pyftpdlib", "-i", "127.0.0.1", "-p", "0", "-d", root, "-u", "user", "-P", "pass"},
        QRegularExpression(QStringLiteral("starting FTP server on 127\\.0\\.0\\.1:(\\d+),")));
}

bool PeerProcess::startHttpServer(const QString &root)
{
    // Unbuffered, or the line naming the port stays in the pipe.
    return startReportingPort(
        TestSupport::systemPython(),
        {"-u", "-m", "http.server", "0", "--bind", "127.0.0.1", "--directory", root},
        QRegularExpression(QStringLiteral("^Serving HTTP on 127\\.0\\.0\\.1 port (\\d+) ")));
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
    m_unread += take();
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

QStringList PeerProcess::lines(const QString &prefix)
{
    m_unread += take();
    QStringList found;
    for (const auto &line : qAsConst(m_lines)) {
        if (line.second.startsWith(prefix))
            found.append(line.second);
    }
    return found;
}

qint64 PeerProcess::timeOf(const QString &prefix)
{
    m_unread += take();
    for (const auto &line : qAsConst(m_lines)) {
        if (line.second.startsWith(prefix))
            return line.first;
    }
    return -1;
}

bool PeerProcess::waitForLine(const QString &prefix, int timeoutMs)
{
    return TestSupport::waitUntil([&] { return timeOf(prefix) >= 0; }, timeoutMs);
}

void PeerProcess::log(const QByteArray &data)
{
    m_partialLine += data;
    int end;
    while ((end = m_partialLine.indexOf('\n')) >= 0) {
        m_lines.append({m_clock.elapsed(), QString::fromUtf8(m_partialLine.left(end))});
        m_partialLine.remove(0, end + 1);
    }
}

QByteArray PeerProcess::output()
{
    QByteArray data = m_unread + take();
    m_unread.clear();
    return data;
}

// Everything read from the peer passes here, whoever reads it, so that a
// port line is seen also when the test reads the output meanwhile.
QByteArray PeerProcess::take()
{
    const QByteArray data = m_process.readAll();
    screen(data);
    log(data);
    if (m_port == 0 && !m_portLine.pattern().isEmpty()) {
        m_startOutput += data;
        const QByteArray lines = m_startOutput.left(m_startOutput.lastIndexOf('\n') + 1);
        const QRegularExpressionMatch match = m_portLine.match(QString::fromUtf8(lines));
        if (match.hasMatch())
            m_port = quint16(match.captured(1).toUInt());
    }
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
