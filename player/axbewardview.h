#ifndef AXBEWARDVIEW_H
#define AXBEWARDVIEW_H

#include "player/bewardview.h"

#include <QAxWidget>

// The maker's ActiveX view control hosted through the ActiveQt container.
class AxBewardView : public QAxWidget, public BewardView
{
public:
    // Null when the control is not installed.
    static AxBewardView *create(QWidget *parent);

    QWidget *widget() override { return this; }
    void setUserName(const QString &userName) override;
    void setUserPswd(const QString &password) override;
    void setPort(int port) override;
    void setURL(const QString &host) override;
    void controlImageSize(int mode) override;
    void startView() override;

private:
    explicit AxBewardView(QWidget *parent);
};

#endif // AXBEWARDVIEW_H
