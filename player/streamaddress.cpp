#include "player/streamaddress.h"

#include <QFileInfo>
#include <QList>

#include <algorithm>
#include <iterator>

namespace {

// Top-level schemes a camera address may have.
const char *const NetworkSchemes[] = {"rtsp", "rtsps", "http", "https", "tls", "tcp", "udp"};

// Everything those open below themselves: RTP over UDP and SRTP under RTSP,
// TLS and TCP under the secure schemes, HTTP tunnels and proxies.
const char NetworkWhitelist[] = "rtsp,rtsps,rtp,srtp,udp,tcp,tls,http,https,httpproxy";
const char FileWhitelist[] = "file";

bool isSchemeChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+'
           || c == '-' || c == '.';
}

// The protocol name the media library reads at the start of an address:
// scheme characters up to a colon (or up to a comma that a colon follows,
// its form for protocol options). Empty for a plain path.
QByteArray protocolOf(const QByteArray &address)
{
    int n = 0;
    while (n < address.size() && isSchemeChar(address.at(n)))
        ++n;
    if (n == 0 || n == address.size())
        return QByteArray();
    const char next = address.at(n);
    if (next != ':' && !(next == ',' && address.indexOf(':', n + 1) >= 0))
        return QByteArray();
#ifdef Q_OS_WIN
    // "C:\..." is a path there.
    if (n == 1 && next == ':')
        return QByteArray();
#endif
    return address.left(n);
}

// The host as the library's own splitting finds it: after "//", the last
// user-information "@", up to the first of "/?#"; bracketed IPv6 allowed.
QByteArray hostOf(const QByteArray &address, int schemeLength)
{
    int p = schemeLength + 1;
    for (int i = 0; i < 2 && p < address.size() && address.at(p) == '/'; ++i)
        ++p;
    int end = p;
    while (end < address.size() && !QByteArray("/?#").contains(address.at(end)))
        ++end;
    const int at = address.lastIndexOf('@', end - 1);
    if (at >= p)
        p = at + 1;
    const QByteArray authority = address.mid(p, end - p);
    if (authority.startsWith('[')) {
        const int close = authority.indexOf(']');
        if (close > 0)
            return authority.mid(1, close - 1);
    }
    const int colon = authority.indexOf(':');
    return colon >= 0 ? authority.left(colon) : authority;
}

// Whether the query (after the first "?") names the listening option, in
// any spelling the library or a later decoding could read as it.
bool asksToListen(const QByteArray &address)
{
    const int query = address.indexOf('?');
    if (query < 0)
        return false;
    const QList<QByteArray> pairs = address.mid(query + 1).split('&');
    for (const QByteArray &pair : pairs) {
        const QByteArray key = pair.left(pair.indexOf('=') >= 0 ? pair.indexOf('=') : pair.size());
        if (QByteArray::fromPercentEncoding(key).trimmed().toLower() == "listen")
            return true;
    }
    return false;
}

// Addresses that receive on every interface rather than from a camera.
bool isWildcardHost(const QByteArray &host)
{
    return host.isEmpty() || host == "0.0.0.0" || host == "::" || host == "*"
           || host == "0:0:0:0:0:0:0:0";
}

} // namespace

StreamAddress StreamAddress::refused(const QString &reason)
{
    StreamAddress address;
    address.m_reason = reason;
    return address;
}

StreamAddress StreamAddress::check(const QString &text)
{
    // The library gets these very bytes; a NUL would cut them short.
    const QByteArray address = text.toLocal8Bit();
    if (address.isEmpty())
        return refused(tr("no camera address"));
    for (const char c : address) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return refused(tr("the address holds control characters"));
    }

    const QByteArray protocol = protocolOf(address);
    const QByteArray scheme = protocol.toLower();
    StreamAddress result;
    if (protocol.isEmpty() || scheme == "file") {
        // The library's file protocol strips "file:" and opens the rest.
        const QByteArray path = protocol.isEmpty() ? address : address.mid(protocol.size() + 1);
        if (!QFileInfo(QString::fromLocal8Bit(path)).isFile())
            return refused(tr("not a regular file"));
        result.m_kind = LocalFile;
        result.m_openName = protocol.isEmpty() ? address : scheme + address.mid(protocol.size());
        result.m_whitelist = FileWhitelist;
        return result;
    }

    if (std::find(std::begin(NetworkSchemes), std::end(NetworkSchemes), scheme)
        == std::end(NetworkSchemes)) {
        return refused(tr("the address scheme \"%1\" is not allowed")
                           .arg(QString::fromLatin1(protocol.left(32))));
    }
    if (address.at(protocol.size()) != ':')
        return refused(tr("the address scheme \"%1\" is not allowed")
                           .arg(QString::fromLatin1(protocol.left(32))));
    if (asksToListen(address))
        return refused(tr("listening addresses are not allowed"));
    const QByteArray host = hostOf(address, protocol.size());
    if (host.isEmpty())
        return refused(tr("the address has no host"));
    if (scheme == "udp" && isWildcardHost(host))
        return refused(tr("listening addresses are not allowed"));

    result.m_kind = Network;
    result.m_openName = scheme + address.mid(protocol.size());
    result.m_whitelist = NetworkWhitelist;
    return result;
}

int StreamAddress::defaultPort(const QString &scheme)
{
    const QString name = scheme.toLower();
    if (name == QLatin1String("rtsp"))
        return 554;
    if (name == QLatin1String("rtsps"))
        return 322;
    if (name == QLatin1String("https"))
        return 443;
    return 80;
}
