#include "pluginhost.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonObject>

QString PluginHost::interfaceId()
{
    return QStringLiteral("org.trafficdesk.varka.OstrelModule");
}

QString PluginHost::defaultPluginPath()
{
    // Installed layout first (bin/ beside lib/ostrel), then the build tree.
    const QString appDir = QCoreApplication::applicationDirPath();
    const QStringList candidates = {
        appDir + QStringLiteral("/../" OSTREL_PLUGIN_INSTALL_DIR "/libostrelplugin.so"),
        appDir + QStringLiteral("/" OSTREL_BUILD_PLUGIN_FILE),
    };
    for (const QString &candidate : candidates) {
        if (QFileInfo::exists(candidate))
            return QDir::cleanPath(candidate);
    }
    return candidates.last();
}

bool PluginHost::load(const QString &fileName)
{
    m_loader.setFileName(fileName);
    const QJsonObject meta = m_loader.metaData();
    if (meta.isEmpty()) {
        m_error = QCoreApplication::translate("PluginHost", "%1 is not a plug-in").arg(fileName);
        return false;
    }
    if (meta.value(QStringLiteral("IID")).toString() != interfaceId()
        || meta.value(QStringLiteral("className")).toString() != QLatin1String("OstrelPlugin")) {
        m_error = QCoreApplication::translate("PluginHost", "%1 is not the camera layer plug-in")
                      .arg(fileName);
        return false;
    }
    m_instance = m_loader.instance();
    if (!m_instance) {
        m_error = m_loader.errorString();
        return false;
    }
    return true;
}
