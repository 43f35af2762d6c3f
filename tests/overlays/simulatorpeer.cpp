#include "simulatorpeer.h"

#include "testsupport.h"

SimulatorPeer::~SimulatorPeer()
{
    // The peer's last output must not reach a half-destroyed log.
    m_peer.process().disconnect();
    m_peer.stop();
}

QString SimulatorPeer::program()
{
    return QStringLiteral(OSTREL_DETECTOR_SIM);
}

bool SimulatorPeer::start(const QString &protocol, const QByteArray &layoutJson,
                          const QStringList &arguments)
{
    QStringList all {QStringLiteral("--protocol"), protocol, QStringLiteral("--max-seconds"),
                     QStringLiteral("120")};
    if (!layoutJson.isEmpty()) {
        if (!m_layout.open() || m_layout.write(layoutJson) != layoutJson.size())
            return false;
        m_layout.flush();
        all << QStringLiteral("--layout") << m_layout.fileName();
    }
    m_clock.start();
    // Lines are stamped as they come, while the test waits for anything.
    QObject::connect(&m_peer.process(), &QProcess::readyReadStandardOutput, &m_peer.process(),
                     [this] { collect(); });
    return m_peer.startReportingPort(program(), all + arguments,
                                     QRegularExpression(QStringLiteral("^port (\\d+)$")));
}

QString SimulatorPeer::url(const QString &userInfo) const
{
    return QStringLiteral("tcp://%1@127.0.0.1:%2/").arg(userInfo).arg(port());
}

void SimulatorPeer::command(const QByteArray &line)
{
    m_peer.process().write(line + '\n');
    m_peer.process().waitForBytesWritten(1000);
}

bool SimulatorPeer::waitForLine(const QString &prefix, int timeoutMs)
{
    return TestSupport::waitUntil([&] { return timeOf(prefix) >= 0; }, timeoutMs);
}

QStringList SimulatorPeer::lines(const QString &prefix)
{
    collect();
    QStringList found;
    for (const auto &line : qAsConst(m_lines)) {
        if (line.second.startsWith(prefix))
            found.append(line.second);
    }
    return found;
}

qint64 SimulatorPeer::timeOf(const QString &prefix)
{
    collect();
    for (const auto &line : qAsConst(m_lines)) {
        if (line.second.startsWith(prefix))
            return line.first;
    }
    return -1;
}

void SimulatorPeer::collect()
{
    m_pending += m_peer.output();
    int end;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        m_lines.append({m_clock.elapsed(), QString::fromUtf8(m_pending.left(end))});
        m_pending.remove(0, end + 1);
    }
}
