// Arbitrary reads of an FTP control connection into the reply parser, cut
// as the input's script says (see FuzzInput; a tick clears the parser, as a
// new connection does). The same bytes given in one piece must give the
// same replies, and every reply is offered to the passive-mode parsers.

#include "fuzzinput.h"
#include "net/ftpreplyparser.h"

#include <QVector>

#include <cstdio>
#include <cstdlib>

namespace {

void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "FTP reply parser: %s\n", what);
        std::abort();
    }
}

struct Outcome
{
    QVector<FtpReply> replies;
    bool error = false;
};

void takeReplies(FtpReplyParser *parser, Outcome *outcome)
{
    while (parser->hasReply()) {
        const FtpReply reply = parser->takeReply();
        check(reply.code >= 100 && reply.code <= 559, "reply code out of range");
        quint16 port = 0;
        if (FtpReplyParser::extendedPassivePort(reply.text, &port))
            check(port != 0, "extended passive port 0");
        QHostAddress address;
        port = 0;
        if (FtpReplyParser::passiveEndpoint(reply.text, &address, &port))
            check(port != 0 && address.protocol() == QAbstractSocket::IPv4Protocol,
                  "passive endpoint");
        outcome->replies.append(reply);
    }
    outcome->error = parser->hasError();
}

// The connection's bytes in one piece.
Outcome parseWhole(const QByteArray &bytes)
{
    FtpReplyParser parser;
    Outcome outcome;
    parser.addData(bytes);
    takeReplies(&parser, &outcome);
    return outcome;
}

void compare(const Outcome &pieces, const QByteArray &bytes)
{
    const Outcome whole = parseWhole(bytes);
    check(pieces.error == whole.error, "error depends on how the data is cut");
    check(pieces.replies.size() == whole.replies.size(),
          "number of replies depends on how the data is cut");
    for (int i = 0; i < whole.replies.size(); ++i) {
        check(pieces.replies.at(i).code == whole.replies.at(i).code
                  && pieces.replies.at(i).text == whole.replies.at(i).text,
              "reply depends on how the data is cut");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FtpReplyParser parser;
    Outcome pieces;
    QByteArray connection;
    FuzzInput input(data, size);
    for (FuzzInput::Kind kind; (kind = input.next()) != FuzzInput::End;) {
        if (kind == FuzzInput::Tick) {
            compare(pieces, connection);
            parser.clear();
            check(!parser.hasReply() && !parser.hasError(), "clear");
            pieces = Outcome();
            connection.clear();
            continue;
        }
        // A parser in its error state takes nothing more, and so neither
        // does the reference.
        if (!parser.hasError())
            connection += input.read();
        parser.addData(input.read());
        takeReplies(&parser, &pieces);
    }
    compare(pieces, connection);
    return 0;
}
