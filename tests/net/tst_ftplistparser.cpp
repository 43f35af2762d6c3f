#include "net/ftplistparser.h"

#include <QTest>

Q_DECLARE_METATYPE(FtpUrlInfo::Kind)

class TestFtpListParser : public QObject
{
    Q_OBJECT

private slots:
    void lines_data();
    void lines();
    void streamOfChunks();
};

void TestFtpListParser::lines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("name"); // empty when the line is no entry
    QTest::addColumn<FtpUrlInfo::Kind>("kind");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QDateTime>("modified");
    QTest::addColumn<QString>("details"); // owner, group and octal permissions of Unix entries

    const QDateTime noon(QDate(2024, 3, 15), QTime(12, 5));
    const auto noEntry = [](const char *name, const QByteArray &line) {
        QTest::newRow(name) << line << QString() << FtpUrlInfo::Other << qint64(0) << QDateTime()
                            << QString();
    };
    QTest::newRow("unix file") << QByteArray(
        "-rw-r--r--   1 root  root  1234 Mar 15 12:05 a.jpg\r\n")
                               << "a.jpg" << FtpUrlInfo::File << qint64(1234) << noon
                               << "root root 644";
    QTest::newRow("unix spaces in name")
        << QByteArray("-rw-r--r--   1 root     root            3 Mar 15 12:05 img  1 .jpg")
        << "img  1 .jpg" << FtpUrlInfo::File << qint64(3) << noon << "root root 644";
    QTest::newRow("unix directory")
        << QByteArray("drwxr-xr-x 2 root root 4096 Mar 15 12:05 sub") << "sub" << FtpUrlInfo::Dir
        << qint64(4096) << noon << "root root 755";
    QTest::newRow("unix link") << QByteArray(
        "lrwxrwxrwx   1 root     root            8 Mar 15 12:05 new.jpg -> a.jpg")
                               << "new.jpg" << FtpUrlInfo::SymLink << qint64(8) << noon
                               << "root root 777";
    QTest::newRow("unix year, no group")
        << QByteArray("-rw-r--r-- 1 cam 77 Jan 5 2019 old.jpg") << "old.jpg" << FtpUrlInfo::File
        << qint64(77) << QDateTime(QDate(2019, 1, 5), QTime(0, 0)) << "cam  644";
    QTest::newRow("unix size alone, day 1")
        << QByteArray("-rw-r--r-- 5 Mar 1 9:05 x") << "x" << FtpUrlInfo::File << qint64(5)
        << QDateTime(QDate(2024, 3, 1), QTime(9, 5)) << "  644";
    QTest::newRow("unix set-id and sticky bits")
        << QByteArray("-rwsr-S--T 1 cam video 3 Mar 15 12:05 s") << "s" << FtpUrlInfo::File
        << qint64(3) << noon << "cam video 740";
    // Times stand for this year's dates up to tomorrow (the server's clock
    // may be ahead), later ones for last year's.
    QTest::newRow("unix time, tomorrow")
        << QByteArray("-rw-r--r-- 1 a b 1 Jun 02 08:00 x") << "x" << FtpUrlInfo::File << qint64(1)
        << QDateTime(QDate(2024, 6, 2), QTime(8, 0)) << QString();
    QTest::newRow("unix time, last year")
        << QByteArray("-rw-r--r-- 1 a b 1 Dec 31 23:00 x") << "x" << FtpUrlInfo::File << qint64(1)
        << QDateTime(QDate(2023, 12, 31), QTime(23, 0)) << QString();
    noEntry("unix total", "total 12");
    noEntry("unix unknown type", "xrw-r--r-- 1 a b 5 Mar 15 12:05 x");
    noEntry("unix day 32", "-rw-r--r-- 1 a b 5 Mar 32 12:05 x");
    noEntry("unix year of two digits", "-rw-r--r-- 1 a b 5 Jan 5 19 x");
    noEntry("unix time without colon", "-rw-r--r-- 1 a b 5 Mar 15 12.05 x");
    noEntry("unix hour no number", "-rw-r--r-- 1 a b 5 Mar 15 1a:05 x");
    noEntry("unix no name", "-rw-r--r-- 1 a b 5 Mar 15 12:05 ");

    QTest::newRow("dos file") << QByteArray("03-15-24  12:05PM                 1234 img1.jpg\r\n")
                              << "img1.jpg" << FtpUrlInfo::File << qint64(1234) << noon
                              << QString();
    QTest::newRow("dos directory")
        << QByteArray("03-15-24  12:05PM       <DIR>          day one") << "day one"
        << FtpUrlInfo::Dir << qint64(0) << noon << QString();
    QTest::newRow("dos 24-hour, last century")
        << QByteArray("12-31-99  23:59    7 b.png") << "b.png" << FtpUrlInfo::File << qint64(7)
        << QDateTime(QDate(1999, 12, 31), QTime(23, 59)) << QString();
    noEntry("dos bad date", "13-45-24  12:05PM    5 a.png");
    noEntry("dos sign in date", "03-+5-24  12:05PM    5 a.png");
    noEntry("garbage", "\x01\xff\xfe words 1 2 3 Mar 15 12:05 x");
    noEntry("NUL in name", QByteArray("03-15-24  12:05PM  <DIR>  \0x", 28));
}

