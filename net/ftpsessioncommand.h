#ifndef FTPSESSIONCOMMAND_H
#define FTPSESSIONCOMMAND_H

#include <QString>

struct FtpReply;

/*
 * One command of an FTP session besides transfers, as a client conducts it
 * without sockets: awaiting the server's greeting after connecting, logging
 * in (USER, and PASS when the server asks for it), changing directory, and
 * QUIT. Replies go in; what to send and how the command ended come out.
 * Preliminary replies are passed over.
 */
class FtpSessionCommand
{
public:
    enum Kind { Greeting, Login, ChangeDir, Quit };

    struct Action
    {
        enum Type {
            Wait,
            Send, // `line` on the control connection
            Succeed,
            Fail, // the server's `text`; the session goes on
            Refused, // a greeting that is no welcome: the session is over, with `text`
        };
        Type type = Wait;
        QString line;
        QString text;
    };

    // Starts `kind`: a login of `user` with `password`, a change to the
    // directory `path` (empty: the server's own CWD without argument).
    Action begin(Kind kind, const QString &user = QString(), const QString &password = QString());
    Kind kind() const { return m_kind; }
    Action handleReply(const FtpReply &reply);

private:
    static Action send(const QString &line);

    Kind m_kind = Greeting;
    QString m_password;
    bool m_passwordSent = false;
};

#endif // FTPSESSIONCOMMAND_H
