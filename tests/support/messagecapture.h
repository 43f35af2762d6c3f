#ifndef MESSAGECAPTURE_H
#define MESSAGECAPTURE_H

#include <QMutex>
#include <QStringList>
#include <QtGlobal>

// Records every message that goes through the Qt message handler while it
// lives, and passes them on to the previous handler.
class MessageCapture
{
public:
    MessageCapture();
    ~MessageCapture();
    MessageCapture(const MessageCapture &) = delete;
    MessageCapture &operator=(const MessageCapture &) = delete;

    QStringList messages() const;
    // Whether a message contains `text`.
    bool contains(const QString &text) const { return !messages().filter(text).isEmpty(); }

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &message);

    mutable QMutex m_mutex;
    QStringList m_messages;
    QtMessageHandler m_previous;
};

#endif // MESSAGECAPTURE_H
