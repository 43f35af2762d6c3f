// Loading a list of cameras with sectors into the layer, against a bare DOM
// parse of the same file; clearing the layer, destroying the plug-in, and
// the memory each camera takes. The count is the first argument: 10,000
// (a town, the default) or up to 500,000 (a country).
#include "benchsupport.h"

#include "plugin/ostrelplugin.h"
#include "workstationwindow.h"

#include <QApplication>
#include <QDomDocument>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int count = BenchSupport::countArgument(argc, argv, BenchSupport::CameraCount);
    if (count == 0) {
        std::fprintf(stderr, "usage: %s [cameras, 1 to 500000]\n", argv[0]);
        return 2;
    }
    QTemporaryDir dir;
    const QString file = BenchSupport::writeCameraList(dir, count);
    if (file.isEmpty())
        return 2;
    // Large lists take seconds a run: fewer runs, still a median.
    const int runs = count > BenchSupport::CameraCount ? 3 : 7;

    const double dom = BenchSupport::medianMs(runs, [&file] {
        QFile in(file);
        in.open(QIODevice::ReadOnly);
        QDomDocument document;
        document.setContent(&in);
    });

    WorkstationWindow window;
    auto plugin = std::make_unique<OstrelPlugin>();
    QApplication::processEvents();
    const qint64 heapBefore = BenchSupport::heapInUse();
    bool ok = true;
    // The host's event loop runs between loads, as it would at a workstation.
    const double load = BenchSupport::medianMs(
        runs, [&] { ok = plugin->loadVlcCamList(file) && ok; },
        [&plugin] {
            QApplication::processEvents();
            plugin->clearCams();
            QApplication::processEvents();
        });
    QApplication::processEvents();
    const qint64 heapAfter = BenchSupport::heapInUse();
    if (!ok || plugin->cameras().size() != count) {
        std::fprintf(stderr, "load failed: %s\n", qPrintable(plugin->lastError()));
        return 2;
    }

    const QByteArray what = QByteArray("load ") + QByteArray::number(count) + " cameras";
    int status = BenchSupport::report(what, load, "QDomDocument parse", dom, 3.0);
    std::printf("heap per camera                              %9.0f bytes\n",
                double(heapAfter - heapBefore) / count);

    const double clear = BenchSupport::medianMs(
        runs, [&plugin] { plugin->clearCams(); },
        [&] {
            plugin->loadVlcCamList(file);
            QApplication::processEvents();
        });
    status |= BenchSupport::reportWithin("clearCams", clear, 1000, "QDomDocument parse", dom);

    // A host that loads again before its event loop runs: the scene still
    // holds the cameras it has not yet prepared for drawing.
    plugin->clearCams();
    QApplication::processEvents();
    plugin->loadVlcCamList(file);
    QElapsedTimer timer;
    timer.start();
    plugin->loadVlcCamList(file);
    const double reload = timer.nsecsElapsed() / 1e6;
    status |= BenchSupport::report("load again at once", reload, "QDomDocument parse", dom, 3.0);

    QApplication::processEvents();
    timer.start();
    plugin.reset();
    status |= BenchSupport::reportWithin("destroy the plug-in", timer.nsecsElapsed() / 1e6, 1000,
                                         "QDomDocument parse", dom);
    return status;
}
