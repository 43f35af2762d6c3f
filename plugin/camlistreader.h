#ifndef CAMLISTREADER_H
#define CAMLISTREADER_H

#include "plugin/camlist.h"

#include <QByteArray>
#include <QString>

class QXmlStreamAttributes;

/*
 * Reads the XML of a camera list file. The reader takes the file's bytes and
 * gives either the list or the parser's error with its position; it never
 * touches a scene.
 *
 * Every element named Cam below the root is an entry, in document order.
 * Entries without a valid position are left out. Documents that declare
 * entities are refused, so that a few bytes cannot expand into gigabytes.
 */
class CamListReader
{
public:
    // Bounds on what one file may hold, far above any real camera network.
    static constexpr qint64 MaxFileSize = 64 * 1024 * 1024;
    static constexpr int MaxCameras = 100000;

    bool read(const QByteArray &data);

    const CamList &list() const { return m_list; }
    QString errorString() const { return m_errorString; }
    qint64 errorLine() const { return m_errorLine; }
    qint64 errorColumn() const { return m_errorColumn; }

private:
    static CamListEntry readEntry(const QXmlStreamAttributes &attributes, bool *valid);

    CamList m_list;
    QString m_errorString;
    qint64 m_errorLine = 0;
    qint64 m_errorColumn = 0;
};

#endif // CAMLISTREADER_H
