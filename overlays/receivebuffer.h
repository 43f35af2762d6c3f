#ifndef RECEIVEBUFFER_H
#define RECEIVEBUFFER_H

#include <QByteArray>

/*
 * Bytes received from a detector and not yet consumed, bounded in size.
 *
 * Consumed bytes are only skipped over and dropped on the next append, so
 * taking many small units off a full buffer stays linear in its size.
 */
class ReceiveBuffer
{
public:
    static constexpr int Limit = 100000;

    enum Admission {
        Admitted,
        PacketTooBig, // more than the limit waiting at once
        BufferTooBig, // buffered and waiting bytes together above the limit
    };

    // Whether `waiting` more bytes may be appended.
    Admission admit(qint64 waiting) const;

    void append(const QByteArray &bytes);
    void clear();

    int size() const { return m_data.size() - m_start; }
    const char *data() const { return m_data.constData() + m_start; }

    // Offset of `pattern` from the first unconsumed byte, or -1.
    int indexOf(const char *pattern) const;
    // Consumes the first `length` bytes (all of them if fewer are held).
    QByteArray take(int length);
    void skip(qint64 length);

private:
    QByteArray m_data;
    int m_start = 0;
};

#endif // RECEIVEBUFFER_H
