#include "iconfilecache.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QTransform>

#include <iterator>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Beyond this many entries, those no camera holds any more are dropped.
constexpr int MinPruneThreshold = 512;

// What tells one version of a file from another.
struct Version
{
    bool exists = false;
    bool regular = false;
    qint64 size = -1;
    qint64 modified = 0;

    bool operator==(const Version &other) const
    {
        return exists == other.exists && regular == other.regular && size == other.size
               && modified == other.modified;
    }
};

// One stat call: a list may name the same icon for thousands of cameras.
Version versionOf(const QString &path)
{
    Version version;
#ifdef Q_OS_UNIX
    if (!path.startsWith(QLatin1Char(':'))) {
        struct stat status;
        if (::stat(QFile::encodeName(path).constData(), &status) == 0) {
            version.exists = true;
            version.regular = S_ISREG(status.st_mode);
            version.size = status.st_size;
            version.modified = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
        }
        return version;
    }
#endif
    const QFileInfo info(path);
    version.exists = info.exists();
    version.regular = info.isFile();
    version.size = info.size();
    version.modified = info.lastModified().toMSecsSinceEpoch();
    return version;
}

struct Entry
{
    Version version;
    QPixmap pixmap;
    QString error;
};

struct Cache
{
    QHash<QString, Entry> files;
    QHash<QString, QPixmap> turned;
    // Grows with what stays after a pruning, so that thousands of cameras
    // holding their own angles do not make every insertion a full scan.
    int pruneThreshold = MinPruneThreshold;
};

Cache &cache()
{
    static Cache *instance = [] {
        // Pixmaps must go before the application does.
        qAddPostRoutine(IconFileCache::clear);
        return new Cache;
    }();
    return *instance;
}

// A pixmap that only the cache holds.
bool unused(const QPixmap &pixmap)
{
    return pixmap.isNull() || pixmap.isDetached();
}

void prune()
{
    Cache &c = cache();
    if (c.files.size() + c.turned.size() <= c.pruneThreshold)
        return;
    for (auto it = c.files.begin(); it != c.files.end();)
        it = unused(it->pixmap) ? c.files.erase(it) : std::next(it);
    for (auto it = c.turned.begin(); it != c.turned.end();)
        it = unused(it.value()) ? c.turned.erase(it) : std::next(it);
    c.pruneThreshold = qMax(MinPruneThreshold, 2 * (c.files.size() + c.turned.size()));
}

// Opens `path` only when it is a regular file, without waiting for a writer
// should it have become a FIFO since it was looked at.
bool openRegularFile(QFile *file, const QString &path)
{
    // Resources are compiled in: nothing can block there.
    if (path.startsWith(QLatin1Char(':'))) {
        file->setFileName(path);
        return file->open(QIODevice::ReadOnly);
    }
#ifdef Q_OS_UNIX
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)
        || !file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
#else
    file->setFileName(path);
    return QFileInfo(path).isFile() && file->open(QIODevice::ReadOnly);
#endif
}

Entry read(const QString &path, const Version &version)
{
    Entry entry;
    entry.version = version;
    if (version.size > IconFileCache::MaxFileBytes) {
        entry.error = QStringLiteral("larger than %1 bytes").arg(IconFileCache::MaxFileBytes);
        return entry;
    }
    QFile file;
    if (!openRegularFile(&file, path)) {
        entry.error = QStringLiteral("cannot be opened as a regular file");
        return entry;
    }
    QByteArray data = file.read(IconFileCache::MaxFileBytes + 1);
    if (data.size() > IconFileCache::MaxFileBytes) {
        entry.error = QStringLiteral("larger than %1 bytes").arg(IconFileCache::MaxFileBytes);
        return entry;
    }

    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > IconFileCache::MaxSide
        || size.height() > IconFileCache::MaxSide) {
        entry.error = size.isValid()
                          ? QStringLiteral("%1 x %2 pixels, more than %3 a side")
                                .arg(size.width())
                                .arg(size.height())
                                .arg(IconFileCache::MaxSide)
                          : QStringLiteral("no image size: %1").arg(reader.errorString());
        return entry;
    }
    const QImage image = reader.read();
    if (image.isNull() || image.width() > IconFileCache::MaxSide
        || image.height() > IconFileCache::MaxSide) {
        entry.error = QStringLiteral("not decoded: %1").arg(reader.errorString());
        return entry;
    }
    entry.pixmap = QPixmap::fromImage(image);
    return entry;
}

} // namespace

QPixmap IconFileCache::load(const QString &path, QString *error)
{
    const QString key = QFileInfo(path).absoluteFilePath();
    const Version version = versionOf(key);
    if (!version.regular) {
        if (error)
            *error = version.exists ? QStringLiteral("not a regular file")
                                    : QStringLiteral("no such file");
        return QPixmap();
    }
    Cache &c = cache();
    auto it = c.files.find(key);
    if (it == c.files.end() || !(it->version == version)) {
        prune();
        it = c.files.insert(key, read(key, version));
    }
    if (error)
        *error = it->error;
    return it->pixmap;
}

QPixmap IconFileCache::turned(const QPixmap &icon, double angle)
{
    Cache &c = cache();
    const QString key =
        QString::number(icon.cacheKey()) + QLatin1Char('@') + QString::number(angle, 'g', 17);
    auto it = c.turned.find(key);
    if (it == c.turned.end()) {
        prune();
        it = c.turned.insert(key,
                             icon.transformed(QTransform().rotate(angle), Qt::FastTransformation));
    }
    return it.value();
}

void IconFileCache::clear()
{
    Cache &c = cache();
    c.files.clear();
    c.turned.clear();
    c.pruneThreshold = MinPruneThreshold;
}
