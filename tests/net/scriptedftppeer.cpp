#include "scriptedftppeer.h"

ScriptedFtpPeer::ScriptedFtpPeer(QObject *parent)
    : QObject(parent)
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, &ScriptedFtpPeer::acceptControl);
    connect(&m_dataServer, &QTcpServer::newConnection, this, [this] {
        m_data = m_dataServer.nextPendingConnection();
        if (m_sendOnConnect)
            sendPayload();
    });
}

ScriptedFtpPeer::Answer ScriptedFtpPeer::standardAnswer(const QByteArray &command)
{
    const QByteArray verb = command.split(' ').first().toUpper();
    if (verb == "USER")
        return {"331 password please\r\n"};
    if (verb == "PASS")
        return {"230 in\r\n"};
    if (verb == "CWD")
        return {"250 there\r\n"};
    if (verb == "TYPE")
        return {"200 type set\r\n"};
    if (verb == "SIZE")
        return {"213 " + QByteArray::number(m_payload.size()) + "\r\n"};
    if (verb == "EPSV")
        return {"229 Entering extended passive mode (|||" + QByteArray::number(openDataListener())
                + "|)\r\n"};
    if (verb == "RETR" || verb == "LIST") {
        // The payload goes out once the data connection is there; the
        // final reply follows on the control connection.
        if (m_data)
            sendPayload();
        else
            m_sendOnConnect = true;
        return {"150 here it comes\r\n226 done\r\n"};
    }
    if (verb == "ABOR")
        return {"225 nothing to abort\r\n"};
    if (verb == "QUIT")
        return {"221 bye\r\n", true};
    return {"502 not implemented\r\n"};
}

quint16 ScriptedFtpPeer::openDataListener()
{
    if (!m_dataServer.isListening())
        m_dataServer.listen(QHostAddress::LocalHost, 0);
    return m_dataServer.serverPort();
}

void ScriptedFtpPeer::sendPayload()
{
    m_sendOnConnect = false;
    if (!m_data)
        return;
    QTcpSocket *data = m_data;
    m_data = nullptr;
    connect(data, &QTcpSocket::disconnected, data, &QObject::deleteLater);
    data->write(m_payload);
    data->disconnectFromHost();
}

void ScriptedFtpPeer::acceptControl()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        ++m_connectionCount;
        m_control = socket;
        connect(socket, &QTcpSocket::readyRead, this, &ScriptedFtpPeer::readCommands);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        socket->write(m_greeting);
    }
}

void ScriptedFtpPeer::readCommands()
{
    auto *socket = qobject_cast<QTcpSocket *>(sender());
    while (socket && socket->canReadLine()) {
        QByteArray line = socket->readLine();
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        m_commands.append(line);
        const Answer answer = m_script ? m_script(line) : standardAnswer(line);
        socket->write(answer.reply);
        if (answer.close) {
            socket->disconnectFromHost();
            return;
        }
    }
}
