#ifndef FTPCLIENT_H
#define FTPCLIENT_H

#include "net/ftpcontrolchannel.h"
#include "net/ftpdatachannel.h"
#include "net/ftpsessioncommand.h"
#include "net/ftptransfer.h"
#include "net/ftpurlinfo.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

struct FtpReply;

/*
 * An asynchronous FTP client in the manner of Qt's former QFtp: every
 * operation is queued as a command and returns the command's id; commands
 * run one after the other and each ends with commandFinished(id, error).
 * Transfers use passive mode (EPSV, else PASV) and binary type for files;
 * a downloaded file is kept until readAll() takes it.
 *
 * A command that fails drops the commands queued behind it, which then
 * never run and report nothing: the commands a caller queues together rely
 * on each other (a listing on the change of directory before it). A
 * negative answer of the server leaves the session as it was; a connection
 * that breaks, goes silent beyond timeout() or carries no FTP also leaves
 * the client Unconnected.
 */
class FtpClient : public QObject
{
    Q_OBJECT

public:
    enum State { Unconnected, HostLookup, Connecting, Connected, LoggedIn, Closing };
    Q_ENUM(State)
    enum Command { None, ConnectToHost, Login, Close, List, Cd, Get };
    Q_ENUM(Command)

    explicit FtpClient(QObject *parent = nullptr);
    ~FtpClient() override;

    int connectToHost(const QString &host, quint16 port = 21);
    // Logs in anonymously when `user` is empty.
    int login(const QString &user = QString(), const QString &password = QString());
    int cd(const QString &dir);
    int list(const QString &dir = QString());
    int get(const QString &file);
    int close();

    // Drops the queued commands and stops a running transfer, which then
    // finishes with an error; other running commands go on to their end.
    void abort();
    void clearPendingCommands();

    State state() const { return m_state; }
    QString errorString() const { return m_errorString; }
    int currentId() const;
    Command currentCommand() const;
    // Whether commands wait behind the running one.
    bool hasPendingCommands() const;

    qint64 bytesAvailable() const { return m_transfer.fileBytes(); }
    QByteArray readAll() { return m_transfer.takeFile(); }

    int timeout() const { return m_timeout; }
    void setTimeout(int ms);
    // The most bytes one transfer (a file or a listing) may bring; a larger
    // one is stopped and fails. Not positive: no limit.
    qint64 transferLimit() const { return m_transferLimit; }
    void setTransferLimit(qint64 bytes) { m_transferLimit = bytes; }

signals:
    void stateChanged(int state);
    void listInfo(const FtpUrlInfo &info);
    void readyRead();
    void dataTransferProgress(qint64 done, qint64 total);
    void commandStarted(int id);
    void commandFinished(int id, bool error);
    void done(bool error);

private:
    // Where the running command is; the steps of a session command and of
    // a transfer are their own.
    enum Step { Idle, Session, Transfer, Aborted };

    struct PendingCommand
    {
        int id;
        Command command;
        QString argument;
        QString secondArgument;
        quint16 port;
    };

    int addCommand(Command command, const QString &argument = QString(),
                   const QString &secondArgument = QString(), quint16 port = 0);
    void scheduleNextCommand();
    void startNextCommand();
    void conduct(const FtpSessionCommand::Action &action);
    void handleReply(const FtpReply &reply);
    void carryOut(const FtpTransfer::Action &action);
    void handleSocketState(QAbstractSocket::SocketState socketState);
    void handleDataConnected();
    void handleData(const QByteArray &data);
    void handleDataFinished();
    // Emits listInfo() for each entry while the transfer runs; false once
    // it does not.
    bool emitEntries(const QList<FtpUrlInfo> &entries);
    void handleConnectionFailure(const QString &message);
    void stopTransfer();
    QString overLimitMessage() const;
    void finishCommand(bool error, const QString &message = QString(), bool keepQueued = false);
    void setState(State state);
    bool runningTransfer() const;

    FtpControlChannel m_control;
    FtpDataChannel m_data;
    FtpSessionCommand m_session;
    FtpTransfer m_transfer;
    QList<PendingCommand> m_commands; // the first one runs when m_running
    bool m_running = false;
    Step m_step = Idle;
    State m_state = Unconnected;
    QString m_errorString;
    int m_lastId = 0;
    int m_timeout = 30000;
    qint64 m_transferLimit = 0;
    bool m_batchError = false;
};

#endif // FTPCLIENT_H
