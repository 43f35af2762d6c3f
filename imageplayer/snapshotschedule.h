#ifndef SNAPSHOTSCHEDULE_H
#define SNAPSHOTSCHEDULE_H

#include <QDate>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>

/*
 * What the snapshot player fetches and when, apart from its sockets, timers
 * and painting, so that a test drives it with a day and events alone: the
 * address of a day, the day's frame names, which frame a slider position
 * asks for and its key in the process-wide pixmap cache, when repeated FTP
 * failures reset the connection, and how long a new connection waits.
 */
class SnapshotSchedule
{
public:
    static constexpr int FailuresBeforeReset = 3;
    static constexpr int FirstReconnectDelayMs = 1000;
    static constexpr int LongestReconnectDelayMs = 30000;
    // A day at one frame a second has 86,400 names; names beyond this many
    // come from a server that makes them up, and would only cost memory.
    static constexpr int MaxFrameNames = 250000;

    explicit SnapshotSchedule(const QString &urlTemplate = QString());

    // Builds the address of `day`: the template with every "yyyy-MM-dd" of
    // its path replaced; FTP addresses get port 21 when they name none. The
    // frames of the previous day are forgotten.
    void setDay(const QDate &day);
    QDate day() const { return m_day; }
    bool isValid() const { return m_url.isValid(); }
    const QUrl &url() const { return m_url; }
    // In lower case; empty until an address was valid.
    QString scheme() const { return m_scheme; }
    // The day's FTP directory, relative to where the login lands.
    QString directory() const;

    // A file of the day's listing; names accumulate until the day changes.
    void addFile(const QString &name);
    // Puts the names in order once a listing is complete (plain code-unit
    // order, so that time-stamped names come oldest first); false when the
    // day has none.
    bool finishListing();
    int frameCount() const { return m_names.size(); }

    struct Frame
    {
        QString name; // empty: nothing to fetch
        // The image's key in the pixmap cache; empty when it is not kept,
        // as in a day of one name, which is replaced in place.
        QString cacheKey;
        // Whether a cached image may be shown instead of fetching.
        bool fromCache = false;
    };
    // What slider position `position` asks for: a position within the list
    // names its frame; any other (-1) the newest, fetched anew each time.
    Frame frameAt(int position) const;
    // The cache key of frame `name` of this day: the location without user
    // name and password, so that cameras and days keep their own frames.
    QString cacheKey(const QString &name) const;

    // An FTP command failed: true when this failure resets the connection,
    // which forgets the frame names and starts the count again.
    bool commandFailed();

    // A connection is being made, or has logged in.
    void connecting() { m_loggedInSinceConnect = false; }
    void loggedIn();
    // How long to wait before connecting again, now that a connection has
    // ended: not at all after a session that logged in, otherwise 1 s
    // doubling to 30 s, so that a server refusing us is not hammered.
    int reconnectDelayMs();

private:
    QString m_template;
    QDate m_day;
    QUrl m_url;
    QString m_scheme;
    QStringList m_names;
    QSet<QString> m_known;
    bool m_sorted = true;
    int m_failures = 0;
    int m_reconnectDelayMs = 0;
    bool m_loggedInSinceConnect = false;
};

#endif // SNAPSHOTSCHEDULE_H
