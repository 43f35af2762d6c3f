// One state message of a CitiLog detector that changes 16 of its 32 zones
// on a full-HD frame: parsing the XML and drawing the new overlay, against
// the bare cost of such an image.

#include "overlaybaseline.h"
#include "overlays/bufferdetectortransport.h"
#include "overlays/citilogovelay.h"

#include <QApplication>

namespace {

// A client connected to a detector played by the benchmark, which hands it
// messages as its socket would.
class BenchClient
{
public:
    BenchClient()
        : m_detector(new BufferDetectorTransport)
        , m_client(nullptr, QStringLiteral("tcp://127.0.0.1:1"),
                   std::unique_ptr<DetectorTransport>(m_detector), CitiLogOvelay::Timings())
    {
        m_client.start();
    }

    CitiLogOvelay *client() { return &m_client; }
    void feed(const QByteArray &text) { m_detector->deliver(CitiLogProtocol::frame(text)); }

private:
    BufferDetectorTransport *m_detector;
    CitiLogOvelay m_client;
};

QByteArray number(int value)
{
    return '"' + QByteArray::number(value) + '"';
}

// Two segments per lane give the same quadrilateral as the baseline's zone.
QByteArray configuration(const QVector<QPolygon> &zones)
{
    QByteArray text = "<CTL source=\"CTL1\" dest=\"x\"><Config><Global ImgWidth=\"1920\" "
                      "ImgHeight=\"1080\">";
    for (int i = 0; i < zones.size(); ++i) {
        const QPolygon &zone = zones.at(i);
        text += "<Lane LaneId=" + number(i + 1) + " LaneDirection=\"APPROACHING\">";
        text += "<Segment Left=" + number(zone.at(0).x()) + " Top=" + number(zone.at(0).y())
                + " Right=" + number(zone.at(1).x()) + " Bottom=" + number(zone.at(1).y()) + "/>";
        text += "<Segment Left=" + number(zone.at(3).x()) + " Top=" + number(zone.at(3).y())
                + " Right=" + number(zone.at(2).x()) + " Bottom=" + number(zone.at(2).y()) + "/>";
        text += "</Lane>";
    }
    return text + "</Global></Config></CTL>";
}

QByteArray outputs(const QByteArray &vector)
{
    return "<CTL source=\"CTL1\" dest=\"x\"><Outputs><StateVector>" + vector
           + "</StateVector></Outputs></CTL>";
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QVector<QPolygon> zones = OverlayBaseline::zones();

    BenchClient client;
    QPixmap latest;
    int images = 0;
    QObject::connect(client.client(), &CitiLogOvelay::newImage, [&](const QPixmap &img) {
        latest = img;
        ++images;
    });
    client.feed("<CTL source=\"ctl1\"><AnaEnum id=\"ctl1\"/></CTL>");
    client.feed(configuration(zones));

    // Each message turns every other zone on or off again.
    const QByteArray messages[] = {outputs(QByteArray("10").repeated(16)),
                                   outputs(QByteArray("11").repeated(16))};
    int phase = 0;
    const int status = OverlayBaseline::compare(
        "CitiLog state message, 16 of 32 zones changing",
        [&] { client.feed(messages[phase++ % 2]); }, zones, 1.5);
    if (images != phase || latest.size() != OverlayBaseline::frameSize) {
        std::fprintf(stderr, "the client did not draw every change\n");
        return 2;
    }
    return status;
}
