#include "messagecapture.h"

#include <QMutexLocker>

namespace {
MessageCapture *activeCapture = nullptr;
}

MessageCapture::MessageCapture()
{
    activeCapture = this;
    m_previous = qInstallMessageHandler(&MessageCapture::handler);
}

MessageCapture::~MessageCapture()
{
    qInstallMessageHandler(m_previous);
    activeCapture = nullptr;
}

QStringList MessageCapture::messages() const
{
    QMutexLocker locker(&m_mutex);
    return m_messages;
}

void MessageCapture::handler(QtMsgType type, const QMessageLogContext &context,
                             const QString &message)
{
    MessageCapture *capture = activeCapture;
    if (!capture)
        return;
    {
        QMutexLocker locker(&capture->m_mutex);
        capture->m_messages.append(message);
    }
    if (capture->m_previous)
        capture->m_previous(type, context, message);
}
