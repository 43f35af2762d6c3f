#ifndef PICTUREVIEW_H
#define PICTUREVIEW_H

#include "player/zoomcontrol.h"

#include <QObject>
#include <QPixmap>
#include <QRect>
#include <QSize>

#include <functional>
#include <memory>

class FrameHandOver;
class QPainter;
class QWidget;

/*
 * The live player's picture on the widget it is painted on: fitted into the
 * widget with its aspect ratio kept, centred where space is left, drawn
 * from the stream's frame hand-over with the detector overlay stretched
 * over it, and zoomed as the operator drives it (ZoomControl). Pictures are
 * converted straight to the size they are shown at, zoom included, and the
 * overlay is asked for at that size. What the player writes over the
 * picture it draws itself, after the picture.
 */
class PictureView : public QObject
{
    Q_OBJECT

public:
    using NotesPainter = std::function<void(QPainter *painter, const QRect &picture)>;

    PictureView(QWidget *widget, NotesPainter notes, QObject *parent);

    // Starts painting on the widget and taking its zoom gestures.
    void show(std::shared_ptr<FrameHandOver> frames, const QSize &pixels);
    // Where the picture is painted, in the widget's coordinates.
    QRect rect() const { return m_rect; }
    int aspectPercent() const { return m_aspectPercent; }
    void setAspectPercent(int percent) { m_aspectPercent = percent; }
    const ZoomGeometry &zoom() const { return m_zoom.geometry(); }
    void zoomBy(double factor);
    void resetZoom();
    void setOverlay(const QPixmap &overlay);
    // Fits the picture into the widget anew.
    void fit();

signals:
    // The picture, and so the overlay stretched over it, is now shown at
    // this size.
    void overlaySizeChanged(const QSize &size);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void paint();
    void zoomChanged();

    QWidget *const m_widget;
    const NotesPainter m_notes;
    std::shared_ptr<FrameHandOver> m_frames;
    ZoomControl m_zoom;
    // The stream's own size, beyond which zooming converts no larger.
    QSize m_pixels;
    QPixmap m_overlay;
    QRect m_rect;
    int m_aspectPercent = 100;
    QSize m_overlaySize {0, 0};
};

#endif // PICTUREVIEW_H
