// Arbitrary reads of an FTP LIST transfer into the listing parser, cut as
// the input's script says (see FuzzInput; a tick ends the transfer). The
// same bytes given in one piece must give the same entries.

#include "fuzzdigest.h"
#include "fuzzinput.h"
#include "net/ftplistparser.h"

#include <memory>

namespace {

const QDate Today(2024, 3, 15);
// Beyond the longest line the parser takes (64 KiB), and small enough to
// keep the runs fast.
constexpr int MaxTransferBytes = 256 << 10;

void addEntries(const QList<FtpUrlInfo> &entries, FuzzDigest *digest)
{
    for (const FtpUrlInfo &entry : entries) {
        check(entry.isValid(), "entry without a name");
        check(!entry.name().contains(QLatin1Char('\n')), "name across lines");
        check(entry.size() >= 0, "negative size");
        digest->add(entry.name(), int(entry.kind()), entry.size(), entry.lastModified(),
                    entry.owner(), entry.group(), entry.permissions());
    }
}

// The transfer's bytes in one piece must give what the reads gave.
void compare(const FuzzDigest &pieces, const QByteArray &transfer)
{
    FtpListParser parser(Today);
    FuzzDigest whole;
    addEntries(parser.addData(transfer), &whole);
    addEntries(parser.finish(), &whole);
    check(pieces == whole, "entries depend on how the data is cut");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FtpListParser parser(Today);
    auto pieces = std::make_unique<FuzzDigest>();
    QByteArray transfer;
    FuzzInput input(data, size);
    for (FuzzInput::Kind kind; (kind = input.next()) != FuzzInput::End;) {
        if (kind == FuzzInput::Read) {
            if (transfer.size() > MaxTransferBytes)
                break;
            transfer += input.read();
            addEntries(parser.addData(input.read()), pieces.get());
            continue;
        }
        const QList<FtpUrlInfo> last = parser.finish();
        check(last.size() <= 1, "more than one entry after the last line end");
        addEntries(last, pieces.get());
        compare(*pieces, transfer);
        pieces = std::make_unique<FuzzDigest>();
        transfer.clear();
    }
    addEntries(parser.finish(), pieces.get());
    compare(*pieces, transfer);
    return 0;
}
