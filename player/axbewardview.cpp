#include "player/axbewardview.h"

AxBewardView::AxBewardView(QWidget *parent)
    : QAxWidget(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
}

AxBewardView *AxBewardView::create(QWidget *parent)
{
    auto *view = new AxBewardView(parent);
    if (!view->setControl(QStringLiteral("{08353A15-031B-4FE1-9BF5-5B4F721BA61A}"))) {
        delete view;
        return nullptr;
    }
    return view;
}

void AxBewardView::setUserName(const QString &userName)
{
    dynamicCall("SetUserName", userName);
}

void AxBewardView::setUserPswd(const QString &password)
{
    dynamicCall("SetUserPswd", password);
}

void AxBewardView::setPort(int port)
{
    dynamicCall("SetPort", port);
}

void AxBewardView::setURL(const QString &host)
{
    dynamicCall("SetURL", host);
}

void AxBewardView::controlImageSize(int mode)
{
    dynamicCall("ControlImageSize(int)", mode);
}

void AxBewardView::startView()
{
    dynamicCall("StartView()");
}