void TestFtpListParser::lines()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, name);
    QFETCH(FtpUrlInfo::Kind, kind);
    QFETCH(qint64, size);
    QFETCH(QDateTime, modified);
    QFETCH(QString, details);

    const std::optional<FtpUrlInfo> info = FtpListParser::parseLine(line, QDate(2024, 6, 1));
    QCOMPARE(info.has_value(), !name.isEmpty());
    if (!info)
        return;
    QCOMPARE(info->name(), name);
    QCOMPARE(info->kind(), kind);
    QCOMPARE(info->isFile(), kind == FtpUrlInfo::File);
    QCOMPARE(info->size(), size);
    QCOMPARE(info->lastModified(), modified);
    if (!details.isNull())
        QCOMPARE(QStringLiteral("%1 %2 %3")
                     .arg(info->owner(), info->group())
                     .arg(info->permissions(), 0, 8),
                 details);
}

void TestFtpListParser::streamOfChunks()
{
    const QByteArray listing("total 8\r\n"
                             "-rw-r--r--   1 root     root            3 Mar 15 12:05 a.jpg\r\n"
                             "this line is noise\n"
                             "03-15-24  12:05PM                 1234 b.jpg");
    for (const int chunk : {1, 7, int(listing.size())}) {
        FtpListParser parser(QDate(2024, 6, 1));
        QStringList names;
        for (int i = 0; i < listing.size(); i += chunk) {
            for (const FtpUrlInfo &entry : parser.addData(listing.mid(i, chunk)))
                names.append(entry.name());
        }
        QCOMPARE(names, QStringList {"a.jpg"});
        QCOMPARE(parser.finish().value(0).name(), QStringLiteral("b.jpg"));
        QVERIFY(parser.finish().isEmpty());
    }

    // An endless line is dropped without being kept; the next line counts.
    FtpListParser parser(QDate(2024, 6, 1));
    const QByteArray junk(FtpListParser::MaxLineLength, 'x');
    QVERIFY(parser.addData(junk).isEmpty());
    QVERIFY(parser.addData(junk + "-rw-r--r-- 1 a b 1 Mar 15 12:05 y").isEmpty());
    QCOMPARE(parser.addData("\n-rw-r--r-- 1 a b 1 Mar 15 12:05 z\n").value(0).name(),
             QStringLiteral("z"));

    // So is one that comes in a single read; one of the longest length
    // counts, in pieces or not.
    const QByteArray entry = "-rw-r--r-- 1 a b 1 Mar 15 12:05 ";
    const QByteArray longName(FtpListParser::MaxLineLength - entry.size(), 'n');
    QVERIFY(parser.addData(entry + longName + "n\n").isEmpty());
    QVERIFY(parser.addData(entry + longName).isEmpty());
    QCOMPARE(parser.addData("\n" + entry + longName + '\n').size(), 2);
}

QTEST_APPLESS_MAIN(TestFtpListParser)
#include "tst_ftplistparser.moc"
