#ifndef IMAGECOLLECTOR_H
#define IMAGECOLLECTOR_H

#include <QColor>
#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QPixmap>

/*
 * Records every overlay image a detector client emits, with the time it
 * came, and answers questions about their pixels.
 */
class ImageCollector : public QObject
{
    Q_OBJECT

public:
    explicit ImageCollector(QObject *client);

    int count() const { return m_images.size(); }
    QImage last() const { return m_images.isEmpty() ? QImage() : m_images.constLast(); }
    QImage at(int index) const { return m_images.at(index); }
    qint64 timeOf(int index) const { return m_times.at(index); }
    // Waits for the next image that is not null.
    QImage waitForOverlay(int timeoutMs = 5000);
    int nonNullCount() const;

    // Whether a pixel of exactly `colour` lies within `radius` of `point`.
    static bool hasColourNear(const QImage &image, const QPoint &point, const QColor &colour,
                              int radius = 2);
    static bool isTransparentAround(const QImage &image, const QRect &area);
    // The error image as the operator should see it, drawn independently.
    static QImage messageImage(const QSize &size, const QString &text);

private slots:
    void record(const QPixmap &img);

private:
    QList<QImage> m_images;
    QList<qint64> m_times;
    QElapsedTimer m_clock;
};

#endif // IMAGECOLLECTOR_H
