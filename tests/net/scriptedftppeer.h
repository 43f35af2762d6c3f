#ifndef SCRIPTEDFTPPEER_H
#define SCRIPTEDFTPPEER_H

#include <QByteArrayList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>

/*
 * An FTP server on loopback whose answers a test scripts, to play servers
 * that misbehave in ways a real one will not. Without a script it serves
 * one file listing and one file body well enough for a client session.
 */
class ScriptedFtpPeer : public QObject
{
public:
    struct Answer
    {
        QByteArray reply; // sent as is; empty sends nothing
        bool close = false; // hang up after the reply
    };
    // Returns the answer to one command line (without its line end).
    using Script = std::function<Answer(const QByteArray &command)>;

    ScriptedFtpPeer()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, &ScriptedFtpPeer::acceptControl);
        connect(&m_dataServer, &QTcpServer::newConnection, this, [this] {
            m_data = m_dataServer.nextPendingConnection();
            if (m_sendOnConnect)
                sendPayload();
        });
    }

    quint16 port() const { return m_server.serverPort(); }
    void setGreeting(const QByteArray &greeting) { m_greeting = greeting; }
    void setScript(const Script &script) { m_script = script; }
    // What RETR and LIST send over the data connection.
    void setPayload(const QByteArray &payload) { m_payload = payload; }

    // The well-behaved answer to `command`, for scripts to fall back on.
    Answer standardAnswer(const QByteArray &command)
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
            return {"229 Entering extended passive mode (|||"
                    + QByteArray::number(openDataListener()) + "|)\r\n"};
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
    // The port of the data listener, opened on first use.
    quint16 openDataListener()
    {
        if (!m_dataServer.isListening())
            m_dataServer.listen(QHostAddress::LocalHost, 0);
        return m_dataServer.serverPort();
    }
    // Sends the payload over the waiting data connection and closes it.
    void sendPayload()
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

    QByteArrayList commands() const { return m_commands; }
    int connectionCount() const { return m_connectionCount; }
    QTcpSocket *control() const { return m_control; }
    QTcpSocket *dataSocket() const { return m_data; }

private:
    void acceptControl()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            ++m_connectionCount;
            m_control = socket;
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readCommands(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            socket->write(m_greeting);
        }
    }
    void readCommands(QTcpSocket *socket)
    {
        while (socket->canReadLine()) {
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

    QTcpServer m_server;
    QTcpServer m_dataServer;
    QPointer<QTcpSocket> m_control;
    QPointer<QTcpSocket> m_data;
    QByteArray m_greeting = "220 scripted peer ready\r\n";
    QByteArray m_payload = "-rw-r--r-- 1 a b 5 Mar 15 12:05 a.jpg\r\n";
    Script m_script;
    QByteArrayList m_commands;
    int m_connectionCount = 0;
    bool m_sendOnConnect = false;
};

#endif // SCRIPTEDFTPPEER_H
