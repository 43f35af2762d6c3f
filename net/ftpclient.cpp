#include "ftpclient.h"

#include "net/ftpreplyparser.h"

#include <utility>

FtpClient::FtpClient(QObject *parent)
    : QObject(parent)
    , m_control(this)
    , m_data(this)
{
    qRegisterMetaType<FtpUrlInfo>();
    m_errorString = tr("Unknown error");
    setTimeout(m_timeout);

    connect(
        &m_control, &FtpControlChannel::socketStateChanged, this, &FtpClient::handleSocketState);
    connect(&m_control, &FtpControlChannel::replyReceived, this, &FtpClient::handleReply);
    connect(&m_control, &FtpControlChannel::failed, this, &FtpClient::handleConnectionFailure);
    connect(&m_data, &FtpDataChannel::connected, this, &FtpClient::handleDataConnected);
    connect(&m_data, &FtpDataChannel::dataReceived, this, &FtpClient::handleData);
    connect(&m_data, &FtpDataChannel::finished, this, &FtpClient::handleDataFinished);
    connect(&m_data, &FtpDataChannel::failed, this, &FtpClient::handleConnectionFailure);
}

FtpClient::~FtpClient()
{
    m_data.disconnect(this);
    m_control.disconnect(this);
    m_data.close();
    m_control.close();
}

int FtpClient::connectToHost(const QString &host, quint16 port)
{
    return addCommand(ConnectToHost, host, QString(), port);
}

int FtpClient::login(const QString &user, const QString &password)
{
    if (user.isEmpty())
        return addCommand(Login, QStringLiteral("anonymous"), QStringLiteral("anonymous@"));
    return addCommand(Login, user, password);
}

int FtpClient::cd(const QString &dir)
{
    return addCommand(Cd, dir);
}

int FtpClient::list(const QString &dir)
{
    return addCommand(List, dir);
}

int FtpClient::get(const QString &file)
{
    return addCommand(Get, file);
}

int FtpClient::close()
{
    return addCommand(Close);
}

void FtpClient::abort()
{
    clearPendingCommands();
    if (!runningTransfer())
        return;
    stopTransfer();
    m_step = Aborted;
    // What the caller queues after this is a sequence of its own, which the
    // aborted command does not take with it.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_running && m_step == Aborted)
                finishCommand(true, tr("Aborted"), true);
        },
        Qt::QueuedConnection);
}

void FtpClient::stopTransfer()
{
    // The server still owes the answers to what was sent for the transfer;
    // they and the answer to ABOR are swallowed by the control channel.
    m_data.close();
    m_control.discardPendingReplies();
    m_control.sendCommand("ABOR", true);
    m_buffer.clear();
}

QString FtpClient::overLimitMessage() const
{
    return tr("Transfer stopped: more than %1 bytes").arg(m_transferLimit);
}

void FtpClient::clearPendingCommands()
{
    if (m_running)
        m_commands.erase(m_commands.begin() + 1, m_commands.end());
    else
        m_commands.clear();
}

int FtpClient::currentId() const
{
    return m_running ? m_commands.first().id : 0;
}

FtpClient::Command FtpClient::currentCommand() const
{
    return m_running ? m_commands.first().command : None;
}

bool FtpClient::hasPendingCommands() const
{
    return m_commands.size() > (m_running ? 1 : 0);
}

QByteArray FtpClient::readAll()
{
    return std::exchange(m_buffer, QByteArray());
}

void FtpClient::setTimeout(int ms)
{
    m_timeout = ms;
    m_control.setTimeout(ms);
    m_data.setTimeout(ms);
}

int FtpClient::addCommand(
    Command command, const QString &argument, const QString &secondArgument, quint16 port)
{
    m_commands.append({++m_lastId, command, argument, secondArgument, port});
    if (!m_running)
        scheduleNextCommand();
    return m_lastId;
}

void FtpClient::scheduleNextCommand()
{
    // Commands start from the event loop, so that a caller has its id
    // before any signal of the command arrives.
    QMetaObject::invokeMethod(this, &FtpClient::startNextCommand, Qt::QueuedConnection);
}

