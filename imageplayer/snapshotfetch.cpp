#include "imageplayer/snapshotfetch.h"

#include "imageplayer/snapshotdecoder.h"

#include <QNetworkReply>
#include <QNetworkRequest>

#include <utility>

SnapshotFetch::SnapshotFetch(QObject *parent)
    : QObject(parent)
{ }

SnapshotFetch::~SnapshotFetch()
{
    // Nothing may be reported while the members go.
    drop();
}

void SnapshotFetch::get(const QUrl &url)
{
    drop();
    m_reply = m_manager.get(QNetworkRequest(url));
    connect(m_reply, &QNetworkReply::finished, this, &SnapshotFetch::onFinished);
    connect(m_reply, &QNetworkReply::downloadProgress, this, &SnapshotFetch::onProgress);
}

void SnapshotFetch::drop()
{
    if (!m_reply)
        return;
    // Its finished() must not report the abort as the next request's error.
    QNetworkReply *reply = std::exchange(m_reply, nullptr);
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
}

void SnapshotFetch::onFinished()
{
    if (!m_reply)
        return;
    if (m_reply->error() != QNetworkReply::NoError) {
        emit failed(m_reply->errorString());
        return;
    }
    const QByteArray bytes = m_reply->readAll();
    std::exchange(m_reply, nullptr)->deleteLater();
    emit fetched(bytes);
}

void SnapshotFetch::onProgress(qint64 done, qint64 total)
{
    if (done <= SnapshotDecoder::MaxImageBytes && total <= SnapshotDecoder::MaxImageBytes) {
        emit progress(done, total);
        return;
    }
    drop();
    emit tooLarge();
}
