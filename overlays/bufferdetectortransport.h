#ifndef BUFFERDETECTORTRANSPORT_H
#define BUFFERDETECTORTRANSPORT_H

#include "overlays/detectortransport.h"

/*
 * A transport with no network behind it: whoever holds it plays the
 * detector. open() connects at once, within the call; deliver() hands the
 * client bytes as if the detector had sent them, at once as well; what the
 * client writes collects in written(); hangUp() ends the connection as a
 * detector would. For tests and benchmarks that drive a client without a
 * peer or a wait.
 */
class BufferDetectorTransport : public DetectorTransport
{
    Q_OBJECT

public:
    explicit BufferDetectorTransport(QObject *parent = nullptr);

    State state() const override { return m_open ? State::Open : State::Closed; }
    void open(const QString &host, quint16 port) override;
    void close() override;
    qint64 bytesAvailable() const override { return m_incoming.size(); }
    QByteArray read(qint64 maxSize) override;
    void write(const QByteArray &bytes) override;

    void deliver(const QByteArray &bytes);
    void hangUp();
    QByteArray written() const { return m_written; }

private:
    QByteArray m_incoming;
    QByteArray m_written;
    bool m_open = false;
};

#endif // BUFFERDETECTORTRANSPORT_H
