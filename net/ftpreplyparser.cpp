#include "ftpreplyparser.h"

#include <QRegularExpression>

namespace {

// A reply code: first digit 1-5, second 0-5, third any digit.
int replyCode(const QByteArray &line)
{
    if (line.size() < 3)
        return 0;
    const char a = line.at(0), b = line.at(1), c = line.at(2);
    if (a < '1' || a > '5' || b < '0' || b > '5' || c < '0' || c > '9')
        return 0;
    return (a - '0') * 100 + (b - '0') * 10 + (c - '0');
}

QString lineText(const QByteArray &line, int from)
{
    return QString::fromUtf8(line.mid(from));
}

} // namespace

void FtpReplyParser::addData(const QByteArray &data)
{
    if (m_error)
        return;
    m_buffer.append(data);
    int start = 0;
    for (;;) {
        const int end = m_buffer.indexOf('\n', start);
        if (end < 0)
            break;
        addLine(m_buffer.mid(start, end - start));
        start = end + 1;
        if (m_error)
            return;
    }
    m_buffer.remove(0, start);
    // The CR of a line end whose LF is still to come is not part of the line.
    if (m_buffer.size() - (m_buffer.endsWith('\r') ? 1 : 0) > MaxLineLength) {
        m_error = true;
        m_buffer.clear();
    }
}

FtpReply FtpReplyParser::takeReply()
{
    return m_replies.isEmpty() ? FtpReply() : m_replies.dequeue();
}

void FtpReplyParser::clear()
{
    m_buffer.clear();
    m_replies.clear();
    m_lines.clear();
    m_openCode = 0;
    m_error = false;
}

void FtpReplyParser::addLine(QByteArray line)
{
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.size() > MaxLineLength) {
        m_error = true;
        return;
    }
    const int code = replyCode(line);
    const char separator = line.size() > 3 ? line.at(3) : ' ';

    if (m_openCode) {
        // Inside a multi-line reply only "code " (or the bare code) ends it;
        // every other line is text.
        if (code == m_openCode && separator == ' ') {
            m_lines.append(lineText(line, 4));
            finishReply(code);
        } else {
            m_lines.append(lineText(line, 0));
            if (m_lines.size() > MaxReplyLines)
                m_error = true;
        }
        return;
    }

    if (!code || (separator != ' ' && separator != '-')) {
        m_error = true;
        return;
    }
    m_lines.append(lineText(line, 4));
    if (separator == '-')
        m_openCode = code;
    else
        finishReply(code);
}

void FtpReplyParser::finishReply(int code)
{
    FtpReply reply;
    reply.code = code;
    reply.text = m_lines.join(QLatin1Char('\n'));
    m_replies.enqueue(reply);
    m_lines.clear();
    m_openCode = 0;
}

bool FtpReplyParser::extendedPassivePort(const QString &text, quint16 *port)
{
    // The delimiter is any printable character, repeated as in (|||port|).
    static const QRegularExpression pattern(QStringLiteral("\\(([!-~])\\1\\1(\\d{1,5})\\1\\)"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return false;
    const uint value = match.captured(2).toUInt();
    if (value == 0 || value > 65535)
        return false;
    *port = quint16(value);
    return true;
}

bool FtpReplyParser::passiveEndpoint(const QString &text, QHostAddress *address, quint16 *port)
{
    static const QRegularExpression pattern(
        QStringLiteral("(\\d{1,3}),(\\d{1,3}),(\\d{1,3}),(\\d{1,3}),(\\d{1,3}),(\\d{1,3})"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return false;
    uint values[6];
    for (int i = 0; i < 6; ++i) {
        values[i] = match.captured(i + 1).toUInt();
        if (values[i] > 255)
            return false;
    }
    const quint16 value = quint16(values[4] << 8 | values[5]);
    if (value == 0)
        return false;
    *address = QHostAddress((values[0] << 24) | (values[1] << 16) | (values[2] << 8) | values[3]);
    *port = value;
    return true;
}
