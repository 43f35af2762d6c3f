#include "detectorsimulator.h"

#include <QTcpSocket>

#include <cstdio>

DetectorSimulator::DetectorSimulator(const SimulatorLayout &layout, QObject *parent)
    : QTcpServer(parent)
    , m_layout(layout)
{
    connect(this, &QTcpServer::newConnection, this, &DetectorSimulator::acceptConnections);
    connect(&m_schedule, &QTimer::timeout, this, [this] { toggleNextZone(); });
}

void DetectorSimulator::setSchedule(int interval)
{
    if (interval > 0)
        m_schedule.start(interval);
    else
        m_schedule.stop();
}

void DetectorSimulator::setMode(const QString &mode)
{
    if (mode == QLatin1String("none"))
        m_modes.clear();
    else
        m_modes.insert(mode);
    log(QStringLiteral("mode %1").arg(mode));
}

void DetectorSimulator::runCommand(const QString &line)
{
    const int space = line.indexOf(QLatin1Char(' '));
    const QString word = line.left(space);
    const QString rest = space < 0 ? QString() : line.mid(space + 1);
    if (word.isEmpty() || word.startsWith(QLatin1Char('#')))
        return;
    if (word == QLatin1String("fail")) {
        setMode(rest.trimmed());
    } else if (word == QLatin1String("drop")) {
        const QList<QTcpSocket *> sockets = m_sessions.keys();
        for (QTcpSocket *socket : sockets)
            socket->disconnectFromHost();
    } else if (word == QLatin1String("toggle")) {
        toggleNextZone();
    } else if (word == QLatin1String("quit")) {
        emit quitRequested();
    } else if (!runProtocolCommand(word, rest)) {
        log(QStringLiteral("unknown command %1").arg(word));
    }
}

QByteArray DetectorSimulator::unescape(const QString &text)
{
    const QByteArray source = text.toUtf8();
    QByteArray result;
    for (int i = 0; i < source.size(); ++i) {
        const char c = source.at(i);
        if (c != '\\' || i + 1 >= source.size()) {
            result.append(c);
            continue;
        }
        const char code = source.at(++i);
        switch (code) {
        case 'r':
            result.append('\r');
            break;
        case 'n':
            result.append('\n');
            break;
        case 't':
            result.append('\t');
            break;
        case 's':
            result.append(' ');
            break;
        case 'x':
            result.append(char(source.mid(i + 1, 2).toInt(nullptr, 16)));
            i += 2;
            break;
        default:
            result.append(code);
            break;
        }
    }
    return result;
}

void DetectorSimulator::log(const QString &text) const
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

void DetectorSimulator::sendToAll(const QByteArray &bytes) const
{
    for (auto it = m_sessions.cbegin(); it != m_sessions.cend(); ++it)
        it.key()->write(bytes);
}

void DetectorSimulator::acceptConnections()
{
    while (QTcpSocket *socket = nextPendingConnection()) {
        Session session;
        session.number = ++m_sessionCount;
        m_sessions.insert(socket, session);
        // Qt stops reading from the network once this much is waiting.
        socket->setReadBufferSize(SessionLimit);
        log(QStringLiteral("connected %1").arg(m_sessionCount));
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { receive(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            log(QStringLiteral("closed %1").arg(m_sessions.value(socket).number));
            m_sessions.remove(socket);
            socket->deleteLater();
        });
    }
}

void DetectorSimulator::receive(QTcpSocket *socket)
{
    auto it = m_sessions.find(socket);
    if (it == m_sessions.end())
        return;
    it->buffer.append(socket->readAll());
    QByteArray unit;
    Framing framing;
    while ((framing = takeUnit(it->buffer, &unit)) == Framing::Unit) {
        log(QStringLiteral("recv %1 %2").arg(it->number).arg(QString::fromLatin1(unit)));
        ++it->unitsReceived;
        handleUnit(socket, *it, unit);
        // Answering may have closed the session.
        it = m_sessions.find(socket);
        if (it == m_sessions.end())
            return;
    }
    if (framing == Framing::Refused || it->buffer.size() > SessionLimit)
        cutOff(socket, it->number);
}

void DetectorSimulator::cutOff(QTcpSocket *socket, int session)
{
    log(QStringLiteral("overflow %1").arg(session));
    m_sessions[socket].buffer.clear();
    socket->abort();
}
