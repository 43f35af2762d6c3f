#ifndef PICTURENOTES_H
#define PICTURENOTES_H

#include <QColor>
#include <QStringList>

class QPainter;
class QRect;

/*
 * How the live player's notes to the operator look over its picture,
 * besides the two status lines: the badge of a picture that stopped
 * changing, the stream's statistics and the word on a still. Each is sized
 * from the picture, so that it reads on a small player on the map and on a
 * large one on a wall alike.
 */
namespace PictureNotes {

// The badge's frame and text.
const QColor StaleColour(255, 193, 7);

// One status line across the top fifth of the picture, as large as its
// length allows.
void drawStatusLine(QPainter *painter, const QRect &picture, const QString &text,
                    const QColor &colour);
// Across the middle of the picture, where it cannot be missed.
void drawStaleBadge(QPainter *painter, const QRect &picture, const QString &text);
// In the top left corner, below the band of the status lines.
void drawStatistics(QPainter *painter, const QRect &picture, const QStringList &lines);
// Along the bottom edge.
void drawNotice(QPainter *painter, const QRect &picture, const QString &text, bool failed);

} // namespace PictureNotes

#endif // PICTURENOTES_H
