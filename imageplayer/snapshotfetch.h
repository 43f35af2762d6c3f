#ifndef SNAPSHOTFETCH_H
#define SNAPSHOTFETCH_H

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>

class QNetworkReply;
class QUrl;

/*
 * Fetches a snapshot over HTTP, one at a time: a new request drops the one
 * under way, which then reports nothing. A transfer that would bring more
 * than SnapshotDecoder::MaxImageBytes is stopped.
 */
class SnapshotFetch : public QObject
{
    Q_OBJECT

public:
    explicit SnapshotFetch(QObject *parent = nullptr);
    ~SnapshotFetch() override;

    void get(const QUrl &url);

signals:
    void progress(qint64 done, qint64 total);
    void fetched(const QByteArray &bytes);
    // The network's text, which may quote the address as requested.
    void failed(const QString &error);
    void tooLarge();

private:
    void onFinished();
    void onProgress(qint64 done, qint64 total);
    // Stops the reply under way, which reports nothing more.
    void drop();

    QNetworkAccessManager m_manager;
    QNetworkReply *m_reply = nullptr;
};

#endif // SNAPSHOTFETCH_H
