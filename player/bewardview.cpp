#include "player/bewardview.h"

#include <QUrl>

BewardView::~BewardView() = default;

void BewardView::prepare(const QUrl &address)
{
    setUserName(address.userName(QUrl::FullyDecoded));
    setUserPswd(address.password(QUrl::FullyDecoded));
    setPort(address.port(-1));
    setURL(address.host(QUrl::FullyDecoded));
    controlImageSize(1);
}
