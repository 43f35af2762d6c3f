#include "ftpsessioncommand.h"

#include "net/ftpreplyparser.h"

FtpSessionCommand::Action FtpSessionCommand::begin(Kind kind, const QString &user,
                                                   const QString &password)
{
    m_kind = kind;
    m_password.clear();
    m_passwordSent = false;
    switch (kind) {
    case Greeting:
        return Action();
    case Login:
        m_password = password;
        return send(QStringLiteral("USER ") + user);
    case ChangeDir:
        return send(user.isEmpty() ? QStringLiteral("CWD") : QStringLiteral("CWD ") + user);
    case Quit:
        return send(QStringLiteral("QUIT"));
    }
    return Action();
}

FtpSessionCommand::Action FtpSessionCommand::handleReply(const FtpReply &reply)
{
    if (reply.isPreliminary())
        return Action();
    Action action;
    action.text = reply.text;
    switch (m_kind) {
    case Greeting:
        action.type = reply.isPositiveCompletion() ? Action::Succeed : Action::Refused;
        return action;
    case Login:
        if (!m_passwordSent && reply.isPositiveIntermediate() && reply.code == 331) {
            m_passwordSent = true;
            return send(QStringLiteral("PASS ") + m_password);
        }
        Q_FALLTHROUGH();
    case ChangeDir:
        action.type = reply.isPositiveCompletion() ? Action::Succeed : Action::Fail;
        return action;
    case Quit:
        // Whatever the server says, the session ends.
        action.type = Action::Succeed;
        return action;
    }
    return action;
}

FtpSessionCommand::Action FtpSessionCommand::send(const QString &line)
{
    Action action;
    action.type = Action::Send;
    action.line = line;
    return action;
}
