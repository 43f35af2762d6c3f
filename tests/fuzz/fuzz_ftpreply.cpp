// Arbitrary reads of an FTP control connection into the reply parser, cut
// as the input's script says (see FuzzInput; a tick clears the parser, as a
// new connection does). The same bytes given in one piece must give the
// same replies, and every reply is offered to the passive-mode parsers.

#include "fuzzdigest.h"
#include "fuzzinput.h"
#include "net/ftpreplyparser.h"

#include <memory>

namespace {

// Beyond the parser's limits (lines of 8 KiB, replies of 1000 lines), and
// small enough to keep the runs fast.
constexpr int MaxConnectionBytes = 64 << 10;

struct Outcome
{
    FuzzDigest replies;
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
        outcome->replies.add(reply.code, reply.text);
    }
    outcome->error = parser->hasError();
}

// The connection's bytes in one piece must give what the reads gave.
void compare(const Outcome &pieces, const QByteArray &bytes)
{
    FtpReplyParser parser;
    Outcome whole;
    parser.addData(bytes);
    takeReplies(&parser, &whole);
    check(pieces.error == whole.error, "error depends on how the data is cut");
    check(pieces.replies == whole.replies, "replies depend on how the data is cut");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FtpReplyParser parser;
    auto pieces = std::make_unique<Outcome>();
    QByteArray connection;
    FuzzInput input(data, size);
    for (FuzzInput::Kind kind; (kind = input.next()) != FuzzInput::End;) {
        if (kind == FuzzInput::Tick) {
            compare(*pieces, connection);
            parser.clear();
            check(!parser.hasReply() && !parser.hasError(), "clear");
            pieces = std::make_unique<Outcome>();
            connection.clear();
            continue;
        }
        if (connection.size() > MaxConnectionBytes)
            break;
        // A parser in its error state takes nothing more, and so neither
        // does the reference.
        if (!parser.hasError())
            connection += input.read();
        parser.addData(input.read());
        takeReplies(&parser, pieces.get());
    }
    compare(*pieces, connection);
    return 0;
}
