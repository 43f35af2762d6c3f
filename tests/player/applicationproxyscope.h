#ifndef APPLICATIONPROXYSCOPE_H
#define APPLICATIONPROXYSCOPE_H

#include <QNetworkProxy>

// Sets the application-wide proxy for the lifetime of a test case and puts
// the previous one back, so that no later case inherits it.
class ApplicationProxyScope
{
public:
    explicit ApplicationProxyScope(const QNetworkProxy &proxy)
        : m_previous(QNetworkProxy::applicationProxy())
    {
        QNetworkProxy::setApplicationProxy(proxy);
    }
    ~ApplicationProxyScope() { QNetworkProxy::setApplicationProxy(m_previous); }
    ApplicationProxyScope(const ApplicationProxyScope &) = delete;
    ApplicationProxyScope &operator=(const ApplicationProxyScope &) = delete;

private:
    const QNetworkProxy m_previous;
};

#endif // APPLICATIONPROXYSCOPE_H
