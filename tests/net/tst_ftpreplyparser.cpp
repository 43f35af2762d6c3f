#include "net/ftpreplyparser.h"

#include <QTest>

class TestFtpReplyParser : public QObject
{
    Q_OBJECT

private slots:
    void replies_data();
    void replies();
    void passiveReplies_data();
    void passiveReplies();
};

void TestFtpReplyParser::replies_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QStringList>("replies"); // "code|text"
    QTest::addColumn<bool>("garbage");

    QTest::newRow("CR LF and bare LF") << QByteArray("220 ready.\r\n331 ok\n200\r\n")
                                       << QStringList {"220|ready.", "331|ok", "200|"} << false;
    QTest::newRow("multi-line with lookalike lines")
        << QByteArray("211-Features:\r\n EPSV\r\n211-more\r\n230 other\r\n211 End\r\n150 x\r\n")
        << QStringList {"211|Features:\n EPSV\n211-more\n230 other\nEnd", "150|x"} << false;
    QTest::newRow("incomplete line waits") << QByteArray("220 hel") << QStringList() << false;
    QTest::newRow("text") << QByteArray("HTTP/1.1 400 Bad\r\n") << QStringList() << true;
    QTest::newRow("codes at the edges")
        << QByteArray("109 a\r\n559 b\r\n") << QStringList {"109|a", "559|b"} << false;
    QTest::newRow("bad first digit") << QByteArray("600 no\r\n") << QStringList() << true;
    QTest::newRow("bad second digit") << QByteArray("160 no\r\n") << QStringList() << true;
    QTest::newRow("bad third digit") << QByteArray("15x no\r\n") << QStringList() << true;
    QTest::newRow("after a reply")
        << QByteArray("220 ok\r\n\r\n") << QStringList {"220|ok"} << true;
    QTest::newRow("endless line") << QByteArray(FtpReplyParser::MaxLineLength + 1, '2')
                                  << QStringList() << true;
    const QByteArray longest = "220 " + QByteArray(FtpReplyParser::MaxLineLength - 4, 'x');
    QTest::newRow("longest line") << longest + "\r\n"
                                  << QStringList {"220|" + QString(longest.mid(4))} << false;
    QTest::newRow("endless reply")
        << QByteArray("211-a\r\n")
               .append(QByteArray("b\r\n").repeated(FtpReplyParser::MaxReplyLines))
        << QStringList() << true;
}

void TestFtpReplyParser::replies()
{
    QFETCH(QByteArray, stream);
    QFETCH(QStringList, replies);
    QFETCH(bool, garbage);

    // In one piece and byte by byte alike.
    for (const int chunk : {int(stream.size()), 1}) {
        FtpReplyParser parser;
        for (int i = 0; i < stream.size(); i += chunk)
            parser.addData(stream.mid(i, chunk));
        QCOMPARE(parser.hasError(), garbage);
        QStringList got;
        while (parser.hasReply()) {
            const FtpReply reply = parser.takeReply();
            got.append(QString::number(reply.code) + '|' + reply.text);
        }
        QCOMPARE(got, replies);
        // Past garbage nothing is taken until the parser is cleared.
        parser.addData("200 ok\r\n");
        QCOMPARE(parser.hasReply(), !garbage);
        parser.clear();
        parser.addData("200 ok\r\n");
        QCOMPARE(parser.takeReply().code, 200);
    }
}

void TestFtpReplyParser::passiveReplies_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("address"); // empty for EPSV
    QTest::addColumn<int>("port"); // 0 when invalid

    QTest::newRow("EPSV") << "Entering extended passive mode (|||44769|)."
                          << "" << 44769;
    QTest::newRow("EPSV port 0") << "(|||0|)"
                                 << "" << 0;
    QTest::newRow("EPSV with address") << "(|1|127.0.0.1|80|)"
                                       << "" << 0;
    QTest::newRow("PASV") << "Entering passive mode (127,0,0,1,174,225)."
                          << "127.0.0.1" << 44769;
    QTest::newRow("PASV byte too large") << "(127,0,0,1,256,1)"
                                         << "127.0.0.1" << 0;
    QTest::newRow("PASV too short") << "(127,0,0,1,4)"
                                    << "127.0.0.1" << 0;
}

void TestFtpReplyParser::passiveReplies()
{
    QFETCH(QString, text);
    QFETCH(QString, address);
    QFETCH(int, port);

    quint16 gotPort = 0;
    QHostAddress gotAddress;
    const bool ok = address.isEmpty()
                        ? FtpReplyParser::extendedPassivePort(text, &gotPort)
                        : FtpReplyParser::passiveEndpoint(text, &gotAddress, &gotPort);
    QCOMPARE(ok, port != 0);
    QCOMPARE(int(gotPort), port);
    if (ok && !address.isEmpty())
        QCOMPARE(gotAddress, QHostAddress(address));
}

QTEST_APPLESS_MAIN(TestFtpReplyParser)
#include "tst_ftpreplyparser.moc"
