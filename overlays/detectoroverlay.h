#ifndef DETECTOROVERLAY_H
#define DETECTOROVERLAY_H

#include "overlays/detectoraddress.h"
#include "overlays/overlaycanvas.h"
#include "overlays/overlayreaction.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPixmap>

#include <memory>

class DetectorProtocol;
class DetectorTransport;

/*
 * What both video-detector clients share: a connection to the host and port
 * of the overlay URL over the transport the client is given, opened again a
 * while after every loss for as long as the client lives, a supervision tick
 * while connected, the protocol the client is given driven by what arrives
 * and by the tick, and the images: the zones, or a red message.
 *
 * A client is made of its protocol, its transport and its timings. What is
 * left to a client itself is how it logs in and how it draws its zones.
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

    // Milliseconds; the defaults are those above.
    struct Timings
    {
        int reconnectDelay = ReconnectDelay; // from a loss to the next attempt
        int tickInterval = TickInterval; // supervision while connected
    };

    ~DetectorOverlay() override;

    Q_INVOKABLE void start();

    // Received bytes the protocol holds and has not handled yet.
    int bufferedBytes() const;

public slots:
    // The size the player shows the overlay at; images are drawn at it from
    // now on, and what is on show is drawn again. Empty: not known, the
    // detector's frame size is used.
    void setTargetSize(const QSize &size);

signals:
    void newImage(QPixmap img);

protected:
    // Takes the protocol and the transport; the transport becomes a child.
    DetectorOverlay(QObject *parent, const QString &url, std::unique_ptr<DetectorProtocol> protocol,
                    std::unique_ptr<DetectorTransport> transport, const Timings &timings);

    const DetectorAddress &address() const { return m_address; }
    DetectorProtocol &protocol() const { return *m_protocol; }
    bool isConnected() const;
    // Milliseconds on a monotonic clock, for the protocol's deadlines.
    qint64 now() const { return m_clock.elapsed(); }

    // Sends, redraws and reports as told; false when the connection is failing.
    bool carryOut(const OverlayReaction &reaction);
    // Sends one payload of the protocol, encoded, while connected.
    void transmit(const QByteArray &payload);
    void showMessage(const QString &text);
    // Why the client may not connect to its address; empty when it may.
    virtual QString addressError() const;

    // The connection is up: the client logs in.
    virtual void connectionEstablished() = 0;
    virtual void drawZones(OverlayCanvas &canvas) = 0;

    void timerEvent(QTimerEvent *event) override;

private:
    enum class Shown { Nothing, Overlay, Message };

    void onConnected();
    void onDisconnected();
    void onReadyRead();
    void shutDown();
    void resetClient();
    // The zones at the target size; nothing while the frame size is unknown.
    void drawOverlay();
    // A null image: no overlay to show.
    void clearImage();
    void fail(const QString &text);

    const DetectorAddress m_address;
    const std::unique_ptr<DetectorProtocol> m_protocol;
    DetectorTransport *const m_transport;
    const Timings m_timings;
    bool m_stopping = false;
    int m_tickTimerId = 0;
    QElapsedTimer m_clock;
    OverlayCanvas::LabelCache m_labelCache;
    QSize m_targetSize;
    Shown m_shown = Shown::Nothing;
    QString m_message;
};

#endif // DETECTOROVERLAY_H
