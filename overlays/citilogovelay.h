#ifndef CITILOGOVELAY_H
#define CITILOGOVELAY_H

#include "overlays/citilogprotocol.h"
#include "overlays/detectoroverlay.h"

#include <memory>

/*
 * Client of a CitiLog video detector: asks for its identifier and its
 * configuration (frame size and lane zones), then follows its state
 * messages and emits a new overlay image whenever a zone changes.
 */
class CitiLogOvelay : public DetectorOverlay
{
    Q_OBJECT

public:
    // Milliseconds; the defaults are the detector's own.
    struct Timings
    {
        DetectorOverlay::Timings connection;
        CitiLogProtocol::Timings protocol;
    };

    // Over TCP, with the default timings.
    CitiLogOvelay(QObject *parent, const QString &url);
    CitiLogOvelay(QObject *parent, const QString &url, std::unique_ptr<DetectorTransport> transport,
                  const Timings &timings);

    QByteArray ownId() const { return citiLog().ownId(); }

protected:
    void connectionEstablished() override;
    void drawZones(OverlayCanvas &canvas) override;

private:
    CitiLogProtocol &citiLog() const;
};

#endif // CITILOGOVELAY_H
