#include "net/ftpreplyparser.h"

#include <QTest>

class TestFtpReplyParser : public QObject
{
    Q_OBJECT

private slots:
    void replies_data();
    void replies();
    void garbage_data();
    void garbage();
    void passivePorts_data();
    void passivePorts();
};

void TestFtpReplyParser::replies_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QList<int>>("codes");
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("single lines, CR LF and bare LF")
        << QByteArray("220 pyftpdlib 1.5.7 ready.\r\n331 Username ok.\n") << QList<int> {220, 331}
        << QStringList {"pyftpdlib 1.5.7 ready.", "Username ok."};
    QTest::newRow("bare code") << QByteArray("200\r\n") << QList<int> {200} << QStringList {""};
    QTest::newRow("multi-line with lookalike lines")
        << QByteArray("211-Features:\r\n EPSV\r\n211-not the end\r\n230 other code\r\n211 End\r\n")
        << QList<int> {211}
        << QStringList {"Features:\n EPSV\n211-not the end\n230 other code\nEnd"};
    QTest::newRow("multi-line then single")
        << QByteArray("150-a\r\n150 b\r\n226 done\r\n") << QList<int> {150, 226}
        << QStringList {"a\nb", "done"};
    QTest::newRow("incomplete line waits")
        << QByteArray("220 hel") << QList<int> {} << QStringList {};
    QTest::newRow("UTF-8 text") << QByteArray("250 \"/\xc3\xa4\" is current\r\n")
                                << QList<int> {250}
                                << QStringList {QString::fromUtf8("\"/\xc3\xa4\" is current")};
}

void TestFtpReplyParser::replies()
{
    QFETCH(QByteArray, stream);
    QFETCH(QList<int>, codes);
    QFETCH(QStringList, texts);

    // Whole and one byte at a time must give the same.
    for (const bool byByte : {false, true}) {
        FtpReplyParser parser;
        if (byByte) {
            for (const char c : stream)
                parser.addData(QByteArray(1, c));
        } else {
            parser.addData(stream);
        }
        QVERIFY(!parser.hasError());
        QList<int> gotCodes;
        QStringList gotTexts;
        while (parser.hasReply()) {
            const FtpReply reply = parser.takeReply();
            gotCodes.append(reply.code);
            gotTexts.append(reply.text);
        }
        QCOMPARE(gotCodes, codes);
        QCOMPARE(gotTexts, texts);
    }
}

void TestFtpReplyParser::garbage_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<int>("repliesBefore");

    QTest::newRow("text") << QByteArray("HTTP/1.1 400 Bad Request\r\n") << 0;
    QTest::newRow("bad code digits") << QByteArray("699 nope\r\n") << 0;
    QTest::newRow("no separator") << QByteArray("220ready\r\n") << 0;
    QTest::newRow("after a good reply") << QByteArray("220 ok\r\n\r\n") << 1;
    QTest::newRow("endless line") << QByteArray(FtpReplyParser::MaxLineLength + 1, 'x') << 0;
    QByteArray manyLines("211-start\r\n");
    for (int i = 0; i <= FtpReplyParser::MaxReplyLines; ++i)
        manyLines += "line\r\n";
    QTest::newRow("endless multi-line reply") << manyLines << 0;
}

void TestFtpReplyParser::garbage()
{
    QFETCH(QByteArray, stream);
    QFETCH(int, repliesBefore);

    FtpReplyParser parser;
    parser.addData(stream);
    QVERIFY(parser.hasError());
    int count = 0;
    while (parser.hasReply()) {
        parser.takeReply();
        ++count;
    }
    QCOMPARE(count, repliesBefore);
    parser.addData("200 ok\r\n");
    QVERIFY(!parser.hasReply());

    parser.clear();
    parser.addData("200 ok\r\n");
    QVERIFY(!parser.hasError());
    QCOMPARE(parser.takeReply().code, 200);
}

void TestFtpReplyParser::passivePorts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("extended");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("port");

    QTest::newRow("EPSV") << "Entering extended passive mode (|||44769|)." << true << true << ""
                          << 44769;
    QTest::newRow("EPSV other delimiter") << "ok (!!!21!)" << true << true << "" << 21;
    QTest::newRow("EPSV port 0") << "(|||0|)" << true << false << "" << 0;
    QTest::newRow("EPSV port too large") << "(|||70000|)" << true << false << "" << 0;
    QTest::newRow("EPSV with address") << "(|1|127.0.0.1|80|)" << true << false << "" << 0;
    QTest::newRow("EPSV mixed delimiters") << "(|!|80|)" << true << false << "" << 0;
    QTest::newRow("PASV") << "Entering passive mode (127,0,0,1,174,225)." << false << true
                          << "127.0.0.1" << 44769;
    QTest::newRow("PASV without parentheses")
        << "=10,1,2,3,0,21" << false << true << "10.1.2.3" << 21;
    QTest::newRow("PASV byte out of range") << "(127,0,0,1,256,1)" << false << false << "" << 0;
    QTest::newRow("PASV too few numbers") << "(127,0,0,1,4)" << false << false << "" << 0;
}

void TestFtpReplyParser::passivePorts()
{
    QFETCH(QString, text);
    QFETCH(bool, extended);
    QFETCH(bool, valid);
    QFETCH(QString, address);
    QFETCH(int, port);

    quint16 gotPort = 0;
    QHostAddress gotAddress;
    const bool ok = extended ? FtpReplyParser::extendedPassivePort(text, &gotPort)
                             : FtpReplyParser::passiveEndpoint(text, &gotAddress, &gotPort);
    QCOMPARE(ok, valid);
    if (!valid)
        return;
    QCOMPARE(int(gotPort), port);
    if (!extended)
        QCOMPARE(gotAddress, QHostAddress(address));
}

QTEST_APPLESS_MAIN(TestFtpReplyParser)
#include "tst_ftpreplyparser.moc"
