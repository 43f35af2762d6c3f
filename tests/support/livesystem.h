#ifndef LIVESYSTEM_H
#define LIVESYSTEM_H

#include "items/camgraphicsitem.h"
#include "plugin/ostrelplugin.h"

#include "testsupport.h"
#include "workstationwindow.h"

#include <QTemporaryDir>

#include <memory>

/*
 * The workstation with the plug-in, as an operator has them, for tests that
 * link the plug-in's layer: the host's window, shown when a test asks, and a
 * camera list loaded by the plug-in itself or opened through the host. The
 * plug-in goes before the window, as in the host; a test may end either
 * earlier by resetting it.
 */
class LiveSystem
{
public:
    ~LiveSystem()
    {
        plugin.reset();
        window.reset();
    }

    bool show(int zoom = 15, const QSize &size = QSize(900, 600))
    {
        return TestSupport::showWorkstation(window.get(), zoom, size);
    }
    bool load(const TestSupport::CamListBuilder &list)
    {
        return list.write(listFile()) && plugin->loadVlcCamList(listFile());
    }
    bool open(const TestSupport::CamListBuilder &list)
    {
        window->setPlugin(plugin.get());
        return list.write(listFile()) && window->openList(listFile());
    }
    QString listFile() const { return m_dir.filePath(QStringLiteral("cameras.xml")); }
    CamGraphicsItem *camera(const QString &name) const
    {
        for (CamGraphicsItem *cam : plugin->cameras()) {
            if (cam->toolTip() == name)
                return cam;
        }
        return nullptr;
    }

    std::unique_ptr<WorkstationWindow> window = std::make_unique<WorkstationWindow>();
    std::unique_ptr<OstrelPlugin> plugin = std::make_unique<OstrelPlugin>();

private:
    QTemporaryDir m_dir;
};

#endif // LIVESYSTEM_H
