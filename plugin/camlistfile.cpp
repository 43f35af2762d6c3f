#include "camlistfile.h"

#include "plugin/camlistreader.h"
#include "plugin/camlistwriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// Writes all of `data`; false with the device's error when it refuses some.
bool writeAll(QIODevice *device, const char *data, qint64 size)
{
    for (qint64 written = 0; written < size;) {
        const qint64 n = device->write(data + written, size - written);
        if (n <= 0)
            return false;
        written += n;
    }
    return true;
}

CamListFile::Result failed(CamListFile::Failure failure, const QString &reason)
{
    CamListFile::Result result;
    result.failure = failure;
    result.reason = reason;
    return result;
}

} // namespace

CamListFile::Result CamListFile::load(const QString &file, CamList *list, QString *directory)
{
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly))
        return failed(Failure::Open, input.errorString());
    // One byte more than a list may have, so that the reader can refuse it.
    const QByteArray data = input.read(CamListReader::MaxFileSize + 1);
    if (input.error() != QFileDevice::NoError)
        return failed(Failure::Open, input.errorString());

    CamListReader reader;
    if (!reader.read(data)) {
        Result result = failed(Failure::Parse, reader.errorString());
        result.line = reader.errorLine();
        result.column = reader.errorColumn();
        return result;
    }
    *list = reader.list();
    *directory = QFileInfo(input).absoluteDir().path();
    return Result();
}

CamListFile::Result CamListFile::save(const QString &file, const CamList &list)
{
    const QByteArray data = CamListWriter::write(list);

    // A list that would not load again does not replace one that does.
    const QString refusal = CamListReader::refusal(data.size(), list.cameras.size());
    if (!refusal.isNull())
        return failed(Failure::Refused, refusal);

    makeBackup(file, file + QLatin1String(".bak"));

    // The list it replaces stays intact until the new one is completely on
    // disk. Unbuffered, because a buffered QSaveFile reports success even
    // when its last flush fails, and so that the reason is known.
    QSaveFile output(file);
    if (!output.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failed(Failure::Write, output.errorString());
    if (!writeAll(&output, data.constData(), data.size()) || !output.commit())
        return failed(Failure::Write, output.errorString());
    return Result();
}

// Replaces the backup by a whole copy of the list in one step: a copy that
// fails part-way (a full disk, a read-only directory) leaves the older
// backup as it was. Only a regular file has a backup; the copy keeps its
// permissions, as the list may hold camera passwords.
void CamListFile::makeBackup(const QString &file, const QString &backup)
{
    QFile source(file);
    if (!QFileInfo(file).isFile() || !source.open(QIODevice::ReadOnly))
        return;
    // Unbuffered for the reason given in save(); an uncommitted copy goes
    // with the object.
    QSaveFile copy(backup);
    if (!copy.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return;
    char buffer[64 * 1024];
    qint64 n = 0;
    while ((n = source.read(buffer, sizeof buffer)) > 0) {
        if (!writeAll(&copy, buffer, n))
            return;
    }
    if (n == 0 && copy.setPermissions(source.permissions()))
        copy.commit();
}
