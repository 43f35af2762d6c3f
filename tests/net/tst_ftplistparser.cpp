#include "net/ftplistparser.h"

#include <QTest>

Q_DECLARE_METATYPE(FtpUrlInfo::Kind)

class TestFtpListParser : public QObject
{
    Q_OBJECT

private slots:
    void lines_data();
    void lines();
    void unixDetails();
    void yearOfRecentEntries();
    void streamOfChunks();
};

void TestFtpListParser::lines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("parsed");
    QTest::addColumn<QString>("name");
    QTest::addColumn<FtpUrlInfo::Kind>("kind");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QDateTime>("modified");

    const QDateTime noon(QDate(2024, 3, 15), QTime(12, 5));
    QTest::newRow("unix file") << QByteArray(
        "-rw-r--r--   1 root     root         1234 Mar 15 12:05 img1.jpg\r\n")
                               << true << "img1.jpg" << FtpUrlInfo::File << qint64(1234) << noon;
    QTest::newRow("unix name with spaces")
        << QByteArray("-rw-r--r--   1 root     root            3 Mar 15 12:05 img  1 .jpg") << true
        << "img  1 .jpg" << FtpUrlInfo::File << qint64(3) << noon;
    QTest::newRow("unix directory")
        << QByteArray("drwxr-xr-x   2 root     root         4096 Mar 15 12:05 sub") << true << "sub"
        << FtpUrlInfo::Dir << qint64(4096) << noon;
    QTest::newRow("unix link") << QByteArray(
        "lrwxrwxrwx   1 root     root            8 Mar 15 12:05 new.jpg -> img2.jpg")
                               << true << "new.jpg" << FtpUrlInfo::SymLink << qint64(8) << noon;
    // The minor device number stands where the size would.
    QTest::newRow("unix device") << QByteArray("crw-rw-rw-   1 root root 1, 3 Mar 15 12:05 null")
                                 << true << "null" << FtpUrlInfo::Other << qint64(3) << noon;
    QTest::newRow("unix pipe") << QByteArray("prw-r--r--   1 root root 0 Mar 15 12:05 fifo") << true
                               << "fifo" << FtpUrlInfo::Other << qint64(0) << noon;
    QTest::newRow("unix year, no group")
        << QByteArray("-rw-r--r-- 1 cam 77 Jan 5 2019 old.jpg") << true << "old.jpg"
        << FtpUrlInfo::File << qint64(77) << QDateTime(QDate(2019, 1, 5), QTime(0, 0));
    QTest::newRow("unix ACL mark, month as owner")
        << QByteArray("-rw-r--r--+  1 Mar      staff          10 Mar 15 12:05 x.png") << true
        << "x.png" << FtpUrlInfo::File << qint64(10) << noon;
    QTest::newRow("unix total") << QByteArray("total 12") << false << "" << FtpUrlInfo::Other
                                << qint64(0) << QDateTime();
    QTest::newRow("unix without name")
        << QByteArray("-rw-r--r--   1 root     root         1234 Mar 15 12:05 ") << false << ""
        << FtpUrlInfo::Other << qint64(0) << QDateTime();
    QTest::newRow("unix bad mode")
        << QByteArray("-rw-r--r-Q   1 root     root         1234 Mar 15 12:05 a") << false << ""
        << FtpUrlInfo::Other << qint64(0) << QDateTime();

    QTest::newRow("dos file") << QByteArray("03-15-24  12:05PM                 1234 img1.jpg\r\n")
                              << true << "img1.jpg" << FtpUrlInfo::File << qint64(1234) << noon;
    QTest::newRow("dos directory") << QByteArray("03-15-24  12:05PM       <DIR>          day one")
                                   << true << "day one" << FtpUrlInfo::Dir << qint64(0) << noon;
    QTest::newRow("dos morning, four-digit year")
        << QByteArray("03-15-2024  09:30AM    5 a.png") << true << "a.png" << FtpUrlInfo::File
        << qint64(5) << QDateTime(QDate(2024, 3, 15), QTime(9, 30));
    QTest::newRow("dos 24-hour, last century")
        << QByteArray("12-31-99  23:59    7 b.png") << true << "b.png" << FtpUrlInfo::File
        << qint64(7) << QDateTime(QDate(1999, 12, 31), QTime(23, 59));
    QTest::newRow("dos bad date") << QByteArray("13-45-24  12:05PM    5 a.png") << false << ""
                                  << FtpUrlInfo::Other << qint64(0) << QDateTime();
    QTest::newRow("dos bad size") << QByteArray("03-15-24  12:05PM    5k a.png") << false << ""
                                  << FtpUrlInfo::Other << qint64(0) << QDateTime();

    QTest::newRow("empty") << QByteArray() << false << "" << FtpUrlInfo::Other << qint64(0)
                           << QDateTime();
    QTest::newRow("garbage") << QByteArray("\x01\xff\xfe garbage line with words in it 1 2 3")
                             << false << "" << FtpUrlInfo::Other << qint64(0) << QDateTime();
}

