// Arbitrary reads and ticks into the traffic-stream protocol logic, run as a
// client would run it: a refused read or an error ends the connection, and
// the next connection starts from a reset.

#include "fuzzinput.h"
#include "overlays/trafficstreamprotocol.h"

#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void reconnect(TrafficStreamProtocol &protocol)
{
    protocol.connectionLost();
    protocol.reset();
    protocol.loginSent();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TrafficStreamProtocol protocol;
    protocol.loginSent();
    FuzzInput input(data, size);
    for (FuzzInput::Kind kind; (kind = input.next()) != FuzzInput::End;) {
        if (kind == FuzzInput::Tick) {
            if (!protocol.tick(input.now()).error.isEmpty())
                reconnect(protocol);
            continue;
        }
        if (!protocol.admit(input.read().size()).isEmpty()) {
            reconnect(protocol);
            continue;
        }
        protocol.append(input.read());
        check(protocol.bufferedBytes() <= ReceiveBuffer::Limit);
        while (const auto reaction = protocol.handleNextUnit(input.now())) {
            check(reaction->send.size() <= 1);
            if (!reaction->error.isEmpty()) {
                reconnect(protocol);
                break;
            }
        }
        check(protocol.bufferedBytes() <= ReceiveBuffer::Limit);
    }
    return 0;
}
