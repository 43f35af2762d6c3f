#include "player/stillwriter.h"

#include "player/frameconverter.h"
#include "player/framehandover.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QStandardPaths>
#include <QThreadPool>
#include <QtConcurrent>

#include <atomic>

extern "C" {
#include <libavutil/frame.h>
}

namespace {

std::atomic<int> pendingStills {0};

// The stills' own thread. It belongs to this library, so that unloading
// the library waits for a still being written rather than leaving it
// without its code.
QThreadPool *stillThreads()
{
    struct OneThread : QThreadPool
    {
        OneThread() { setMaxThreadCount(1); }
    };
    static OneThread pool;
    return &pool;
}

bool isForbidden(uint c)
{
    // Path separators, and what other file systems and shells refuse or
    // read as patterns.
    switch (c) {
    case '/':
    case '\\':
    case ':':
    case '*':
    case '?':
    case '"':
    case '<':
    case '>':
    case '|':
        return true;
    default:
        return false;
    }
}

bool isInvisible(uint c)
{
    // What a broken encoding left behind.
    if (c == QChar::ReplacementCharacter)
        return true;
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format: // direction overrides, zero-width characters
    case QChar::Other_Surrogate:
    case QChar::Other_NotAssigned:
    case QChar::Other_PrivateUse:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

int utf8Bytes(uint c)
{
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

} // namespace

QString StillWriter::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
}

StillWriter::Outcome StillWriter::checkFolder(const QString &folder)
{
    if (folder.isEmpty())
        return Outcome::NoFolder;
    const QFileInfo info(folder);
    if (!info.isDir())
        return Outcome::NoFolder;
    if (!info.isWritable())
        return Outcome::NotWritable;
    return Outcome::Saved;
}

QString StillWriter::describe(const Result &result)
{
    QString text;
    switch (result.outcome) {
    case Outcome::Saved:
        return tr("Still saved to %1").arg(QDir::toNativeSeparators(result.file));
    case Outcome::NoFolder:
        text = tr("Still not saved: the folder for stills does not exist");
        break;
    case Outcome::NotWritable:
        text = tr("Still not saved: the folder for stills is not writable");
        break;
    case Outcome::NoPicture:
        text = tr("Still not saved: no picture to save");
        break;
    case Outcome::WriteFailed:
        text = tr("Still not saved: the file could not be written");
        break;
    }
    if (!result.detail.isEmpty())
        text += QStringLiteral(" (") + result.detail + QLatin1Char(')');
    return text;
}

QString StillWriter::safeName(const QString &camera)
{
    QString name;
    int bytes = 0;
    bool space = false;
    const QVector<uint> points = camera.toUcs4();
    for (uint c : points) {
        if (QChar::isSpace(c)) {
            space = !name.isEmpty();
            continue;
        }
        if (isInvisible(c))
            continue;
        // A name must not start as a hidden file, a parent folder or an
        // option would.
        if (name.isEmpty() && (c == '.' || c == '-'))
            continue;
        if (isForbidden(c))
            c = '_';
        const int needed = utf8Bytes(c) + (space ? 1 : 0);
        if (bytes + needed > MaxNameBytes)
            break;
        if (space)
            name += QLatin1Char(' ');
        name += QString::fromUcs4(&c, 1);
        bytes += needed;
        space = false;
    }
    // Some systems drop trailing dots and spaces silently.
    while (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
        name.chop(1);
    return name.isEmpty() ? QStringLiteral("camera") : name;
}

QString StillWriter::fileName(const QString &camera, const QDateTime &time, int attempt)
{
    QString name =
        safeName(camera) + QLatin1Char('_') + time.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    if (attempt > 1)
        name += QLatin1Char('-') + QString::number(attempt);
    return name + QStringLiteral(".png");
}

int StillWriter::pending()
{
    return pendingStills.load();
}

QFuture<StillWriter::Result> StillWriter::save(const std::shared_ptr<AVFrame> &frame,
                                               const QString &folder, bool makeFolder,
                                               const QString &camera, const QDateTime &time)
{
    ++pendingStills;
    return QtConcurrent::run(stillThreads(), [frame, folder, makeFolder, camera, time] {
        const Result result = write(frame, folder, makeFolder, camera, time);
        --pendingStills;
        return result;
    });
}

StillWriter::Result StillWriter::write(const std::shared_ptr<AVFrame> &frame, const QString &folder,
                                       bool makeFolder, const QString &camera,
                                       const QDateTime &time)
{
    Result result;
    if (!frame || frame->width <= 0 || frame->height <= 0)
        return result;
    if (makeFolder && !folder.isEmpty())
        QDir().mkpath(folder);
    result.outcome = checkFolder(folder);
    if (result.outcome != Outcome::Saved)
        return result;

    QImage image = FrameHandOver::pictureBuffer(QSize(frame->width, frame->height));
    FrameConverter converter;
    if (image.isNull() || !converter.convert(frame.get(), &image)) {
        result.outcome = Outcome::NoPicture;
        return result;
    }
    image.setText(QStringLiteral("Title"), camera.left(1000));
    image.setText(QStringLiteral("Creation Time"), time.toString(Qt::ISODate));

    // A name taken already, or a link put in its place, is never written
    // through: the file is made new or not at all.
    const QDir dir(folder);
    for (int attempt = 1; attempt <= MaxAttempts; ++attempt) {
        QFile file(dir.filePath(fileName(camera, time, attempt)));
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (QFileInfo(file).exists() || QFileInfo(file).isSymLink())
                continue;
            result.outcome = Outcome::NotWritable;
            result.detail = file.errorString();
            return result;
        }
        QImageWriter writer(&file, "png");
        const bool written = writer.write(image);
        file.close();
        if (!written || file.error() != QFileDevice::NoError) {
            result.outcome = Outcome::WriteFailed;
            result.detail = written ? file.errorString() : writer.errorString();
            file.remove();
            return result;
        }
        result.outcome = Outcome::Saved;
        result.file = QFileInfo(file).absoluteFilePath();
        return result;
    }
    result.outcome = Outcome::WriteFailed;
    return result;
}
