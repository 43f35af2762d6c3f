#ifndef AXISTRAFFICSTREAMOVERLAY_H
#define AXISTRAFFICSTREAMOVERLAY_H

#include "overlays/detectoroverlay.h"
#include "overlays/trafficstreamprotocol.h"

/*
 * Client of a traffic-stream sensor detector: logs in, reads the frame size,
 * the sensor states and outlines, subscribes to state events and emits a new
 * overlay image after every event.
 */
class AxisTrafficStreamOverlay : public DetectorOverlay
{
    Q_OBJECT

public:
    AxisTrafficStreamOverlay(QObject *parent, const QString &url);
    ~AxisTrafficStreamOverlay() override;

    // The password goes out this long after the user name.
    static constexpr int PasswordDelay = 200;

protected:
    void timerEvent(QTimerEvent *event) override;

    void resetClient() override;
    void connectionEstablished() override;
    void connectionLost() override;
    // The credentials go out as lines of their own.
    QString addressError() const override;
    QString admit(qint64 waiting) const override;
    void receive(const QByteArray &bytes) override;
    std::optional<OverlayReaction> nextReaction() override;
    void transmit(const QByteArray &payload) override;
    void drawZones(OverlayCanvas &canvas) override;
    QSize frameSize() const override;

    void sendLine(const QByteArray &line);

    TrafficStreamProtocol m_protocol;
};

#endif // AXISTRAFFICSTREAMOVERLAY_H
