#ifndef FTPREPLYPARSER_H
#define FTPREPLYPARSER_H

#include <QByteArray>
#include <QHostAddress>
#include <QQueue>
#include <QString>
#include <QStringList>

// One complete reply of an FTP server, single- or multi-line.
struct FtpReply
{
    int code = 0;
    // The reply's lines without the code, joined by '\n'.
    QString text;

    bool isPreliminary() const { return code >= 100 && code < 200; }
    bool isPositiveCompletion() const { return code >= 200 && code < 300; }
    bool isPositiveIntermediate() const { return code >= 300 && code < 400; }
};

/*
 * Cuts the byte stream of an FTP control connection into replies. Anything
 * that is not a reply, or a line or reply of absurd length, puts the parser
 * into its error state, in which it takes no more data.
 */
class FtpReplyParser
{
public:
    static constexpr int MaxLineLength = 8192;
    static constexpr int MaxReplyLines = 1000;

    void addData(const QByteArray &data);
    bool hasReply() const { return !m_replies.isEmpty(); }
    FtpReply takeReply();
    bool hasError() const { return m_error; }
    void clear();

    // The port of a 229 reply: "... (|||6446|)".
    static bool extendedPassivePort(const QString &text, quint16 *port);
    // The address and port of a 227 reply: "... (h1,h2,h3,h4,p1,p2)".
    static bool passiveEndpoint(const QString &text, QHostAddress *address, quint16 *port);

private:
    void addLine(QByteArray line);
    void finishReply(int code);

    QByteArray m_buffer;
    QQueue<FtpReply> m_replies;
    QStringList m_lines;
    int m_openCode = 0; // code of the multi-line reply under way
    bool m_error = false;
};

#endif // FTPREPLYPARSER_H
