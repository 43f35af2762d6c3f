// Arbitrary input into the CitiLog protocol logic, run as a client would run
// it: a refused read or an error ends the connection and the next one starts
// from a reset; a message the XML parser rejects without a text leaves the
// rest for the next read.
//
// The first input byte chooses how the rest is read. Odd: a script of reads
// and ticks (see FuzzInput), so that the framing itself is fuzzed. Even: XML
// texts separated by 0xff bytes, each sent with its correct length prefix in
// reads of (second byte + 1) bytes, so that mutations reach the XML handling.

#include "fuzzinput.h"
#include "overlays/citilogprotocol.h"

namespace {

class Client
{
public:
    Client() { m_protocol.connected(0); }

    void read(const QByteArray &bytes, qint64 now)
    {
        if (!m_protocol.admit(bytes.size()).isEmpty()) {
            reconnect(now);
            return;
        }
        m_protocol.append(bytes);
        check(m_protocol.bufferedBytes() <= ReceiveBuffer::Limit);
        while (const auto reaction = m_protocol.handleNext(now)) {
            check(reaction->send.size() <= 1);
            if (!reaction->error.isEmpty()) {
                reconnect(now);
                break;
            }
            if (reaction->halt)
                break;
        }
        check(m_protocol.bufferedBytes() <= ReceiveBuffer::Limit);
        check(m_protocol.state() != CitiLogProtocol::Idle || !m_protocol.peerId().isEmpty()
              || m_protocol.zones().isEmpty());
    }

    void tick(qint64 now)
    {
        if (!m_protocol.tick(now).error.isEmpty())
            reconnect(now);
    }

private:
    void reconnect(qint64 now)
    {
        m_protocol.connectionLost();
        m_protocol.reset();
        m_protocol.connected(now);
    }

    CitiLogProtocol m_protocol {QByteArray(32, 'a')};
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    Client client;
    if (data[0] & 1) {
        FuzzInput input(data + 1, size - 1);
        for (FuzzInput::Kind kind; (kind = input.next()) != FuzzInput::End;) {
            if (kind == FuzzInput::Tick)
                client.tick(input.now());
            else
                client.read(input.read(), input.now());
        }
        return 0;
    }

    const int readSize = data[1] + 1;
    const QByteArray rest(reinterpret_cast<const char *>(data + 2), int(size - 2));
    qint64 now = 0;
    for (const QByteArray &text : rest.split('\xff')) {
        const QByteArray message = CitiLogProtocol::frame(text);
        for (int at = 0; at < message.size(); at += readSize)
            client.read(message.mid(at, readSize), now);
        client.tick(now += 500);
    }
    return 0;
}
