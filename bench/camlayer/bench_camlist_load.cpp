// Loading a list of 10,000 cameras with sectors into the layer, against a bare
// DOM parse of the same file.
#include "benchsupport.h"

#include "plugin/ostrelplugin.h"
#include "workstationwindow.h"

#include <QApplication>
#include <QDomDocument>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString file = BenchSupport::writeCameraList(dir);
    if (file.isEmpty())
        return 2;

    const double dom = BenchSupport::medianMs(7, [&file] {
        QFile in(file);
        in.open(QIODevice::ReadOnly);
        QDomDocument document;
        document.setContent(&in);
    });

    WorkstationWindow window;
    OstrelPlugin plugin;
    bool ok = true;
    // The host's event loop runs between loads, as it would at a workstation.
    const double load = BenchSupport::medianMs(
        7, [&] { ok = plugin.loadVlcCamList(file) && ok; },
        [&plugin] {
            QApplication::processEvents();
            plugin.clearCams();
            QApplication::processEvents();
        });
    if (!ok || plugin.cameras().size() != BenchSupport::CameraCount) {
        std::fprintf(stderr, "load failed: %s\n", qPrintable(plugin.lastError()));
        return 2;
    }
    return BenchSupport::report("load 10,000 cameras", load, "QDomDocument parse", dom, 3.0);
}
