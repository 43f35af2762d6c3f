#include "overlays/detectoraddress.h"

#include <QUrl>

#include <algorithm>

namespace {

bool hasControlCharacter(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(),
                       [](const QChar c) { return c.category() == QChar::Other_Control; });
}

} // namespace

DetectorAddress::DetectorAddress(const QString &text)
{
    // Without a scheme QUrl reads "127.0.0.1:9101" as a path and
    // "detector:9101" as a scheme and a path, with no host either way.
    QString address = text.trimmed();
    if (!address.contains(QLatin1String("://")))
        address.prepend(QLatin1String("tcp://"));
    const QUrl url(address, QUrl::TolerantMode);
    m_host = url.host(QUrl::FullyDecoded);
    if (!url.isValid() || m_host.isEmpty()) {
        m_error = tr("Invalid detector address");
        return;
    }
    // Nothing listens on port 0, and there is no port a detector has by default.
    if (url.port() <= 0) {
        m_error = tr("No port in detector address");
        return;
    }
    m_port = quint16(url.port());
    m_userName = url.userName(QUrl::FullyDecoded);
    m_password = url.password(QUrl::FullyDecoded);
}

QString DetectorAddress::credentialsError() const
{
    // A line break would end the line early and smuggle in a command.
    if (hasControlCharacter(m_userName) || hasControlCharacter(m_password))
        return tr("Control characters in detector user name or password");
    return QString();
}
