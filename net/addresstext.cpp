#include "addresstext.h"

#include <QUrl>

QString AddressText::withoutUserInfo(const QString &address)
{
    const int separator = address.indexOf(QLatin1String("://"));
    const int start = separator < 0 ? 0 : separator + 3;
    const int at = address.lastIndexOf(QLatin1Char('@'));
    const QString stripped = at < start ? address : address.left(start) + address.midRef(at + 1);
    // Shown as the URL parser writes it where it can read it.
    const QUrl url(stripped, QUrl::TolerantMode);
    return url.isValid() ? url.toString() : stripped;
}
