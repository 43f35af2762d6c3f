#ifndef FTPTRANSFER_H
#define FTPTRANSFER_H

#include "net/ftplistparser.h"
#include "net/ftpurlinfo.h"

#include <QByteArray>
#include <QList>
#include <QString>

struct FtpReply;

/*
 * One transfer of a file or a listing, as an FTP client conducts it, without
 * sockets: binary or ASCII type, for a file its size (to refuse one over the
 * limit before it comes), passive mode (EPSV, and PASV from then on in the
 * session once a server refuses EPSV), the data connection, RETR or LIST.
 * Replies and data go in; what to send, where to connect and how the
 * transfer ended come out. It counts the bytes against the limit, keeps a
 * file's bytes until they are taken, and parses a listing as it comes.
 *
 * A transfer is complete once the data connection has finished and the
 * server's final reply was positive, in either order.
 */
class FtpTransfer
{
public:
    enum Kind { File, Listing };

    struct Action
    {
        enum Type {
            Wait,
            Send, // `line` on the control connection
            OpenData, // the data connection, to `port` of the control connection's peer
            Succeed,
            Fail, // the server's `text`
            FailOverLimit,
            FailPassiveReply, // a positive reply to EPSV or PASV without a port
        };
        Type type = Wait;
        QString line;
        quint16 port = 0;
        QString text;
    };

    // A new session: EPSV is worth trying again.
    void newSession() { m_extendedPassiveRefused = false; }

    // A new transfer of `path` (a listing: empty for the current directory)
    // of at most `limit` bytes (not positive: no limit). A new file takes
    // the place of the bytes of the last one.
    Action begin(Kind kind, const QString &path, qint64 limit);
    Kind kind() const { return m_kind; }
    // Whether data is awaited: RETR or LIST has gone out.
    bool isReceiving() const { return m_step == Receiving; }

    Action handleReply(const FtpReply &reply);
    Action dataConnected();
    // Takes bytes of the data connection: nothing (Wait) while within the
    // limit, with a listing's entries completed by them in `entries`.
    Action addData(const QByteArray &bytes, QList<FtpUrlInfo> *entries);
    // The data connection has finished: a listing's last entry without a
    // line end, if any, goes to `entries`.
    Action dataFinished(QList<FtpUrlInfo> *entries);

    qint64 total() const { return m_total; } // -1: unknown
    qint64 done() const { return m_done; }

    qint64 fileBytes() const { return m_file.size(); }
    QByteArray takeFile();
    // A file stopped part-way is no file.
    void discardFile() { m_file.clear(); }

private:
    enum Step { Idle, Type, Size, ExtendedPassive, Passive, OpeningData, Receiving };

    Action send(Step step, const QString &line);
    Action requestPassive();
    Action handlePassiveReply(const FtpReply &reply);
    bool isOverLimit() const;
    Action finishedIfComplete();

    Kind m_kind = File;
    Step m_step = Idle;
    QString m_path;
    qint64 m_limit = 0;
    qint64 m_total = -1;
    qint64 m_done = 0;
    bool m_replied = false;
    bool m_dataFinished = false;
    bool m_extendedPassiveRefused = false;
    QByteArray m_file;
    FtpListParser m_listParser;
};

#endif // FTPTRANSFER_H
