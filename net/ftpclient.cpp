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

    connect(&m_control, &FtpControlChannel::socketStateChanged, this,
            &FtpClient::handleSocketState);
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
    m_transfer.discardFile();
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

void FtpClient::setTimeout(int ms)
{
    m_timeout = ms;
    m_control.setTimeout(ms);
    m_data.setTimeout(ms);
}

int FtpClient::addCommand(Command command, const QString &argument, const QString &secondArgument,
                          quint16 port)
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
        m_transfer.newSession();
        m_step = Session;
        m_session.begin(FtpSessionCommand::Greeting);
        m_control.connectToHost(command.argument, command.port);
        return;
    case Close:
        if (!m_control.isOpen()) {
            finishCommand(false);
            return;
        }
        setState(Closing);
        m_step = Session;
        conduct(m_session.begin(FtpSessionCommand::Quit));
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
        m_step = Session;
        conduct(
            m_session.begin(FtpSessionCommand::Login, command.argument, command.secondArgument));
        break;
    case Cd:
        m_step = Session;
        conduct(m_session.begin(FtpSessionCommand::ChangeDir, command.argument));
        break;
    default:
        m_step = Transfer;
        carryOut(m_transfer.begin(command.command == Get ? FtpTransfer::File : FtpTransfer::Listing,
                                  command.argument, m_transferLimit));
        break;
    }
}

void FtpClient::conduct(const FtpSessionCommand::Action &action)
{
    switch (action.type) {
    case FtpSessionCommand::Action::Wait:
        return;
    case FtpSessionCommand::Action::Send:
        m_control.sendCommand(action.line.toUtf8());
        return;
    case FtpSessionCommand::Action::Refused:
        handleConnectionFailure(action.text);
        return;
    case FtpSessionCommand::Action::Fail:
        finishCommand(true, action.text);
        return;
    case FtpSessionCommand::Action::Succeed:
        break;
    }
    switch (m_session.kind()) {
    case FtpSessionCommand::Greeting:
        setState(Connected);
        break;
    case FtpSessionCommand::Login:
        setState(LoggedIn);
        break;
    case FtpSessionCommand::ChangeDir:
        break;
    case FtpSessionCommand::Quit:
        m_control.close();
        setState(Unconnected);
        break;
    }
    finishCommand(false);
}

void FtpClient::carryOut(const FtpTransfer::Action &action)
{
    switch (action.type) {
    case FtpTransfer::Action::Wait:
        return;
    case FtpTransfer::Action::Send:
        m_control.sendCommand(action.line.toUtf8());
        return;
    case FtpTransfer::Action::OpenData:
        m_data.connectToHost(m_control.peerAddress(), action.port);
        return;
    case FtpTransfer::Action::Succeed:
        finishCommand(false);
        return;
    case FtpTransfer::Action::Fail:
        m_data.close();
        finishCommand(true, action.text);
        return;
    case FtpTransfer::Action::FailOverLimit:
        finishCommand(true, overLimitMessage());
        return;
    case FtpTransfer::Action::FailPassiveReply:
        finishCommand(true, tr("Invalid passive mode reply"));
        return;
    }
}

void FtpClient::handleReply(const FtpReply &reply)
{
    if (!m_running)
        return;
    if (m_step == Transfer)
        carryOut(m_transfer.handleReply(reply));
    else if (m_step == Session)
        conduct(m_session.handleReply(reply));
}

void FtpClient::handleSocketState(QAbstractSocket::SocketState socketState)
{
    if (m_step != Session || m_session.kind() != FtpSessionCommand::Greeting)
        return;
    if (socketState == QAbstractSocket::HostLookupState)
        setState(HostLookup);
    else if (socketState == QAbstractSocket::ConnectingState)
        setState(Connecting);
}

void FtpClient::handleDataConnected()
{
    if (m_step == Transfer)
        carryOut(m_transfer.dataConnected());
}

void FtpClient::handleData(const QByteArray &data)
{
    if (m_step != Transfer || !m_transfer.isReceiving())
        return;
    m_control.keepAlive();
    QList<FtpUrlInfo> entries;
    const FtpTransfer::Action action = m_transfer.addData(data, &entries);
    if (action.type == FtpTransfer::Action::FailOverLimit) {
        stopTransfer();
        carryOut(action);
        return;
    }
    if (m_transfer.kind() == FtpTransfer::File) {
        emit readyRead();
        if (m_step == Transfer)
            emit dataTransferProgress(m_transfer.done(), m_transfer.total());
        return;
    }
    emitEntries(entries);
}

void FtpClient::handleDataFinished()
{
    if (m_step != Transfer)
        return;
    QList<FtpUrlInfo> entries;
    const FtpTransfer::Action action = m_transfer.dataFinished(&entries);
    if (emitEntries(entries))
        carryOut(action);
}

bool FtpClient::emitEntries(const QList<FtpUrlInfo> &entries)
{
    // A receiver may abort the transfer, or close the session.
    for (const FtpUrlInfo &entry : entries) {
        if (m_step != Transfer)
            return false;
        emit listInfo(entry);
    }
    return m_step == Transfer;
}

void FtpClient::handleConnectionFailure(const QString &message)
{
    const bool quitting =
        m_running && m_step == Session && m_session.kind() == FtpSessionCommand::Quit;
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
