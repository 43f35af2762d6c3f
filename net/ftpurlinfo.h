#ifndef FTPURLINFO_H
#define FTPURLINFO_H

#include <QDateTime>
#include <QMetaType>
#include <QString>

class QDebug;

/*
 * One entry of an FTP directory listing: its name, kind, size, time and
 * owner as far as the server's listing tells them.
 */
class FtpUrlInfo
{
public:
    enum PermissionSpec {
        ReadOwner = 00400,
        WriteOwner = 00200,
        ExeOwner = 00100,
        ReadGroup = 00040,
        WriteGroup = 00020,
        ExeGroup = 00010,
        ReadOther = 00004,
        WriteOther = 00002,
        ExeOther = 00001
    };

    enum Kind { Other, File, Dir, SymLink };

    FtpUrlInfo() = default;

    bool isValid() const { return !m_name.isEmpty(); }
    QString name() const { return m_name; }
    void setName(const QString &name) { m_name = name; }

    Kind kind() const { return m_kind; }
    void setKind(Kind kind) { m_kind = kind; }
    bool isFile() const { return m_kind == File; }
    bool isDir() const { return m_kind == Dir; }
    bool isSymLink() const { return m_kind == SymLink; }

    qint64 size() const { return m_size; }
    void setSize(qint64 size) { m_size = size; }
    QDateTime lastModified() const { return m_lastModified; }
    void setLastModified(const QDateTime &time) { m_lastModified = time; }
    QString owner() const { return m_owner; }
    void setOwner(const QString &owner) { m_owner = owner; }
    QString group() const { return m_group; }
    void setGroup(const QString &group) { m_group = group; }
    // PermissionSpec bits; -1 when the listing gives none.
    int permissions() const { return m_permissions; }
    void setPermissions(int permissions) { m_permissions = permissions; }

    bool operator==(const FtpUrlInfo &other) const;
    bool operator!=(const FtpUrlInfo &other) const { return !(*this == other); }

private:
    QString m_name;
    Kind m_kind = Other;
    qint64 m_size = 0;
    QDateTime m_lastModified;
    QString m_owner;
    QString m_group;
    int m_permissions = -1;
};

QDebug operator<<(QDebug debug, const FtpUrlInfo &info);

Q_DECLARE_METATYPE(FtpUrlInfo)

#endif // FTPURLINFO_H