void FtpClient::startNextCommand()
{
    if (m_running || m_commands.isEmpty())
        return;
    m_running = true;
    m_step = Idle;
    const PendingCommand command = m_commands.first();
    emit commandStarted(command.id);
    if (!m_running || m_commands.first().id != command.id || m_step != Idle)
        return;

    const bool hasLineBreak = command.argument.contains(QLatin1Char('\r'))
        || command.argument.contains(QLatin1Char('\n'))
        || command.secondArgument.contains(QLatin1Char('\r'))
        || command.secondArgument.contains(QLatin1Char('\n'));
    if (hasLineBreak) {
        finishCommand(true, tr("Invalid argument"));
        return;
    }

    const bool connected = m_control.isOpen() && (m_state == Connected || m_state == LoggedIn);
    switch (command.command) {
    case ConnectToHost:
        if (m_control.isOpen()) {
            finishCommand(true, tr("Already connected"));
            return;
        }
        m_extendedPassiveRefused = false;
        m_step = Greeting;
        m_control.connectToHost(command.argument, command.port);
        return;
    case Close:
        if (!m_control.isOpen()) {
            finishCommand(false);
            return;
        }
        setState(Closing);
        send(Quit, QStringLiteral("QUIT"));
        return;
    case None:
        finishCommand(false);
        return;
    case Login:
    case Cd:
    case List:
    case Get:
        break;
    }

    if (!connected) {
        finishCommand(true, tr("Not connected"));
        return;
    }
    switch (command.command) {
    case Login:
        send(User, QStringLiteral("USER ") + command.argument);
        break;
    case Cd:
        send(ChangeDir,
            command.argument.isEmpty() ? QStringLiteral("CWD")
                                       : QStringLiteral("CWD ") + command.argument);
        break;
    default:
        startTransfer();
        break;
    }
}

void FtpClient::startTransfer()
{
    const bool isGet = m_commands.first().command == Get;
    m_transferReplied = false;
    m_dataFinished = false;
    m_bytesDone = 0;
    m_bytesTotal = -1;
    if (isGet)
        m_buffer.clear();
    else
        m_listParser = FtpListParser();
    send(Type, isGet ? QStringLiteral("TYPE I") : QStringLiteral("TYPE A"));
}

void FtpClient::send(Step step, const QString &line)
{
    m_step = step;
    m_control.sendCommand(line.toUtf8());
}

void FtpClient::requestPassive()
{
    if (m_extendedPassiveRefused)
        send(Passive, QStringLiteral("PASV"));
    else
        send(ExtendedPassive, QStringLiteral("EPSV"));
}

void FtpClient::handleReply(const FtpReply &reply)
{
    if (!m_running)
        return;
    if (reply.isPreliminary() && m_step != Transfer)
        return;
    const PendingCommand &command = m_commands.first();

    switch (m_step) {
    case Greeting:
        if (!reply.isPositiveCompletion()) {
            handleConnectionFailure(reply.text);
            return;
        }
        setState(Connected);
        finishCommand(false);
        return;
    case User:
        if (reply.isPositiveIntermediate() && reply.code == 331) {
            send(Password, QStringLiteral("PASS ") + command.secondArgument);
            return;
        }
        Q_FALLTHROUGH();
    case Password:
        if (!reply.isPositiveCompletion()) {
            finishCommand(true, reply.text);
            return;
        }
        setState(LoggedIn);
        finishCommand(false);
        return;
    case ChangeDir:
        finishCommand(!reply.isPositiveCompletion(), reply.text);
        return;
    case Type:
        if (!reply.isPositiveCompletion()) {
            finishCommand(true, reply.text);
        } else if (command.command == Get) {
            send(Size, QStringLiteral("SIZE ") + command.argument);
        } else {
            requestPassive();
        }
        return;
    case Size:
        // Not every server knows SIZE; the total is then unknown.
        if (reply.code == 213) {
            bool ok = false;
            const qint64 size = reply.text.trimmed().toLongLong(&ok);
            if (ok && size >= 0)
                m_bytesTotal = size;
        }
        if (m_transferLimit > 0 && m_bytesTotal > m_transferLimit) {
            finishCommand(true, overLimitMessage());
            return;
        }
        requestPassive();
        return;
    case ExtendedPassive:
    case Passive: {
        quint16 port = 0;
        QHostAddress ignored;
        const bool parsed = m_step == ExtendedPassive
            ? reply.code == 229 && FtpReplyParser::extendedPassivePort(reply.text, &port)
            : reply.code == 227 && FtpReplyParser::passiveEndpoint(reply.text, &ignored, &port);
        if (parsed) {
            // The data connection goes to the server of the control
            // connection, whatever address a PASV reply names.
            m_step = OpeningData;
            m_data.connectToHost(m_control.peerAddress(), port);
        } else if (m_step == ExtendedPassive && reply.code >= 500) {
            m_extendedPassiveRefused = true;
            requestPassive();
        } else {
            finishCommand(
                true, reply.isPositiveCompletion() ? tr("Invalid passive mode reply") : reply.text);
        }
        return;
    }
    case Transfer:
        handleTransferReply(reply);
        return;
    case Quit:
        m_control.close();
        setState(Unconnected);
        finishCommand(false);
        return;
    case Idle:
    case OpeningData:
    case Aborted:
        return;
    }
}

