#include "commandreader.h"

#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <unistd.h>

CommandReader::CommandReader(QObject *parent)
    : QObject(parent)
{ }

void CommandReader::readStandardInput()
{
    m_notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CommandReader::readAvailableInput);
}

void CommandReader::readAvailableInput()
{
    char chunk[4096];
    const ssize_t count = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (count <= 0) {
        m_notifier->setEnabled(false);
        emit inputClosed();
        return;
    }
    m_pending.append(chunk, int(count));
    int end;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        QByteArray line = m_pending.left(end);
        m_pending.remove(0, end + 1);
        if (line.endsWith('\r'))
            line.chop(1);
        emit command(QString::fromUtf8(line));
    }
}

bool CommandReader::playScenario(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = file.errorString();
        return false;
    }
    m_scenario = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    m_nextLine = 0;
    QTimer::singleShot(0, this, &CommandReader::playNextLine);
    return true;
}

void CommandReader::playNextLine()
{
    while (m_nextLine < m_scenario.size()) {
        const QString line = m_scenario.at(m_nextLine++);
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1String("sleep "))) {
            QTimer::singleShot(trimmed.mid(6).toInt(), this, &CommandReader::playNextLine);
            return;
        }
        if (trimmed == QLatin1String("loop")) {
            m_nextLine = 0;
            // Never spin: a loop without sleeps waits a little per round.
            QTimer::singleShot(100, this, &CommandReader::playNextLine);
            return;
        }
        emit command(line);
    }
}
