#include "camiconset.h"

#include "items/iconfilecache.h"

#include <QDir>
#include <QPixmapCache>
#include <QTransform>
#include <QtMath>

namespace {

// Built-in icons by type code; codes other than 2 and 3 look like code 1.
// A list holds thousands of cameras, so the icons, turned ones included, are
// shared through the pixmap cache rather than loaded and turned per camera.
QPixmap builtinIcon(int type, bool directional, double angle)
{
    static constexpr const char *paths[2][3] = {
        {":/resources/camera.png", ":/resources/camera_2.png", ":/resources/camera_3.png"},
        {":/resources/video_camera.png", ":/resources/video_camera_2.png",
         ":/resources/video_camera_3.png"},
    };
    const QString path =
        QString::fromLatin1(paths[directional ? 1 : 0][(type == 2 || type == 3) ? type - 1 : 0]);
    const QString key =
        directional ? path + QLatin1Char('@') + QString::number(angle, 'g', 17) : path;
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap)) {
        pixmap.load(path);
        if (directional)
            pixmap = pixmap.transformed(QTransform().rotate(angle), Qt::FastTransformation);
        QPixmapCache::insert(key, pixmap);
    }
    return pixmap;
}

} // namespace

void CamIconSet::build(int type, double angle)
{
    set(0, make(type, false, angle));
    set(1, make(type, !qIsNaN(angle), angle));
}

void CamIconSet::turn(int type, double angle)
{
    set(1, make(type, !qIsNaN(angle), angle));
}

void CamIconSet::set(int index, const QPixmap &pixmap)
{
    m_icons[index] = pixmap;
    m_rects[index] =
        QRectF(pixmap.rect()).translated(-pixmap.width() / 2.0, -pixmap.height() / 2.0);
}

QString CamIconSet::file(const QString &path) const
{
    return m_directory.isEmpty() ? path : QDir(m_directory).absoluteFilePath(path);
}

QPixmap CamIconSet::make(int type, bool directional, double angle) const
{
    // A list entry may name only the big custom icon; it then stands for both.
    const QString &custom = directional && !m_smallPath.isEmpty() ? m_smallPath : m_bigPath;
    if (!custom.isEmpty()) {
        const QPixmap pixmap = IconFileCache::load(file(custom));
        if (!pixmap.isNull())
            return pixmap;
    }
    return builtinIcon(type, directional, angle);
}

QString CamIconSet::setFiles(const QString &big, const QString &small, const QString &directory,
                             int type, double angle)
{
    m_bigPath = big;
    m_smallPath = small;
    m_directory = directory;

    QString error;
    QPixmap bigPixmap;
    QPixmap smallPixmap;
    if (!big.isEmpty())
        bigPixmap = IconFileCache::load(file(big), &error);
    if (error.isEmpty() && !small.isEmpty())
        smallPixmap = IconFileCache::load(file(small), &error);
    if (!error.isEmpty())
        return error;

    // A path left empty takes the built-in icon; a small icon alone serves
    // as the turned one.
    set(0, bigPixmap.isNull() ? make(type, false, angle) : bigPixmap);
    const QPixmap directional = smallPixmap.isNull() ? bigPixmap : smallPixmap;
    if (directional.isNull())
        set(1, make(type, !qIsNaN(angle), angle));
    else
        set(1, qIsNaN(angle) ? directional : IconFileCache::turned(directional, angle));
    return QString();
}
