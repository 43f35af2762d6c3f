#ifndef STREAMADDRESS_H
#define STREAMADDRESS_H

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

/*
 * What a camera address may make the media library open. A camera list is
 * hostile input: an address must not read local devices, pipes or other
 * files through the library's many pseudo-protocols, nor make the
 * workstation listen for connections. Allowed are the network protocols
 * cameras use, as clients, and plain paths of regular local files.
 *
 * check() decides from the text alone, except that a local path is looked
 * up to see whether it names a regular file.
 */
class StreamAddress
{
    Q_DECLARE_TR_FUNCTIONS(StreamAddress)

public:
    enum Kind { Refused, Network, LocalFile };

    static StreamAddress check(const QString &address);

    // The port a scheme's clients connect to when an address gives none;
    // 80 for schemes without a port of their own.
    static int defaultPort(const QString &scheme);

    Kind kind() const { return m_kind; }
    bool isAllowed() const { return m_kind != Refused; }
    // Why the address is refused; it never repeats the address, which may
    // hold a password.
    QString reason() const { return m_reason; }
    // What to hand to the library, and the only protocols it may use for
    // this address, nested ones (RTP under RTSP, TLS under HTTPS) included.
    QByteArray openName() const { return m_openName; }
    QByteArray protocolWhitelist() const { return m_whitelist; }

private:
    static StreamAddress refused(const QString &reason);

    Kind m_kind = Refused;
    QString m_reason;
    QByteArray m_openName;
    QByteArray m_whitelist;
};

#endif // STREAMADDRESS_H
