#include "ftplistparser.h"

#include <QTime>
#include <QVector>

namespace {

struct Token
{
    int start;
    int end;
};

// The words of a line, at most `limit` of them when it is not negative.
QVector<Token> tokenize(const QByteArray &line, int limit = -1)
{
    QVector<Token> tokens;
    int i = 0;
    const int n = line.size();
    while (i < n && tokens.size() != limit) {
        while (i < n && (line.at(i) == ' ' || line.at(i) == '\t'))
            ++i;
        if (i == n)
            break;
        const int start = i;
        while (i < n && line.at(i) != ' ' && line.at(i) != '\t')
            ++i;
        tokens.append({start, i});
    }
    return tokens;
}

QByteArray tokenText(const QByteArray &line, const Token &token)
{
    return line.mid(token.start, token.end - token.start);
}

bool isDigits(const QByteArray &text)
{
    if (text.isEmpty())
        return false;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

// 1..12 for an English month abbreviation, 0 otherwise.
int monthNumber(const QByteArray &text)
{
    static const char *const months[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                         "jul", "aug", "sep", "oct", "nov", "dec"};
    if (text.size() != 3)
        return 0;
    const QByteArray lower = text.toLower();
    for (int i = 0; i < 12; ++i) {
        if (lower == months[i])
            return i + 1;
    }
    return 0;
}

// "H:mm" or "HH:mm"; an invalid time otherwise. Cheap, since a hostile line
// offers a candidate at every other word.
QTime clockTime(const QByteArray &text)
{
    const int colon = text.size() - 3;
    if ((colon != 1 && colon != 2) || text.at(colon) != ':')
        return QTime();
    const QByteArray hours = text.left(colon);
    const QByteArray minutes = text.mid(colon + 1);
    if (!isDigits(hours) || !isDigits(minutes))
        return QTime();
    return QTime(hours.toInt(), minutes.toInt());
}

int permissionBits(const QByteArray &mode)
{
    static const int bits[9] = {
        FtpUrlInfo::ReadOwner, FtpUrlInfo::WriteOwner, FtpUrlInfo::ExeOwner,
        FtpUrlInfo::ReadGroup, FtpUrlInfo::WriteGroup, FtpUrlInfo::ExeGroup,
        FtpUrlInfo::ReadOther, FtpUrlInfo::WriteOther, FtpUrlInfo::ExeOther};
    int result = 0;
    for (int i = 0; i < 9; ++i) {
        const char c = mode.at(i + 1);
        if (c != '-' && c != 'S' && c != 'T')
            result |= bits[i];
    }
    return result;
}

bool isUnixMode(const QByteArray &mode)
{
    if (mode.size() < 10 || !QByteArray("-dlbcpsD").contains(mode.at(0)))
        return false;
    for (int i = 1; i < 10; ++i) {
        if (!QByteArray("-rwxsStTlL").contains(mode.at(i)))
            return false;
    }
    return true;
}

FtpUrlInfo::Kind unixKind(char type)
{
    switch (type) {
    case '-':
        return FtpUrlInfo::File;
    case 'd':
        return FtpUrlInfo::Dir;
    case 'l':
        return FtpUrlInfo::SymLink;
    default:
        return FtpUrlInfo::Other;
    }
}

QByteArray stripLineEnd(QByteArray line)
{
    while (line.endsWith('\r') || line.endsWith('\n'))
        line.chop(1);
    return line;
}

} // namespace

FtpListParser::FtpListParser(const QDate &today)
    : m_today(today)
{ }

QList<FtpUrlInfo> FtpListParser::addData(const QByteArray &data)
{
    QList<FtpUrlInfo> entries;
    int start = 0;
    for (;;) {
        const int end = data.indexOf('\n', start);
        if (end < 0)
            break;
        if (!m_skipping) {
            m_buffer.append(data.mid(start, end - start));
            // An overlong line is skipped whether it came in one read or in
            // several.
            if (m_buffer.size() <= MaxLineLength) {
                if (auto entry = parseLine(m_buffer, m_today))
                    entries.append(*entry);
            }
        }
        m_buffer.clear();
        m_skipping = false;
        start = end + 1;
    }
    if (!m_skipping)
        m_buffer.append(data.mid(start));
    if (m_buffer.size() > MaxLineLength) {
        m_buffer.clear();
        m_skipping = true;
    }
    return entries;
}

QList<FtpUrlInfo> FtpListParser::finish()
{
    QList<FtpUrlInfo> entries;
    if (!m_skipping && !m_buffer.isEmpty()) {
        if (auto entry = parseLine(m_buffer, m_today))
            entries.append(*entry);
    }
    m_buffer.clear();
    m_skipping = false;
    return entries;
}

std::optional<FtpUrlInfo> FtpListParser::parseLine(const QByteArray &line, const QDate &today)
{
    const QByteArray text = stripLineEnd(line);
    // No file name holds a NUL, and text conversion would cut the name there.
    if (text.contains('\0'))
        return std::nullopt;
    if (auto entry = parseUnixLine(text, today))
        return entry;
    return parseDosLine(text);
}

// "-rw-r--r--   1 owner    group        1234 Mar 15 10:20 name"; the group,
// the link count or both are missing on some servers, so the columns are
// found from the date backwards.
std::optional<FtpUrlInfo> FtpListParser::parseUnixLine(const QByteArray &line, const QDate &today)
{
    // Most lines that are no Unix entry show it in their first word.
    const QVector<Token> first = tokenize(line, 1);
    if (first.isEmpty() || !isUnixMode(tokenText(line, first.at(0))))
        return std::nullopt;
    const QVector<Token> tokens = tokenize(line);
    if (tokens.size() < 6)
        return std::nullopt;
    const QByteArray mode = tokenText(line, tokens.at(0));

    for (int m = 2; m + 3 < tokens.size(); ++m) {
        const int month = monthNumber(tokenText(line, tokens.at(m)));
        const QByteArray sizeText = tokenText(line, tokens.at(m - 1));
        const QByteArray dayText = tokenText(line, tokens.at(m + 1));
        const QByteArray timeOrYear = tokenText(line, tokens.at(m + 2));
        if (!month || !isDigits(sizeText) || !isDigits(dayText) || dayText.size() > 2)
            continue;
        const int day = dayText.toInt();
        if (day < 1 || day > 31)
            continue;

        QDate date;
        QTime time(0, 0);
        if (timeOrYear.size() == 4 && isDigits(timeOrYear)) {
            date = QDate(timeOrYear.toInt(), month, day);
        } else {
            time = clockTime(timeOrYear);
            if (!time.isValid())
                continue;
            // Listings show the time for recent entries, so the year is the
            // latest one that does not put the entry in the future.
            date = QDate(today.year(), month, day);
            if (date.isValid() && date > today.addDays(1))
                date = date.addYears(-1);
        }

        bool sizeOk = false;
        const qint64 size = sizeText.toLongLong(&sizeOk);
        if (!sizeOk)
            return std::nullopt;

        QByteArray name = line.mid(tokens.at(m + 3).start);
        const FtpUrlInfo::Kind kind = unixKind(mode.at(0));
        if (kind == FtpUrlInfo::SymLink) {
            const int arrow = name.indexOf(" -> ");
            if (arrow > 0)
                name.truncate(arrow);
        }
        if (name.isEmpty())
            return std::nullopt;

        FtpUrlInfo info;
        info.setName(QString::fromUtf8(name));
        info.setKind(kind);
        info.setSize(size);
        info.setLastModified(QDateTime(date, time));
        info.setPermissions(permissionBits(mode));
        if (m >= 4)
            info.setOwner(QString::fromUtf8(tokenText(line, tokens.at(2))));
        if (m >= 5)
            info.setGroup(QString::fromUtf8(tokenText(line, tokens.at(m - 2))));
        return info;
    }
    return std::nullopt;
}

// "03-15-24  10:20AM       <DIR>          name" or with a size in place of
// <DIR>; four-digit years and 24-hour times occur as well.
std::optional<FtpUrlInfo> FtpListParser::parseDosLine(const QByteArray &line)
{
    // The name is the rest of the line after the size.
    const QVector<Token> tokens = tokenize(line, 4);
    if (tokens.size() < 4)
        return std::nullopt;

    const QList<QByteArray> dateParts = tokenText(line, tokens.at(0)).replace('/', '-').split('-');
    if (dateParts.size() != 3 || !isDigits(dateParts.at(0)) || !isDigits(dateParts.at(1))
        || !isDigits(dateParts.at(2)))
        return std::nullopt;
    int year = dateParts.at(2).toInt();
    if (dateParts.at(2).size() == 2)
        year += year < 70 ? 2000 : 1900;
    else if (dateParts.at(2).size() != 4)
        return std::nullopt;
    const QDate date(year, dateParts.at(0).toInt(), dateParts.at(1).toInt());
    if (!date.isValid())
        return std::nullopt;

    const QString timeText = QString::fromLatin1(tokenText(line, tokens.at(1))).toUpper();
    QTime time = QTime::fromString(timeText, QStringLiteral("h:mmAP"));
    if (!time.isValid())
        time = QTime::fromString(timeText, QStringLiteral("H:mm"));
    if (!time.isValid())
        return std::nullopt;

    const QByteArray sizeText = tokenText(line, tokens.at(2));
    FtpUrlInfo info;
    if (sizeText.toUpper() == "<DIR>") {
        info.setKind(FtpUrlInfo::Dir);
    } else if (isDigits(sizeText)) {
        bool ok = false;
        info.setSize(sizeText.toLongLong(&ok));
        if (!ok)
            return std::nullopt;
        info.setKind(FtpUrlInfo::File);
    } else {
        return std::nullopt;
    }
    info.setName(QString::fromUtf8(line.mid(tokens.at(3).start)));
    info.setLastModified(QDateTime(date, time));
    return info;
}
