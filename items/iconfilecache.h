#ifndef ICONFILECACHE_H
#define ICONFILECACHE_H

#include <QPixmap>
#include <QString>

/*
 * Custom camera icons read from files, shared by every camera that names
 * the same file: a list of thousands of cameras decodes each file once, and
 * turns it once per angle.
 *
 * A file is hostile until checked: only a regular file within MaxFileBytes
 * is read (a FIFO or a device would block or never end), and only an image
 * whose header gives at most MaxSide pixels a side is decoded, so that a few
 * kilobytes cannot expand into gigabytes.
 *
 * GUI thread only.
 */
class IconFileCache
{
public:
    static constexpr int MaxSide = 256;
    static constexpr qint64 MaxFileBytes = 1024 * 1024;

    // The image in `path`, decoded once per version of the file (its size
    // and modification time). A null pixmap when the file cannot be taken,
    // with the reason in `error`.
    static QPixmap load(const QString &path, QString *error = nullptr);
    // `icon` turned by `angle` degrees (clockwise on screen, fast
    // transformation), made once per icon and angle.
    static QPixmap turned(const QPixmap &icon, double angle);
    // Forgets every icon; cameras keep the pixmaps they hold.
    static void clear();
};

#endif // ICONFILECACHE_H
