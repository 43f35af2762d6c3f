// Saving a layer of cameras with sectors, against a bare DOM serialisation
// of the same list to a file. The count is the first argument: 10,000 (a
// town, the default) or up to 500,000 (a country).
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
    const int count = BenchSupport::countArgument(argc, argv, BenchSupport::CameraCount);
    if (count == 0) {
        std::fprintf(stderr, "usage: %s [cameras, 1 to 500000]\n", argv[0]);
        return 2;
    }
    QTemporaryDir dir;
    const QString file = BenchSupport::writeCameraList(dir, count);
    if (file.isEmpty())
        return 2;
    const int runs = count > BenchSupport::CameraCount ? 3 : 7;

    QDomDocument document;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly) || !document.setContent(&in))
        return 2;
    const QString domFile = dir.filePath(QStringLiteral("dom.xml"));
    const double dom = BenchSupport::medianMs(runs, [&] {
        QFile target(domFile);
        target.open(QIODevice::WriteOnly | QIODevice::Truncate);
        QTextStream stream(&target);
        stream.setCodec("UTF-8");
        document.save(stream, 4);
    });
    document.clear();

    WorkstationWindow window;
    OstrelPlugin plugin;
    if (!plugin.loadVlcCamList(file))
        return 2;
    const QString saved = dir.filePath(QStringLiteral("saved.xml"));
    const double save = BenchSupport::medianMs(runs, [&] { plugin.saveVlcCamList(saved); });
    if (!plugin.lastError().isEmpty()) {
        std::fprintf(stderr, "save failed: %s\n", qPrintable(plugin.lastError()));
        return 2;
    }
    const QByteArray what =
        QByteArray("save ") + QByteArray::number(count) + " cameras (with backup)";
    return BenchSupport::report(what, save, "QDomDocument serialise to file", dom, 3.0);
}
