#include "player/playeroptions.h"

#include <QRegularExpression>

namespace {

// The usual camera rate, for streams that do not tell theirs.
constexpr int DefaultFrameIntervalMs = 40;
constexpr int MaxQuotedLength = 64;

bool isOptionWord(const QString &word)
{
    // "-5" is a value, "-x", "--name" and ":name" (the media-option form)
    // are options.
    int start = 0;
    while (start < word.size() && start < 2 && (word.at(start) == QLatin1Char('-')))
        ++start;
    if (start == 0 && word.startsWith(QLatin1Char(':')))
        start = 1;
    return start > 0 && start < word.size() && word.at(start).isLetter();
}

QString quoted(const QString &text)
{
    return text.size() > MaxQuotedLength ? text.left(MaxQuotedLength) + QStringLiteral("...")
                                         : text;
}

} // namespace

PlayerOptions PlayerOptions::parse(const QString &text)
{
    PlayerOptions options;
    QString bounded = text;
    if (bounded.size() > MaxTextLength) {
        options.m_ignored << QStringLiteral("everything past %1 characters").arg(MaxTextLength);
        bounded.truncate(MaxTextLength);
    }
    static const QRegularExpression space(QStringLiteral("\\s+"));
    const QStringList words = bounded.split(space, Qt::SkipEmptyParts);
    int count = 0;
    for (int i = 0; i < words.size(); ++i) {
        const QString &word = words.at(i);
        if (!isOptionWord(word)) {
            options.m_ignored << QStringLiteral("%1: not an option").arg(quoted(word));
            continue;
        }
        if (++count > MaxOptions) {
            options.m_ignored << QStringLiteral("every option past the first %1").arg(MaxOptions);
            break;
        }
        const int nameStart = word.startsWith(QLatin1String("--")) ? 2 : 1;
        const int equals = word.indexOf(QLatin1Char('='));
        QString name = word.mid(nameStart, equals < 0 ? -1 : equals - nameStart);
        QString value;
        bool hasValue = equals >= 0;
        if (hasValue) {
            value = word.mid(equals + 1);
        } else if (i + 1 < words.size() && !isOptionWord(words.at(i + 1))) {
            // "--network-caching 300"
            value = words.at(++i);
            hasValue = true;
        }
        options.take(name, value, hasValue);
    }
    return options;
}

void PlayerOptions::take(const QString &name, const QString &value, bool hasValue)
{
    if (name.compare(QLatin1String("network-caching"), Qt::CaseInsensitive) != 0) {
        m_ignored << QStringLiteral("%1: not used by this player").arg(quoted(name));
        return;
    }
    bool ok = false;
    const qlonglong ms = value.toLongLong(&ok);
    if (!hasValue || !ok || ms < 0) {
        m_ignored << QStringLiteral("%1=%2: not a number of milliseconds")
                         .arg(quoted(name), quoted(value));
        return;
    }
    // The last one counts, as on the other player's command line.
    m_cachingMs = int(qMin<qlonglong>(ms, MaxCachingMs));
    if (ms > MaxCachingMs)
        m_ignored << QStringLiteral("%1=%2: taken as %3")
                         .arg(quoted(name), quoted(value))
                         .arg(MaxCachingMs);
}

QList<PlayerOptions::Option> PlayerOptions::inputOptions(const QByteArray &scheme) const
{
    if (m_cachingMs < 0)
        return {};
    // Probing waits for the stream's parameters in any case; past that it
    // only reads on to measure the frame rate, which the player never uses
    // (over HTTP the library's default made that five seconds).
    // No time at all means the default to the library.
    const qint64 probeUs = qMax(1, m_cachingMs) * qint64(1000);
    QList<Option> options {{"analyzeduration", QByteArray::number(probeUs)}};
    if (scheme == "rtsp" || scheme == "rtsps") {
        // How long RTP waits for a late packet before it goes on without it;
        // nothing waits when the caching is nought.
        const qint64 reorderUs = qint64(qMin(m_cachingMs, MaxReorderDelayMs)) * 1000;
        options.append({"max_delay", QByteArray::number(reorderUs)});
    }
    return options;
}

QList<PlayerOptions::Option> PlayerOptions::decoderOptions(int frameIntervalMs, int cores) const
{
    if (m_cachingMs < 0)
        return {};
    const int interval = frameIntervalMs > 0 ? qMin(frameIntervalMs, 1000) : DefaultFrameIntervalMs;
    // Decoding pictures on n threads at once holds n - 1 of them back. They
    // may take a tenth of the caching; the rest is the network's. (With
    // 300 ms each picture is decoded as it comes, with a second two are
    // held at 25 frames/s.) The library's automatic count is one more than
    // the cores.
    const int held = m_cachingMs / 10 / interval;
    const int threads = qMin(qMin(held + 1, qMax(1, cores) + 1), MaxDecoderThreads);
    if (threads <= 1) {
        // Slices of one picture may still be decoded side by side.
        return {{"thread_type", "slice"}};
    }
    return {{"threads", QByteArray::number(threads)}};
}
