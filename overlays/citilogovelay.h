#ifndef CITILOGOVELAY_H
#define CITILOGOVELAY_H

#include "overlays/citilogprotocol.h"
#include "overlays/detectoroverlay.h"

/*
 * Client of a CitiLog video detector: asks for its identifier and its
 * configuration (frame size and lane zones), then follows its state
 * messages and emits a new overlay image whenever a zone changes.
 */
class CitiLogOvelay : public DetectorOverlay
{
    Q_OBJECT

public:
    CitiLogOvelay(QObject *parent, const QString &url);
    ~CitiLogOvelay() override;

    QByteArray ownId() const { return m_protocol.ownId(); }

protected:
    void timerEvent(QTimerEvent *event) override;

    void resetClient() override;
    void connectionEstablished() override;
    void connectionLost() override;
    QString admit(qint64 waiting) const override;
    void receive(const QByteArray &bytes) override;
    std::optional<OverlayReaction> nextReaction() override;
    void transmit(const QByteArray &payload) override;
    void drawZones(OverlayCanvas &canvas) override;
    QSize frameSize() const override;

    void sendMessage(const QByteArray &request);

    CitiLogProtocol m_protocol;
};

#endif // CITILOGOVELAY_H
