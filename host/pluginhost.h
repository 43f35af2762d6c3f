#ifndef PLUGINHOST_H
#define PLUGINHOST_H

#include <QObject>
#include <QPluginLoader>
#include <QString>

// Loads the camera layer plug-in and checks that it is the one we expect. The
// host knows the plug-in only by its interface identifier and class name.
class PluginHost
{
public:
    static QString interfaceId();
    static QString defaultPluginPath();

    bool load(const QString &fileName);
    QObject *instance() const { return m_instance; }
    QString errorString() const { return m_error; }
    QString fileName() const { return m_loader.fileName(); }

private:
    QPluginLoader m_loader;
    QObject *m_instance = nullptr;
    QString m_error;
};

#endif // PLUGINHOST_H
