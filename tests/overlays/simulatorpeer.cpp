#include "simulatorpeer.h"

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
