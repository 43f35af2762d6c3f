#ifndef FTPLISTPARSER_H
#define FTPLISTPARSER_H

#include "net/ftpurlinfo.h"

#include <QByteArray>
#include <QDate>
#include <QList>

#include <optional>

/*
 * Turns the data of an FTP LIST transfer into entries. Servers answer LIST
 * with whatever their system lists, so this understands the two layouts met
 * in practice: Unix "ls -l" lines and the DOS/IIS style. Lines of neither
 * kind (totals, notes, garbage) are skipped.
 */
class FtpListParser
{
public:
    static constexpr int MaxLineLength = 65536;

    // `today` decides the year of Unix entries that show a time instead.
    explicit FtpListParser(const QDate &today = QDate::currentDate());

    // Entries of the lines completed by `data`.
    QList<FtpUrlInfo> addData(const QByteArray &data);
    // The entry of a last line that came without a line end.
    QList<FtpUrlInfo> finish();

    static std::optional<FtpUrlInfo> parseLine(const QByteArray &line, const QDate &today);
    static std::optional<FtpUrlInfo> parseUnixLine(const QByteArray &line, const QDate &today);
    static std::optional<FtpUrlInfo> parseDosLine(const QByteArray &line);

private:
    QDate m_today;
    QByteArray m_buffer;
    bool m_skipping = false; // inside an overlong line
};

#endif // FTPLISTPARSER_H
