// Arbitrary file contents into the camera list reader. A list it accepts is
// saved and read back: the reload must give the same cameras, as far as the
// file format keeps them, and saving the reloaded list must give the same
// bytes as saving what the format keeps of the first.

#include "plugin/camlistreader.h"
#include "plugin/camlistwriter.h"

#include <QtMath>

#include <cstdio>
#include <cstdlib>

namespace {

void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "camera list round trip: %s\n", what);
        std::abort();
    }
}

// Numbers are saved with a fixed number of significant digits, so a reload
// may differ from the value in memory by half a unit in the last of them.
bool nearlyEqual(double loaded, double reloaded, int digits)
{
    if (qIsNaN(loaded) || qIsNaN(reloaded))
        return qIsNaN(loaded) && qIsNaN(reloaded);
    const double tolerance = qMax(qAbs(loaded), qAbs(reloaded)) * qPow(10.0, 1 - digits);
    return qAbs(loaded - reloaded) <= tolerance || loaded == reloaded;
}

// What a file keeps of a camera: a period is saved only with an image
// address template and when above 0, and a sector always.
CamListEntry kept(CamListEntry cam)
{
    if (cam.imageUrlTemplate.isEmpty() || cam.imageUpdatePeriod <= 0)
        cam.imageUpdatePeriod = 30;
    cam.hasView = true;
    return cam;
}

void checkSameCamera(const CamListEntry &expected, const CamListEntry &reloaded)
{
    check(expected.name == reloaded.name, "name");
    check(expected.url == reloaded.url, "url");
    check(expected.overlayUrl == reloaded.overlayUrl, "overlay address");
    check(expected.imageUrlTemplate == reloaded.imageUrlTemplate, "image address template");
    check(expected.imageUpdatePeriod == reloaded.imageUpdatePeriod, "image update period");
    check(expected.useTcpRtsp == reloaded.useTcpRtsp, "RTSP over TCP");
    check(expected.type == reloaded.type, "type");
    check(expected.bigPixmapPath == reloaded.bigPixmapPath, "big icon");
    check(expected.smallPixmapPath == reloaded.smallPixmapPath, "small icon");
    check(nearlyEqual(expected.position.x(), reloaded.position.x(), 8), "longitude");
    check(nearlyEqual(expected.position.y(), reloaded.position.y(), 8), "latitude");
    check(nearlyEqual(expected.angle, reloaded.angle, 6), "direction");
    check(expected.hasView == reloaded.hasView, "view sector");
    check(nearlyEqual(expected.viewAngle, reloaded.viewAngle, 6), "view angle");
    check(nearlyEqual(expected.viewRadius, reloaded.viewRadius, 6), "view radius");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    CamListReader reader;
    if (!reader.read(QByteArray(reinterpret_cast<const char *>(data), int(size)))) {
        check(reader.list().cameras.isEmpty(), "cameras left after a failed read");
        check(!reader.errorString().isEmpty(), "failed read without a reason");
        return 0;
    }
    const CamList loaded = reader.list();
    for (const CamListEntry &cam : loaded.cameras) {
        check(qAbs(cam.position.x()) <= 180.0 && qAbs(cam.position.y()) <= 90.0, "position");
        check(!cam.hasView || qIsFinite(cam.viewRadius), "finite view radius");
    }

    const QByteArray saved = CamListWriter::write(loaded);
    CamListReader reloader;
    check(reloader.read(saved), "saved list does not read back");
    const CamList &reloaded = reloader.list();
    check(reloaded.useFfmpeg == loaded.useFfmpeg, "use_ffmpeg");
    check(reloaded.vlcOptions == loaded.vlcOptions, "player options");
    check(reloaded.cameras.size() == loaded.cameras.size(), "number of cameras");
    CamList expected = loaded;
    for (int i = 0; i < loaded.cameras.size(); ++i) {
        expected.cameras[i] = kept(loaded.cameras.at(i));
        checkSameCamera(expected.cameras.at(i), reloaded.cameras.at(i));
    }

    check(CamListWriter::write(reloaded) == CamListWriter::write(expected),
          "saving the reloaded list gives other bytes");
    return 0;
}
