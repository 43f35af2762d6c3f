#ifndef BEWARDVIEW_H
#define BEWARDVIEW_H

#include <QString>

class QUrl;
class QWidget;

/*
 * The camera maker's video view control as the player drives it. The
 * control itself exists only as a Windows ActiveX component; the player
 * knows it through this interface and BewardViewFactory.
 */
class BewardView
{
public:
    virtual ~BewardView();

    // The widget the control draws into; it belongs to its parent widget.
    virtual QWidget *widget() = 0;

    virtual void setUserName(const QString &userName) = 0;
    virtual void setUserPswd(const QString &password) = 0;
    virtual void setPort(int port) = 0;
    virtual void setURL(const QString &host) = 0;
    virtual void controlImageSize(int mode) = 0;
    virtual void startView() = 0;

    // Hands the address's user, password, port (-1 when none) and host to
    // the control and lets it scale its picture; startView() follows once
    // the widget has been laid out.
    void prepare(const QUrl &address);
};

#endif // BEWARDVIEW_H
