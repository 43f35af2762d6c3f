#ifndef CAMLISTREADER_H
#define CAMLISTREADER_H

#include "items/camlist.h"

#include <QByteArray>
#include <QString>

class QXmlStreamAttributes;

/*
 * Reads the XML of a camera list file. The reader takes the file's bytes and
 * gives either the list or the parser's error with its position; it never
 * touches a scene.
 *
 * Every element named Cam below the root is an entry, in document order.
 * Entries without a valid position are left out, each with a warning that
 * gives its row and why. Documents that declare entities are refused, so
 * that a few bytes cannot expand into gigabytes.
 */
class CamListReader
{
public:
    // Bounds on what one file may hold, far above any real camera network
    // (a national one has about 100,000 cameras) and within what the
    // workstation can hold. The plug-in saves no list beyond them.
    static constexpr qint64 MaxFileSize = 256 * 1024 * 1024;
    static constexpr int MaxCameras = 500000;
    // Warnings kept of one file; the rest are only counted.
    static constexpr int MaxWarnings = 1000;

    bool read(const QByteArray &data);
    // Why a file of `bytes` holding `cameras` would be refused; null when
    // it would not.
    static QString refusal(qint64 bytes, int cameras);

    const CamList &list() const { return m_list; }
    QString errorString() const { return m_errorString; }
    qint64 errorLine() const { return m_errorLine; }
    qint64 errorColumn() const { return m_errorColumn; }

private:
    // `problem` says why the entry cannot be taken; `note` what of it was
    // left out. Both stay null when there is nothing to say.
    static CamListEntry readEntry(const QXmlStreamAttributes &attributes, QString *problem,
                                  QString *note);
    void warn(qint64 row, const QString &text);

    CamList m_list;
    int m_warningCount = 0;
    QString m_errorString;
    qint64 m_errorLine = 0;
    qint64 m_errorColumn = 0;
};

#endif // CAMLISTREADER_H
