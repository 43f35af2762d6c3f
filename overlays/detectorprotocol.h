#ifndef DETECTORPROTOCOL_H
#define DETECTORPROTOCOL_H

#include "overlays/overlayreaction.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <optional>

/*
 * The client side of a detector's protocol, without socket or timers, as a
 * detector client drives it: received bytes and the time go in, reactions
 * (what to send, when to redraw, which error ends the connection) come
 * out. Times are milliseconds of any monotonic clock.
 */
class DetectorProtocol
{
public:
    virtual ~DetectorProtocol() = default;

    // Back to the start, as before a new connection.
    virtual void reset() = 0;
    virtual void connectionLost() = 0;
    // The error text when `waiting` more bytes may not be received.
    virtual QString admit(qint64 waiting) const = 0;
    virtual void append(const QByteArray &bytes) = 0;
    // Handles the next complete unit of input; nothing while none is complete.
    virtual std::optional<OverlayReaction> handleNext(qint64 now) = 0;
    // The supervision tick: deadlines and keep-alives.
    virtual OverlayReaction tick(qint64 now) = 0;
    // A payload of a reaction as it goes over the wire.
    virtual QByteArray encode(const QByteArray &payload) const = 0;
    // The detector's frame; empty while unknown.
    virtual QSize frameSize() const = 0;
    // Bytes received and not yet handled.
    virtual int bufferedBytes() const = 0;
};

#endif // DETECTORPROTOCOL_H
