#ifndef PLAYEROPTIONS_H
#define PLAYEROPTIONS_H

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

/*
 * The player-options text of the camera list, written for another player's
 * command line ("--network-caching=300"), turned into what the media
 * library is told when it opens a stream. Only the caching is used: a short
 * caching asks for a short delay, so the opening probes no longer than the
 * caching, RTP waits no longer than it for late packets, and the decoder
 * holds back no more pictures than fit into a tenth of it. Without a caching the
 * library's defaults stay.
 *
 * The text is hostile input: its length, the number of options and the
 * values are bounded, and whatever is not used is listed for the log.
 */
class PlayerOptions
{
public:
    using Option = QPair<QByteArray, QByteArray>;

    static constexpr int MaxTextLength = 4096;
    static constexpr int MaxOptions = 32;
    static constexpr int MaxCachingMs = 60000;
    // Beyond it a lost RTP packet freezes the picture longer than any
    // network reorders packets.
    static constexpr int MaxReorderDelayMs = 1000;
    static constexpr int MaxDecoderThreads = 16;

    static PlayerOptions parse(const QString &text);

    // The caching asked for, in ms; -1 when the text gives none.
    int cachingMs() const { return m_cachingMs; }
    // One line per option or value not used, and why.
    QStringList ignored() const { return m_ignored; }

    // For opening an input of the address's `scheme` (lower case).
    QList<Option> inputOptions(const QByteArray &scheme) const;
    // For the decoder of a stream whose pictures come every
    // `frameIntervalMs` (0 when unknown), on a machine of `cores` cores.
    QList<Option> decoderOptions(int frameIntervalMs, int cores) const;

private:
    void take(const QString &name, const QString &value, bool hasValue);

    int m_cachingMs = -1;
    QStringList m_ignored;
};

#endif // PLAYEROPTIONS_H
