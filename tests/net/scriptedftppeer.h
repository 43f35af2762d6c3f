#ifndef SCRIPTEDFTPPEER_H
#define SCRIPTEDFTPPEER_H

#include <QByteArrayList>
#include <QList>
#include <QObject>
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
    Q_OBJECT

public:
    struct Answer
    {
        QByteArray reply; // sent as is; empty sends nothing
        bool close = false; // hang up after the reply
    };
    // Returns the answer to one command line (without its line end).
    using Script = std::function<Answer(const QByteArray &command)>;

    explicit ScriptedFtpPeer(QObject *parent = nullptr);

    quint16 port() const { return m_server.serverPort(); }
    void setGreeting(const QByteArray &greeting) { m_greeting = greeting; }
    void setScript(const Script &script) { m_script = script; }
    // What RETR and LIST send over the data connection.
    void setPayload(const QByteArray &payload) { m_payload = payload; }

    // The well-behaved answer to `command`, for scripts to fall back on.
    Answer standardAnswer(const QByteArray &command);
    // The port of the data listener, opened on first use.
    quint16 openDataListener();
    // Sends the payload over the waiting data connection and closes it.
    void sendPayload();

    QByteArrayList commands() const { return m_commands; }
    int connectionCount() const { return m_connectionCount; }
    QTcpSocket *control() const { return m_control; }
    QTcpSocket *dataSocket() const { return m_data; }

private:
    void acceptControl();
    void readCommands();

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
