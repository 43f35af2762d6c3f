// Arbitrary reads of an FTP LIST transfer into the listing parser, cut as
// the input's script says (see FuzzInput; a tick ends the transfer). The
// same bytes given in one piece must give the same entries.

#include "fuzzinput.h"
#include "net/ftplistparser.h"

#include <cstdio>
#include <cstdlib>

namespace {

const QDate Today(2024, 3, 15);

void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "FTP listing parser: %s\n", what);
        std::abort();
    }
}

void checkEntries(const QList<FtpUrlInfo> &entries)
{
    for (const FtpUrlInfo &entry : entries) {
        check(entry.isValid(), "entry without a name");
        check(!entry.name().contains(QLatin1Char('\n')), "name across lines");
        check(entry.size() >= 0, "negative size");
    }
}

void compare(const QList<FtpUrlInfo> &pieces, const QByteArray &transfer)
{
    FtpListParser parser(Today);
    QList<FtpUrlInfo> whole = parser.addData(transfer);
    whole += parser.finish();
    check(pieces == whole, "entries depend on how the data is cut");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FtpListParser parser(Today);
    QList<FtpUrlInfo> pieces;
    QByteArray transfer;
    FuzzInput input(data, size);
    for (FuzzInput::Kind kind; (kind = input.next()) != FuzzInput::End;) {
        if (kind == FuzzInput::Read) {
            transfer += input.read();
            const QList<FtpUrlInfo> entries = parser.addData(input.read());
            checkEntries(entries);
            pieces += entries;
            continue;
        }
        const QList<FtpUrlInfo> last = parser.finish();
        checkEntries(last);
        check(last.size() <= 1, "more than one entry after the last line end");
        pieces += last;
        compare(pieces, transfer);
        pieces.clear();
        transfer.clear();
    }
    pieces += parser.finish();
    compare(pieces, transfer);
    return 0;
}
