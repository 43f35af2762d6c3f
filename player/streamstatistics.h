#ifndef STREAMSTATISTICS_H
#define STREAMSTATISTICS_H

#include <QtGlobal>

#include <array>

/*
 * What the operator is told about a stream besides its picture: pictures
 * and bits per second over the last seconds, the pictures dropped, and how
 * long ago the last picture came, and so whether the picture shown is
 * stale.
 *
 * The caller samples the decoding task's running totals now and then and
 * reports each picture shown, with the time in milliseconds of a monotonic
 * clock of its own; nothing here allocates after construction.
 */
class StreamStatistics
{
public:
    // Running totals since the player began; they only grow.
    struct Totals
    {
        quint64 bytes = 0;
        quint64 pictures = 0; // decoded, shown or dropped
        quint64 dropped = 0; // decoded while the last one was being painted
    };

    static constexpr qint64 WindowMs = 5000;
    static constexpr qint64 StaleAfterMs = 2000;
    // Samples kept; sampled more often than WindowMs / (MaxSamples - 1),
    // the rates cover less than the window.
    static constexpr int MaxSamples = 32;

    // A sample older than the newest is ignored; one at the same time
    // replaces it.
    void sample(qint64 nowMs, const Totals &totals);
    void pictureShown(qint64 nowMs);

    // Whether the samples span some time, so that there are rates.
    bool hasRates() const;
    double picturesPerSecond() const;
    double bitsPerSecond() const;
    quint64 dropped() const;

    bool hasPicture() const { return m_lastPictureMs >= 0; }
    qint64 lastPictureMs() const { return m_lastPictureMs; }
    // -1 before the first picture.
    qint64 sinceLastPicture(qint64 nowMs) const;
    bool isStale(qint64 nowMs) const;

private:
    struct Sample
    {
        qint64 ms = 0;
        Totals totals;
    };

    const Sample &newest() const { return m_samples[m_newest]; }
    // The oldest sample within the window of the newest.
    const Sample &windowStart() const;
    double perSecond(quint64 Totals::*field) const;

    std::array<Sample, MaxSamples> m_samples {};
    int m_count = 0;
    int m_newest = 0;
    qint64 m_lastPictureMs = -1;
};

#endif // STREAMSTATISTICS_H
