#include "items/camstatebadge.h"

#include <QCoreApplication>
#include <QMetaEnum>
#include <QPainter>

QColor CamStateBadge::colour(State state)
{
    switch (state) {
    case CamGraphicsItem::Playing:
        return QColor(46, 160, 67);
    case CamGraphicsItem::Opening:
        return QColor(66, 133, 244);
    case CamGraphicsItem::Stale:
        return QColor(255, 193, 7);
    case CamGraphicsItem::Reconnecting:
        return QColor(255, 112, 0);
    case CamGraphicsItem::Failed:
        return QColor(211, 47, 47);
    case CamGraphicsItem::NoPlayer:
        break;
    }
    return QColor();
}

void CamStateBadge::paint(QPainter *painter, const QRectF &icon, State state)
{
    if (state == CamGraphicsItem::NoPlayer)
        return;
    // Small icons get a dot of half their size, so the icon stays readable.
    const qreal size = qMin<qreal>(10, qMin(icon.width(), icon.height()) / 2);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(Qt::white, 1.5));
    painter->setBrush(colour(state));
    painter->drawEllipse(
        QRectF(icon.right() - size, icon.top(), size, size).adjusted(0.75, 0.75, -0.75, -0.75));
    painter->restore();
}

QString CamStateBadge::text(State state)
{
    // The camera's own words, as hosts have them translated.
    static const char *const texts[] = {"",
                                        QT_TRANSLATE_NOOP("CamGraphicsItem", "opening"),
                                        QT_TRANSLATE_NOOP("CamGraphicsItem", "playing"),
                                        QT_TRANSLATE_NOOP("CamGraphicsItem", "stale"),
                                        QT_TRANSLATE_NOOP("CamGraphicsItem", "reconnecting"),
                                        QT_TRANSLATE_NOOP("CamGraphicsItem", "failed")};
    return state == CamGraphicsItem::NoPlayer
               ? QString()
               : QCoreApplication::translate("CamGraphicsItem", texts[state]);
}

QString CamStateBadge::key(State state)
{
    return state == CamGraphicsItem::NoPlayer
               ? QString()
               : QString::fromLatin1(QMetaEnum::fromType<State>().valueToKey(state)).toLower();
}
