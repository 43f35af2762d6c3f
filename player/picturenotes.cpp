#include "player/picturenotes.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRect>

namespace PictureNotes {

void drawStatusLine(QPainter *painter, const QRect &picture, const QString &text,
                    const QColor &colour)
{
    if (text.isEmpty())
        return;
    QRect band = picture;
    band.setHeight(picture.height() * 2 / 10);
    QFont font = painter->font();
    font.setPixelSize(qMax(1, band.width() / int(text.size())));
    painter->setFont(font);
    painter->setPen(colour);
    painter->drawText(band, Qt::AlignCenter, text);
}

void drawStaleBadge(QPainter *painter, const QRect &picture, const QString &text)
{
    if (text.isEmpty() || picture.isEmpty())
        return;
    QFont font = painter->font();
    font.setBold(true);
    font.setPixelSize(qBound(8, picture.height() / 12, 28));
    int width = QFontMetrics(font).horizontalAdvance(text);
    const int room = picture.width() * 9 / 10;
    if (width > room && width > 0) {
        font.setPixelSize(qMax(6, font.pixelSize() * room / width));
        width = QFontMetrics(font).horizontalAdvance(text);
    }
    const int pad = qMax(2, font.pixelSize() / 2);
    QRect box(0, 0, width + 2 * pad, QFontMetrics(font).height() + pad);
    box.moveCenter(picture.center());

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(StaleColour, 2));
    painter->setBrush(QColor(0, 0, 0, 210));
    painter->drawRoundedRect(box, pad, pad);
    painter->setFont(font);
    painter->drawText(box, Qt::AlignCenter, text);
    painter->restore();
}

void drawStatistics(QPainter *painter, const QRect &picture, const QStringList &lines)
{
    if (lines.isEmpty() || picture.isEmpty())
        return;
    QFont font = painter->font();
    font.setPixelSize(qBound(8, picture.height() / 24, 16));
    const QFontMetrics metrics(font);
    int width = 0;
    for (const QString &line : lines)
        width = qMax(width, metrics.horizontalAdvance(line));
    const int pad = qMax(2, font.pixelSize() / 3);
    const QRect box(picture.left() + pad, picture.top() + picture.height() * 2 / 10,
                    width + 2 * pad, int(lines.size()) * metrics.lineSpacing() + 2 * pad);

    painter->save();
    painter->setClipRect(picture);
    painter->setPen(Qt::NoPen);
    painter->setBrush(QColor(0, 0, 0, 160));
    painter->drawRect(box);
    painter->setFont(font);
    painter->setPen(Qt::white);
    painter->drawText(box.adjusted(pad, pad, -pad, -pad), Qt::AlignLeft | Qt::AlignTop,
                      lines.join(QLatin1Char('\n')));
    painter->restore();
}

void drawNotice(QPainter *painter, const QRect &picture, const QString &text, bool failed)
{
    if (text.isEmpty() || picture.isEmpty())
        return;
    QFont font = painter->font();
    font.setPixelSize(qBound(8, picture.height() / 24, 16));
    const QFontMetrics metrics(font);
    const int pad = qMax(2, font.pixelSize() / 3);
    QRect band = picture;
    band.setTop(picture.bottom() - metrics.height() - 2 * pad);

    painter->save();
    painter->setClipRect(picture);
    painter->setPen(Qt::NoPen);
    painter->setBrush(QColor(0, 0, 0, 170));
    painter->drawRect(band);
    painter->setFont(font);
    painter->setPen(failed ? QColor(255, 110, 110) : QColor(Qt::white));
    painter->drawText(band.adjusted(pad, 0, -pad, 0), Qt::AlignVCenter | Qt::AlignLeft,
                      metrics.elidedText(text, Qt::ElideMiddle, band.width() - 2 * pad));
    painter->restore();
}

} // namespace PictureNotes
