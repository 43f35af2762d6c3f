#ifndef TCPDETECTORTRANSPORT_H
#define TCPDETECTORTRANSPORT_H

#include "overlays/detectortransport.h"

#include <QAbstractSocket>

class QTcpSocket;

// A TCP connection to the detector, over IPv4 or IPv6 as the host resolves.
class TcpDetectorTransport : public DetectorTransport
{
    Q_OBJECT

public:
    explicit TcpDetectorTransport(QObject *parent = nullptr);

    State state() const override;
    void open(const QString &host, quint16 port) override;
    void close() override;
    qint64 bytesAvailable() const override;
    QByteArray read(qint64 maxSize) override;
    void write(const QByteArray &bytes) override;

private:
    void onStateChanged(QAbstractSocket::SocketState socketState);

    QTcpSocket *m_socket;
};

#endif // TCPDETECTORTRANSPORT_H
