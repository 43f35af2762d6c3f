#ifndef AXISTRAFFICSTREAMOVERLAY_H
#define AXISTRAFFICSTREAMOVERLAY_H

#include "overlays/detectoroverlay.h"
#include "overlays/trafficstreamprotocol.h"

#include <memory>

/*
 * Client of a traffic-stream sensor detector: logs in, reads the frame size,
 * the sensor states and outlines, subscribes to state events and emits a new
 * overlay image after every event.
 */
class AxisTrafficStreamOverlay : public DetectorOverlay
{
    Q_OBJECT

public:
    // The password goes out this long after the user name.
    static constexpr int PasswordDelay = 200;

    // Milliseconds; the defaults are the detector's own.
    struct Timings
    {
        DetectorOverlay::Timings connection;
        int passwordDelay = PasswordDelay; // 0: right after the user name
        TrafficStreamProtocol::Timings protocol;
    };

    // Over TCP, with the default timings.
    AxisTrafficStreamOverlay(QObject *parent, const QString &url);
    AxisTrafficStreamOverlay(QObject *parent, const QString &url,
                             std::unique_ptr<DetectorTransport> transport, const Timings &timings);

protected:
    // The credentials go out as lines of their own.
    QString addressError() const override;
    void connectionEstablished() override;
    void drawZones(OverlayCanvas &canvas) override;

private:
    TrafficStreamProtocol &trafficStream() const;

    const int m_passwordDelay;
};

#endif // AXISTRAFFICSTREAMOVERLAY_H
