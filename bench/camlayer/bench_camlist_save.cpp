// Saving a layer of 10,000 cameras with sectors, against a bare DOM
// serialisation of the same list to a file.
#include "benchsupport.h"

#include "plugin/ostrelplugin.h"
#include "workstationwindow.h"

#include <QApplication>
#include <QDomDocument>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString file = BenchSupport::writeCameraList(dir);
    if (file.isEmpty())
        return 2;

    QDomDocument document;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly) || !document.setContent(&in))
        return 2;
    const QString domFile = dir.filePath(QStringLiteral("dom.xml"));
    const double dom = BenchSupport::medianMs(7, [&] {
        QFile target(domFile);
        target.open(QIODevice::WriteOnly | QIODevice::Truncate);
        QTextStream stream(&target);
        stream.setCodec("UTF-8");
        document.save(stream, 4);
    });

    WorkstationWindow window;
    OstrelPlugin plugin;
    if (!plugin.loadVlcCamList(file))
        return 2;
    const QString saved = dir.filePath(QStringLiteral("saved.xml"));
    const double save = BenchSupport::medianMs(7, [&] { plugin.saveVlcCamList(saved); });
    if (!plugin.lastError().isEmpty()) {
        std::fprintf(stderr, "save failed: %s\n", qPrintable(plugin.lastError()));
        return 2;
    }
    return BenchSupport::report(
        "save 10,000 cameras (with backup)", save, "QDomDocument serialise to file", dom, 3.0);
}
