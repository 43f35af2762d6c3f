#include "stillcapture.h"

#include <QDateTime>
#include <QDebug>
#include <QElapsedTimer>
#include <QFutureWatcher>

StillCapture::StillCapture(const QElapsedTimer *clock, QObject *parent)
    : QObject(parent)
    , m_clock(clock)
    , m_folder(StillWriter::defaultFolder())
{ }

void StillCapture::setFolder(const QString &folder)
{
    m_folderIsDefault = folder.isEmpty();
    m_folder = m_folderIsDefault ? StillWriter::defaultFolder() : folder;
}

StillCapture::Start StillCapture::save(const std::shared_ptr<AVFrame> &frame, const QString &camera)
{
    if (!frame) {
        done(StillWriter::Result());
        return Start::NothingShown;
    }
    if (StillWriter::pending() >= StillWriter::MaxPending)
        return Start::Busy;
    // Goes with the player; the still is written all the same.
    auto *watcher = new QFutureWatcher<StillWriter::Result>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        done(watcher->result());
        watcher->deleteLater();
    });
    watcher->setFuture(StillWriter::save(frame, m_folder, m_folderIsDefault, camera,
                                         QDateTime::currentDateTime()));
    return Start::Started;
}

void StillCapture::done(const StillWriter::Result &result)
{
    const QString text = StillWriter::describe(result);
    const bool failed = result.outcome != StillWriter::Outcome::Saved;
    showNotice(text, failed);
    if (failed) {
        qWarning().noquote() << "PlayerWidget:" << text;
        return;
    }
    qInfo().noquote() << "PlayerWidget:" << text;
    emit saved(result.file);
}

void StillCapture::showNotice(const QString &text, bool failed)
{
    m_notice = text;
    m_failed = failed;
    m_noticeUntil = m_clock->elapsed() + NoticeMs;
    emit noticeChanged();
}

void StillCapture::expire()
{
    if (m_notice.isEmpty() || m_clock->elapsed() < m_noticeUntil)
        return;
    m_notice.clear();
    emit noticeChanged();
}
