#ifndef DETECTOROVERLAY_H
#define DETECTOROVERLAY_H

#include "overlays/detectoraddress.h"
#include "overlays/overlaycanvas.h"
#include "overlays/overlayreaction.h"

#include <QAbstractSocket>
#include <QElapsedTimer>
#include <QObject>
#include <QPixmap>

#include <optional>

class QTcpSocket;

/*
 * What both video-detector clients share: one TCP connection to the host and
 * port of the overlay URL, re-established 10 seconds after every loss for as
 * long as the client lives, a 1-second supervision tick while connected, the
 * receive limits, and the red message image. The protocol itself is left to
 * the subclass.
 *
 * An address that cannot be connected to is shown as a message, and nothing
 * is tried: it will not get better by waiting.
 */
class DetectorOverlay : public QObject
{
    Q_OBJECT

public:
    static constexpr int ReconnectDelay = 10000;
    static constexpr int TickInterval = 1000;

    Q_INVOKABLE void start();

public slots:
    // The size the player shows the overlay at; images are drawn at it from
    // now on, and what is on show is drawn again. Empty: not known, the
    // detector's frame size is used.
    void setTargetSize(const QSize &size);

signals:
    void newImage(QPixmap img);

protected:
    DetectorOverlay(QObject *parent, const QString &url);

    const DetectorAddress &address() const { return m_address; }
    QTcpSocket *socket() const { return m_socket; }
    int tickTimerId() const { return m_tickTimerId; }
    // Milliseconds on a monotonic clock, for the protocol's deadlines.
    qint64 now() const { return m_clock.elapsed(); }

    // Subclass destructors call this while their protocol state still exists.
    void shutDown();
    // Sends, redraws and reports as told; false when the connection is failing.
    bool carryOut(const OverlayReaction &reaction);
    // The zones at the target size; nothing while the frame size is unknown.
    void drawOverlay();
    void showMessage(const QString &text);
    // A null image: no overlay to show.
    void clearImage();
    void fail(const QString &text);
    // Why the client may not connect to its address; empty when it may.
    virtual QString addressError() const;

    virtual void resetClient() = 0;
    virtual void connectionEstablished() = 0;
    virtual void connectionLost() = 0;
    // The error text when `waiting` more bytes may not be received.
    virtual QString admit(qint64 waiting) const = 0;
    virtual void receive(const QByteArray &bytes) = 0;
    virtual std::optional<OverlayReaction> nextReaction() = 0;
    virtual void transmit(const QByteArray &payload) = 0;
    virtual void drawZones(OverlayCanvas &canvas) = 0;
    virtual QSize frameSize() const = 0;

private slots:
    void onSocketStateChanged(QAbstractSocket::SocketState socketState);
    void onSocketReadyRead();

private:
    enum class Shown { Nothing, Overlay, Message };

    const DetectorAddress m_address;
    QTcpSocket *m_socket;
    bool m_stopping = false;
    int m_tickTimerId = 0;
    QElapsedTimer m_clock;
    OverlayCanvas::LabelCache m_labelCache;
    QSize m_targetSize;
    Shown m_shown = Shown::Nothing;
    QString m_message;
};

#endif // DETECTOROVERLAY_H
