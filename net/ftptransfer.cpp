#include "net/ftptransfer.h"

#include "net/ftpreplyparser.h"

#include <QHostAddress>

#include <utility>

FtpTransfer::Action FtpTransfer::begin(Kind kind, const QString &path, qint64 limit)
{
    m_kind = kind;
    m_path = path;
    m_limit = limit;
    m_total = -1;
    m_done = 0;
    m_replied = false;
    m_dataFinished = false;
    if (kind == File)
        m_file.clear();
    else
        m_listParser = FtpListParser();
    return send(Type, kind == File ? QStringLiteral("TYPE I") : QStringLiteral("TYPE A"));
}

FtpTransfer::Action FtpTransfer::send(Step step, const QString &line)
{
    m_step = step;
    Action action;
    action.type = Action::Send;
    action.line = line;
    return action;
}

FtpTransfer::Action FtpTransfer::requestPassive()
{
    return m_extendedPassiveRefused ? send(Passive, QStringLiteral("PASV"))
                                    : send(ExtendedPassive, QStringLiteral("EPSV"));
}

FtpTransfer::Action FtpTransfer::handleReply(const FtpReply &reply)
{
    Action failure;
    failure.type = Action::Fail;
    failure.text = reply.text;
    if (reply.isPreliminary())
        return Action();

    switch (m_step) {
    case Type:
        if (!reply.isPositiveCompletion())
            return failure;
        return m_kind == File ? send(Size, QStringLiteral("SIZE ") + m_path) : requestPassive();
    case Size:
        // Not every server knows SIZE; the total is then unknown.
        if (reply.code == 213) {
            bool ok = false;
            const qint64 size = reply.text.trimmed().toLongLong(&ok);
            if (ok && size >= 0)
                m_total = size;
        }
        if (isOverLimit()) {
            m_step = Idle;
            Action action;
            action.type = Action::FailOverLimit;
            return action;
        }
        return requestPassive();
    case ExtendedPassive:
    case Passive:
        return handlePassiveReply(reply);
    case Receiving:
        if (!reply.isPositiveCompletion()) {
            m_step = Idle;
            return failure;
        }
        m_replied = true;
        return finishedIfComplete();
    case Idle:
    case OpeningData:
        return Action();
    }
    return Action();
}

FtpTransfer::Action FtpTransfer::handlePassiveReply(const FtpReply &reply)
{
    quint16 port = 0;
    QHostAddress ignored;
    const bool parsed =
        m_step == ExtendedPassive
            ? reply.code == 229 && FtpReplyParser::extendedPassivePort(reply.text, &port)
            : reply.code == 227 && FtpReplyParser::passiveEndpoint(reply.text, &ignored, &port);
    Action action;
    if (parsed) {
        // The data connection goes to the server of the control connection,
        // whatever address a PASV reply names.
        m_step = OpeningData;
        action.type = Action::OpenData;
        action.port = port;
    } else if (m_step == ExtendedPassive && reply.code >= 500) {
        m_extendedPassiveRefused = true;
        return requestPassive();
    } else if (reply.isPositiveCompletion()) {
        action.type = Action::FailPassiveReply;
    } else {
        action.type = Action::Fail;
        action.text = reply.text;
    }
    return action;
}

FtpTransfer::Action FtpTransfer::dataConnected()
{
    if (m_step != OpeningData)
        return Action();
    if (m_kind == File)
        return send(Receiving, QStringLiteral("RETR ") + m_path);
    return send(Receiving,
                m_path.isEmpty() ? QStringLiteral("LIST") : QStringLiteral("LIST ") + m_path);
}

FtpTransfer::Action FtpTransfer::addData(const QByteArray &bytes, QList<FtpUrlInfo> *entries)
{
    if (m_step != Receiving)
        return Action();
    m_done += bytes.size();
    if (isOverLimit()) {
        m_step = Idle;
        Action action;
        action.type = Action::FailOverLimit;
        return action;
    }
    if (m_kind == File)
        m_file.append(bytes);
    else
        *entries = m_listParser.addData(bytes);
    return Action();
}

FtpTransfer::Action FtpTransfer::dataFinished(QList<FtpUrlInfo> *entries)
{
    if (m_step != Receiving)
        return Action();
    if (m_kind == Listing)
        *entries = m_listParser.finish();
    m_dataFinished = true;
    return finishedIfComplete();
}

FtpTransfer::Action FtpTransfer::finishedIfComplete()
{
    Action action;
    if (m_replied && m_dataFinished) {
        m_step = Idle;
        action.type = Action::Succeed;
    }
    return action;
}

bool FtpTransfer::isOverLimit() const
{
    return m_limit > 0 && (m_total > m_limit || m_done > m_limit);
}

QByteArray FtpTransfer::takeFile()
{
    return std::exchange(m_file, QByteArray());
}
