#ifndef DETECTOROVERLAY_H
#define DETECTOROVERLAY_H

#include "overlays/overlaycanvas.h"
#include "overlays/overlayreaction.h"

#include <QAbstractSocket>
#include <QElapsedTimer>
#include <QObject>
#include <QPixmap>
#include <QUrl>

#include <optional>

class QTcpSocket;

/*
 * What both video-detector clients share: one TCP connection to the host and
 * port of the overlay URL, re-established 10 seconds after every loss for as
 * long as the client lives, a 1-second supervision tick while connected, the
 * receive limits, and the red message image. The protocol itself is left to
 * the subclass.
 */
class DetectorOverlay : public QObject
{
    Q_OBJECT

public:
    static constexpr int ReconnectDelay = 10000;
    static constexpr int TickInterval = 1000;

    Q_INVOKABLE void start();

signals:
    void newImage(QPixmap img);

protected:
    DetectorOverlay(QObject *parent, const QString &url);

    const QUrl &url() const { return m_url; }
    QTcpSocket *socket() const { return m_socket; }
    int tickTimerId() const { return m_tickTimerId; }
    // Milliseconds on a monotonic clock, for the protocol's deadlines.
    qint64 now() const { return m_clock.elapsed(); }
    OverlayCanvas::LabelCache *labelCache() { return &m_labelCache; }

    // Subclass destructors call this while their protocol state still exists.
    void shutDown();
    // Sends, redraws and reports as told; false when the connection is failing.
    bool carryOut(const OverlayReaction &reaction);
    void showMessage(const QString &text);
    void fail(const QString &text);

    virtual void resetClient() = 0;
    virtual void connectionEstablished() = 0;
    virtual void connectionLost() = 0;
    // The error text when `waiting` more bytes may not be received.
    virtual QString admit(qint64 waiting) const = 0;
    virtual void receive(const QByteArray &bytes) = 0;
    virtual std::optional<OverlayReaction> nextReaction() = 0;
    virtual void transmit(const QByteArray &payload) = 0;
    virtual void drawOverlay() = 0;
    virtual QSize frameSize() const = 0;

private slots:
    void onSocketStateChanged(QAbstractSocket::SocketState socketState);
    void onSocketReadyRead();

private:
    QUrl m_url;
    QTcpSocket *m_socket;
    bool m_stopping = false;
    int m_tickTimerId = 0;
    QElapsedTimer m_clock;
    OverlayCanvas::LabelCache m_labelCache;
};

#endif // DETECTOROVERLAY_H