void FtpClient::handleTransferReply(const FtpReply &reply)
{
    if (reply.isPreliminary())
        return;
    if (!reply.isPositiveCompletion()) {
        m_data.close();
        finishCommand(true, reply.text);
        return;
    }
    m_transferReplied = true;
    if (m_dataFinished)
        finishCommand(false);
}

void FtpClient::handleSocketState(QAbstractSocket::SocketState socketState)
{
    if (m_step != Greeting)
        return;
    if (socketState == QAbstractSocket::HostLookupState)
        setState(HostLookup);
    else if (socketState == QAbstractSocket::ConnectingState)
        setState(Connecting);
}

void FtpClient::handleDataConnected()
{
    if (m_step != OpeningData)
        return;
    const PendingCommand &command = m_commands.first();
    if (command.command == Get)
        send(Transfer, QStringLiteral("RETR ") + command.argument);
    else if (command.argument.isEmpty())
        send(Transfer, QStringLiteral("LIST"));
    else
        send(Transfer, QStringLiteral("LIST ") + command.argument);
}

void FtpClient::handleData(const QByteArray &data)
{
    if (m_step != Transfer)
        return;
    m_control.keepAlive();
    m_bytesDone += data.size();
    if (m_transferLimit > 0 && m_bytesDone > m_transferLimit) {
        stopTransfer();
        finishCommand(true, overLimitMessage());
        return;
    }
    if (m_commands.first().command == Get) {
        m_buffer.append(data);
        emit readyRead();
        if (m_step == Transfer)
            emit dataTransferProgress(m_bytesDone, m_bytesTotal);
        return;
    }
    const QList<FtpUrlInfo> entries = m_listParser.addData(data);
    for (const FtpUrlInfo &entry : entries) {
        if (m_step != Transfer)
            return;
        emit listInfo(entry);
    }
}

void FtpClient::handleDataFinished()
{
    if (m_step != Transfer)
        return;
    if (m_commands.first().command == List) {
        const QList<FtpUrlInfo> entries = m_listParser.finish();
        for (const FtpUrlInfo &entry : entries) {
            if (m_step != Transfer)
                return;
            emit listInfo(entry);
        }
    }
    m_dataFinished = true;
    if (m_transferReplied)
        finishCommand(false);
}

void FtpClient::handleConnectionFailure(const QString &message)
{
    const bool quitting = m_running && m_step == Quit;
    m_data.close();
    m_control.close();
    if (quitting) {
        // A server may hang up on QUIT without saying goodbye.
        setState(Unconnected);
        finishCommand(false);
        return;
    }

    m_errorString = message;
    clearPendingCommands();
    const bool wasConnected = m_state != Unconnected;
    m_state = Unconnected;
    if (m_running)
        finishCommand(true, message);
    if (wasConnected && m_state == Unconnected)
        emit stateChanged(Unconnected);
}

void FtpClient::finishCommand(bool error, const QString &message, bool keepQueued)
{
    const int id = m_commands.takeFirst().id;
    if (error) {
        m_errorString = message;
        // Dropped before the signal, so that what its receiver queues runs.
        if (!keepQueued)
            m_commands.clear();
    }
    m_running = false;
    m_step = Idle;
    m_batchError = m_batchError || error;

    emit commandFinished(id, error);
    if (m_running)
        return;
    if (m_commands.isEmpty())
        emit done(std::exchange(m_batchError, false));
    else
        scheduleNextCommand();
}

void FtpClient::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}

bool FtpClient::runningTransfer() const
{
    if (!m_running || m_step == Aborted)
        return false;
    const Command command = m_commands.first().command;
    return command == Get || command == List;
}
