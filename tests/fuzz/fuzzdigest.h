#ifndef FUZZDIGEST_H
#define FUZZDIGEST_H

#include <QByteArray>
#include <QCryptographicHash>
#include <QDataStream>

/*
 * A running digest of what a parser gave out, so that two runs over a long
 * input can be compared without keeping all of it. Each item is serialised
 * with length prefixes, so that differently cut items never collide.
 */
class FuzzDigest
{
public:
    template<typename... Fields>
    void add(const Fields &...fields)
    {
        QByteArray item;
        QDataStream stream(&item, QIODevice::WriteOnly);
        (stream << ... << fields);
        m_hash.addData(item);
        ++m_count;
    }

    int count() const { return m_count; }
    bool operator==(const FuzzDigest &other) const
    {
        return m_count == other.m_count && m_hash.result() == other.m_hash.result();
    }

private:
    QCryptographicHash m_hash {QCryptographicHash::Sha1};
    int m_count = 0;
};

#endif // FUZZDIGEST_H
