#ifndef CAMICONSET_H
#define CAMICONSET_H

#include <QPixmap>
#include <QRectF>
#include <QString>

/*
 * A camera's two icons with their rectangles centred on the camera: icon 0
 * the plain camera, icon 1 the camcorder turned to the camera's direction.
 * Built-in icons go by the camera's type code; custom icon files, when
 * given, take their place.
 */
class CamIconSet
{
public:
    // Both icons for a camera of `type` looking at `angle` (NaN: no direction).
    void build(int type, double angle);
    // Icon 1 anew, after the camera turned to `angle`.
    void turn(int type, double angle);
    // Custom icons from `big` and `small`, relative paths read in
    // `directory` (the working directory when empty). Either may be empty;
    // an empty `small` makes `big` serve for both. The paths are kept even
    // when a file cannot be loaded; the icons are not changed then, and
    // the reason is returned (null on success).
    QString setFiles(const QString &big, const QString &small, const QString &directory, int type,
                     double angle);

    const QPixmap &icon(int index) const { return m_icons[index]; }
    const QRectF &rect(int index) const { return m_rects[index]; }
    QString bigPath() const { return m_bigPath; }
    QString smallPath() const { return m_smallPath; }

private:
    QPixmap make(int type, bool directional, double angle) const;
    QString file(const QString &path) const;
    void set(int index, const QPixmap &pixmap);

    QPixmap m_icons[2];
    QRectF m_rects[2];
    QString m_bigPath;
    QString m_smallPath;
    QString m_directory;
};

#endif // CAMICONSET_H
