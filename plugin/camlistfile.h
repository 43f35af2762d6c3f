#ifndef CAMLISTFILE_H
#define CAMLISTFILE_H

#include "items/camlist.h"

#include <QString>

/*
 * The camera list on disk: reading it within the reader's bounds, and
 * saving it so that neither the list it replaces nor its backup
 * ("<file>.bak", the list as it was before the save) is ever left half
 * written. Failures come back typed with the system's or the parser's
 * reason; the plug-in words them for the host.
 */
class CamListFile
{
public:
    enum class Failure {
        None,
        // The file cannot be opened or read.
        Open,
        // It is no camera list; `line` and `column` say where.
        Parse,
        // The list to save is beyond what a load would take again.
        Refused,
        // The new list cannot be written; the old one stays.
        Write,
    };

    struct Result
    {
        Failure failure = Failure::None;
        QString reason;
        qint64 line = 0;
        qint64 column = 0;

        bool ok() const { return failure == Failure::None; }
    };

    // Fills `list`, and `directory` with the absolute folder the file's
    // relative paths are read in; both stay untouched on failure.
    static Result load(const QString &file, CamList *list, QString *directory);
    static Result save(const QString &file, const CamList &list);

private:
    static void makeBackup(const QString &file, const QString &backup);
};

#endif // CAMLISTFILE_H
