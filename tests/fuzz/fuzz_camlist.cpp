// Arbitrary file contents into the camera list reader. A list it accepts is
// saved and read back: the reload must give the same cameras, as far as the
// file format keeps them, with nothing to report, and saving the reloaded
// list must give the same bytes as saving what the format keeps of the
// first. The same bytes, taken as numbers, are positions, angles and radii
// that the plug-in would let into a camera: a list holding them must read
// back whole.

#include "fuzzinput.h"
#include "plugin/camlistreader.h"
#include "plugin/camlistwriter.h"

#include <QtMath>

#include <cstring>

namespace {

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

// Cameras made of the input's bytes, as the plug-in would let them in: a
// position, an angle and a view sector each only when the checks at the
// plug-in's entry points take them.
void checkNumbersReadBack(const uint8_t *data, size_t size)
{
    constexpr size_t Chunk = 4 * sizeof(double);
    CamList list;
    for (size_t at = 0; at + Chunk <= size && list.cameras.size() < 64; at += Chunk) {
        double value[4];
        std::memcpy(value, data + at, sizeof value);
        CamListEntry cam;
        cam.position = QPointF(value[0], value[1]);
        if (!CamListEntry::isValidPosition(cam.position))
            continue;
        if (CamListEntry::isStorableNumber(value[2]))
            cam.angle = value[2];
        if (CamListEntry::isStorableNumber(value[3]))
            cam.viewAngle = value[3];
        if (CamListEntry::isValidViewRadius(value[3]))
            cam.viewRadius = value[3];
        cam.hasView = true;
        list.cameras.append(cam);
    }
    if (list.cameras.isEmpty())
        return;

    CamListReader reader;
    check(reader.read(CamListWriter::write(list)), "a list of numbers let in does not read");
    const CamList &reloaded = reader.list();
    check(reloaded.warnings.isEmpty(), "numbers let in are reported on reading");
    check(reloaded.cameras.size() == list.cameras.size(), "numbers let in lose a camera");
    for (int i = 0; i < list.cameras.size(); ++i) {
        // Read in single precision: within its precision, and denormals
        // and smaller values become 0.
        const CamListEntry &expected = list.cameras.at(i);
        const CamListEntry &actual = reloaded.cameras.at(i);
        const auto same = [](double written, double read) {
            return nearlyEqual(written, read, 6) || qAbs(written) < 1e-37;
        };
        check(same(expected.position.x(), actual.position.x()), "longitude let in");
        check(same(expected.position.y(), actual.position.y()), "latitude let in");
        check(same(expected.angle, actual.angle), "angle let in");
        check(same(expected.viewAngle, actual.viewAngle), "view angle let in");
        check(same(expected.viewRadius, actual.viewRadius), "view radius let in");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    checkNumbersReadBack(data, size);

    CamListReader reader;
    if (!reader.read(QByteArray(reinterpret_cast<const char *>(data), int(size)))) {
        check(reader.list().cameras.isEmpty(), "cameras left after a failed read");
        check(!reader.errorString().isEmpty(), "failed read without a reason");
        return 0;
    }
    const CamList loaded = reader.list();
    for (const CamListEntry &cam : loaded.cameras) {
        check(CamListEntry::isValidPosition(cam.position), "position");
        check(!cam.hasView || CamListEntry::isValidViewRadius(cam.viewRadius), "view radius");
    }
    check(loaded.skipped == 0 || !loaded.warnings.isEmpty(), "entries skipped without a word");
    check(loaded.warnings.size() <= CamListReader::MaxWarnings + 1, "warnings beyond the limit");

    const QByteArray saved = CamListWriter::write(loaded);
    CamListReader reloader;
    check(reloader.read(saved), "saved list does not read back");
    const CamList &reloaded = reloader.list();
    check(reloaded.warnings.isEmpty(), "a saved list reads back with warnings");
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
