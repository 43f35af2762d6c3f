#include "ftpurlinfo.h"

#include <QDebug>

bool FtpUrlInfo::operator==(const FtpUrlInfo &other) const
{
    return m_name == other.m_name && m_kind == other.m_kind && m_size == other.m_size
           && m_lastModified == other.m_lastModified && m_owner == other.m_owner
           && m_group == other.m_group && m_permissions == other.m_permissions;
}

QDebug operator<<(QDebug debug, const FtpUrlInfo &info)
{
    static const char *const kinds[] = {"other", "file", "dir", "link"};
    QDebugStateSaver saver(debug);
    debug.nospace() << "FtpUrlInfo(" << info.name() << ", " << kinds[info.kind()] << ", "
                    << info.size() << ", " << info.lastModified() << ')';
    return debug;
}
