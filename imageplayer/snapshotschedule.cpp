#include "snapshotschedule.h"

#include <QFileInfo>

#include <algorithm>
#include <utility>

namespace {

const QString DatePlaceholder = QStringLiteral("yyyy-MM-dd");

} // namespace

SnapshotSchedule::SnapshotSchedule(const QString &urlTemplate)
    : m_template(urlTemplate)
{ }

void SnapshotSchedule::setDay(const QDate &day)
{
    m_day = day;
    m_names.clear();
    m_known.clear();
    m_sorted = true;

    m_url = QUrl(m_template, QUrl::TolerantMode);
    // Setting the path would clear the error of a template that does not
    // parse.
    if (!m_url.isValid())
        return;
    QString path = m_url.path(QUrl::FullyDecoded);
    path.replace(DatePlaceholder, m_day.toString(DatePlaceholder));
    m_url.setPath(path, QUrl::DecodedMode);
    if (!m_url.isValid())
        return;
    m_scheme = m_url.scheme().toLower();
    if (m_scheme == QLatin1String("ftp") && m_url.port() == -1)
        m_url.setPort(21);
}

QString SnapshotSchedule::directory() const
{
    // The file-name part of the template plays no part for FTP.
    QString dir = QFileInfo(m_url.path(QUrl::FullyDecoded)).path();
    if (dir.startsWith(QLatin1Char('/')))
        dir.remove(0, 1);
    return dir;
}

void SnapshotSchedule::addFile(const QString &name)
{
    // A listing of the known day repeats every name it had: looking each
    // up in the list would make a day of one frame a second cost minutes.
    if (m_names.size() >= MaxFrameNames || m_known.contains(name))
        return;
    m_known.insert(name);
    m_names.append(name);
    m_sorted = false;
}

bool SnapshotSchedule::finishListing()
{
    if (!std::exchange(m_sorted, true))
        std::sort(m_names.begin(), m_names.end());
    return !m_names.isEmpty();
}

SnapshotSchedule::Frame SnapshotSchedule::frameAt(int position) const
{
    if (m_names.isEmpty())
        return {};
    const bool listed = position >= 0 && position < m_names.size();
    const QString &name = listed ? m_names.at(position) : m_names.last();
    return {name, m_names.size() == 1 ? QString() : cacheKey(name), listed};
}

QString SnapshotSchedule::cacheKey(const QString &name) const
{
    const QString server = m_url
                               .adjusted(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery
                                         | QUrl::RemoveFragment)
                               .toString(QUrl::FullyEncoded);
    // Encoded apart, so that no name passes for another directory's.
    const QByteArray dir =
        QUrl::toPercentEncoding(QFileInfo(m_url.path(QUrl::FullyDecoded)).path(), "/");
    return server + QString::fromLatin1(dir) + QLatin1Char('/')
           + QString::fromLatin1(QUrl::toPercentEncoding(name));
}

bool SnapshotSchedule::commandFailed()
{
    if (++m_failures <= FailuresBeforeReset)
        return false;
    m_failures = 0;
    m_names.clear();
    m_known.clear();
    m_sorted = true;
    return true;
}

void SnapshotSchedule::loggedIn()
{
    m_loggedInSinceConnect = true;
    m_reconnectDelayMs = 0;
}

int SnapshotSchedule::reconnectDelayMs()
{
    if (std::exchange(m_loggedInSinceConnect, false))
        return 0;
    m_reconnectDelayMs = m_reconnectDelayMs == 0
                             ? FirstReconnectDelayMs
                             : std::min(m_reconnectDelayMs * 2, LongestReconnectDelayMs);
    return m_reconnectDelayMs;
}
