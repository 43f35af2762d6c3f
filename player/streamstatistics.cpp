#include "player/streamstatistics.h"

void StreamStatistics::sample(qint64 nowMs, const Totals &totals)
{
    if (m_count > 0 && nowMs < newest().ms)
        return;
    if (m_count == 0 || nowMs > newest().ms) {
        m_newest = (m_newest + 1) % MaxSamples;
        m_count = qMin(m_count + 1, MaxSamples);
    }
    m_samples[m_newest] = Sample {nowMs, totals};
}

void StreamStatistics::pictureShown(qint64 nowMs)
{
    m_lastPictureMs = nowMs;
}

const StreamStatistics::Sample &StreamStatistics::windowStart() const
{
    int start = m_newest;
    for (int back = 1; back < m_count; ++back) {
        const int index = (m_newest - back + MaxSamples) % MaxSamples;
        if (newest().ms - m_samples[index].ms > WindowMs)
            break;
        start = index;
    }
    return m_samples[start];
}

bool StreamStatistics::hasRates() const
{
    // A lone sample, or one after a gap longer than the window, is its own
    // start.
    return newest().ms > windowStart().ms;
}

double StreamStatistics::perSecond(quint64 Totals::*field) const
{
    if (!hasRates())
        return 0.0;
    const Sample &start = windowStart();
    const quint64 from = start.totals.*field;
    const quint64 to = newest().totals.*field;
    // Totals only grow; a caller that started afresh gives no rate.
    if (to < from)
        return 0.0;
    return double(to - from) * 1000.0 / double(newest().ms - start.ms);
}

double StreamStatistics::picturesPerSecond() const
{
    return perSecond(&Totals::pictures);
}

double StreamStatistics::bitsPerSecond() const
{
    return perSecond(&Totals::bytes) * 8.0;
}

quint64 StreamStatistics::dropped() const
{
    return m_count > 0 ? newest().totals.dropped : 0;
}

qint64 StreamStatistics::sinceLastPicture(qint64 nowMs) const
{
    if (m_lastPictureMs < 0)
        return -1;
    return qMax<qint64>(0, nowMs - m_lastPictureMs);
}

bool StreamStatistics::isStale(qint64 nowMs) const
{
    return m_lastPictureMs >= 0 && nowMs - m_lastPictureMs >= StaleAfterMs;
}