void TestFtpListParser::lines()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, parsed);
    QFETCH(QString, name);
    QFETCH(FtpUrlInfo::Kind, kind);
    QFETCH(qint64, size);
    QFETCH(QDateTime, modified);

    const std::optional<FtpUrlInfo> info = FtpListParser::parseLine(line, QDate(2024, 6, 1));
    QCOMPARE(info.has_value(), parsed);
    if (!parsed)
        return;
    QCOMPARE(info->name(), name);
    QCOMPARE(info->kind(), kind);
    QCOMPARE(info->isFile(), kind == FtpUrlInfo::File);
    QCOMPARE(info->isDir(), kind == FtpUrlInfo::Dir);
    QCOMPARE(info->isSymLink(), kind == FtpUrlInfo::SymLink);
    QCOMPARE(info->size(), size);
    QCOMPARE(info->lastModified(), modified);
}

void TestFtpListParser::unixDetails()
{
    const auto info = FtpListParser::parseLine(
        "-rwxr-x---   1 camera   video        1234 Mar 15 12:05 a.jpg", QDate(2024, 6, 1));
    QVERIFY(info);
    QCOMPARE(info->owner(), QStringLiteral("camera"));
    QCOMPARE(info->group(), QStringLiteral("video"));
    QCOMPARE(info->permissions(),
        FtpUrlInfo::ReadOwner | FtpUrlInfo::WriteOwner | FtpUrlInfo::ExeOwner
            | FtpUrlInfo::ReadGroup | FtpUrlInfo::ExeGroup);

    const auto dos = FtpListParser::parseLine("03-15-24  12:05PM    5 a.png", QDate(2024, 6, 1));
    QVERIFY(dos);
    QCOMPARE(dos->permissions(), -1);
    QVERIFY(dos->owner().isEmpty());
}

void TestFtpListParser::yearOfRecentEntries()
{
    const QByteArray december("-rw-r--r-- 1 a b 1 Dec 31 23:00 x");
    const QByteArray january("-rw-r--r-- 1 a b 1 Jan 02 08:00 x");
    const QDate newYear(2025, 1, 1);
    QCOMPARE(
        FtpListParser::parseLine(december, newYear)->lastModified().date(), QDate(2024, 12, 31));
    // Tomorrow still counts as this year: the server's clock may be ahead.
    QCOMPARE(FtpListParser::parseLine(january, newYear)->lastModified().date(), QDate(2025, 1, 2));
}

void TestFtpListParser::streamOfChunks()
{
    const QByteArray listing("total 8\r\n"
                             "-rw-r--r--   1 root     root            3 Mar 15 12:05 a.jpg\r\n"
                             "drwxr-xr-x   2 root     root         4096 Mar 15 12:05 sub\r\n"
                             "this line is noise\n"
                             "03-15-24  12:05PM                 1234 b.jpg");
    for (const int chunk : {1, 7, int(listing.size())}) {
        FtpListParser parser(QDate(2024, 6, 1));
        QStringList names;
        for (int i = 0; i < listing.size(); i += chunk) {
            const QList<FtpUrlInfo> entries = parser.addData(listing.mid(i, chunk));
            for (const FtpUrlInfo &entry : entries)
                names.append(entry.name());
        }
        QCOMPARE(names, (QStringList {"a.jpg", "sub"}));
        const QList<FtpUrlInfo> last = parser.finish();
        QCOMPARE(last.size(), 1);
        QCOMPARE(last.first().name(), QStringLiteral("b.jpg"));
        QVERIFY(parser.finish().isEmpty());
    }

    // An endless line is dropped without holding on to it; the next line
    // parses again.
    FtpListParser parser(QDate(2024, 6, 1));
    const QByteArray junk(FtpListParser::MaxLineLength, 'x');
    QVERIFY(parser.addData(junk).isEmpty());
    QVERIFY(parser.addData(junk + "-rw-r--r-- 1 a b 1 Mar 15 12:05 y").isEmpty());
    const QList<FtpUrlInfo> entries = parser.addData("\n-rw-r--r-- 1 a b 1 Mar 15 12:05 z\n");
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries.first().name(), QStringLiteral("z"));
}

QTEST_APPLESS_MAIN(TestFtpListParser)
#include "tst_ftplistparser.moc"
