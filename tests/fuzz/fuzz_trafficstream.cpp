// Arbitrary reads and ticks into the traffic-stream protocol logic, run as a
// client would run it: a refused read or an error ends the connection, and
// the next connection starts from a reset. Each short read is also taken as
// an overlay address: what is accepted can be connected to, and its
// credentials go out as one line each.

#include "fuzzinput.h"
#include "overlays/detectoraddress.h"
#include "overlays/trafficstreamprotocol.h"

namespace {

void reconnect(TrafficStreamProtocol &protocol, qint64 now)
{
    protocol.connectionLost();
    protocol.reset();
    protocol.loginSent(now);
}

bool isOneLine(const QString &text)
{
    const QByteArray line = text.toUtf8() + "\r\n";
    return line.indexOf('\r') == line.size() - 2 && line.indexOf('\n') == line.size() - 1;
}

void checkAddress(const QByteArray &text)
{
    const DetectorAddress address(QString::fromUtf8(text));
    if (!address.error().isEmpty())
        return;
    check(!address.host().isEmpty() && address.port() > 0);
    if (address.credentialsError().isEmpty())
        check(isOneLine(address.userName()) && isOneLine(address.password()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TrafficStreamProtocol protocol;
    protocol.loginSent(0);
    FuzzInput input(data, size);
    for (FuzzInput::Kind kind; (kind = input.next()) != FuzzInput::End;) {
        if (kind == FuzzInput::Tick) {
            if (!protocol.tick(input.now()).error.isEmpty())
                reconnect(protocol, input.now());
            continue;
        }
        if (input.read().size() < 0x70)
            checkAddress(input.read());
        if (!protocol.admit(input.read().size()).isEmpty()) {
            reconnect(protocol, input.now());
            continue;
        }
        protocol.append(input.read());
        check(protocol.bufferedBytes() <= ReceiveBuffer::Limit);
        while (const auto reaction = protocol.handleNext(input.now())) {
            check(reaction->send.size() <= 1);
            if (!reaction->error.isEmpty()) {
                reconnect(protocol, input.now());
                break;
            }
        }
        check(protocol.bufferedBytes() <= ReceiveBuffer::Limit);
    }
    return 0;
}
