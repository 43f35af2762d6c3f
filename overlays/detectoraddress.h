#ifndef DETECTORADDRESS_H
#define DETECTORADDRESS_H

#include <QCoreApplication>
#include <QString>

/*
 * Where a detector client connects and how it logs in, read from a camera's
 * overlay address. A scheme is not needed: "host:port", as integrators type
 * it, is a TCP address. Whatever is given, the host and a port must be.
 */
class DetectorAddress
{
    Q_DECLARE_TR_FUNCTIONS(DetectorAddress)

public:
    explicit DetectorAddress(const QString &text);

    // Empty when the address can be connected to, else why not.
    QString error() const { return m_error; }
    // Empty when the credentials may go out on a line of their own, else why not.
    QString credentialsError() const;

    QString host() const { return m_host; }
    quint16 port() const { return m_port; }
    QString userName() const { return m_userName; }
    QString password() const { return m_password; }

private:
    QString m_error;
    QString m_host;
    quint16 m_port = 0;
    QString m_userName;
    QString m_password;
};

#endif // DETECTORADDRESS_H
