#ifndef FUZZINPUT_H
#define FUZZINPUT_H

#include <QByteArray>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Ends the run on a broken promise, so that libFuzzer keeps the input.
inline void check(bool condition, const char *what = "invariant broken")
{
    if (!condition) {
        std::fprintf(stderr, "%s\n", what);
        std::abort();
    }
}

/*
 * Reads a fuzzer's input as a script of network reads and clock ticks, so
 * that one input decides both the bytes and how they are cut:
 *
 *   0x00-0x6f n   a read of the next n input bytes
 *   0x70-0x7f     a read of (c - 0x70) * 65536 + next two bytes (big endian)
 *                 bytes, repeating the byte pattern whose length follows
 *                 in one byte and whose bytes follow it
 *   0x80-0xff     a clock tick, (c & 0x7f) * 300 ms after the last one
 */
class FuzzInput
{
public:
    enum Kind { End, Read, Tick };

    FuzzInput(const uint8_t *data, size_t size)
        : m_data(data)
        , m_size(size)
    { }

    Kind next()
    {
        if (m_at >= m_size)
            return End;
        const uint8_t code = m_data[m_at++];
        if (code >= 0x80) {
            m_now += (code & 0x7f) * 300;
            return Tick;
        }
        if (code < 0x70) {
            m_read = take(code);
            return Read;
        }
        const QByteArray count = take(2);
        const int length =
            (code - 0x70) * 65536
            + (count.size() == 2 ? uint8_t(count.at(0)) * 256 + uint8_t(count.at(1)) : 0);
        const QByteArray lengthByte = take(1);
        QByteArray pattern = take(lengthByte.isEmpty() ? 0 : uint8_t(lengthByte.at(0)));
        if (pattern.isEmpty())
            pattern = QByteArray(1, 'x');
        m_read = pattern.repeated(length / pattern.size() + 1).left(length);
        return Read;
    }

    const QByteArray &read() const { return m_read; }
    qint64 now() const { return m_now; }

private:
    QByteArray take(size_t count)
    {
        count = std::min(count, m_size - m_at);
        const QByteArray bytes(reinterpret_cast<const char *>(m_data + m_at), int(count));
        m_at += count;
        return bytes;
    }

    const uint8_t *m_data;
    size_t m_size;
    size_t m_at = 0;
    qint64 m_now = 0;
    QByteArray m_read;
};

#endif // FUZZINPUT_H
