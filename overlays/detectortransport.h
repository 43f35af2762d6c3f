#ifndef DETECTORTRANSPORT_H
#define DETECTORTRANSPORT_H

#include <QByteArray>
#include <QObject>
#include <QString>

/*
 * The byte stream a detector client talks over. The client is given one, so
 * that it talks to a detector over TCP (TcpDetectorTransport) or to whatever
 * a test or a benchmark plays the detector with (BufferDetectorTransport).
 *
 * A transport opens one connection at a time. It emits connected() when the
 * connection is up and disconnected() when it, or the attempt at it, has
 * ended, so that every open() ends in exactly one disconnected().
 */
class DetectorTransport : public QObject
{
    Q_OBJECT

public:
    enum class State { Closed, Opening, Open };

    virtual State state() const = 0;
    // Opens a connection to `host` and `port`; only while closed.
    virtual void open(const QString &host, quint16 port) = 0;
    // Closes the connection once what was written has gone out.
    virtual void close() = 0;
    virtual qint64 bytesAvailable() const = 0;
    virtual QByteArray read(qint64 maxSize) = 0;
    virtual void write(const QByteArray &bytes) = 0;

signals:
    void connected();
    void disconnected();
    void readyRead();

protected:
    explicit DetectorTransport(QObject *parent = nullptr);
};

#endif // DETECTORTRANSPORT_H
