#include "commandreader.h"

#include "simulatorlayout.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
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
    // Only the new bytes are searched, so a long line costs one pass.
    int searchFrom = m_pending.size();
    m_pending.append(chunk, int(count));
    int end;
    while ((end = m_pending.indexOf('\n', searchFrom)) >= 0) {
        QByteArray line = m_pending.left(end);
        m_pending.remove(0, end + 1);
        searchFrom = 0;
        if (m_dropping) {
            m_dropping = false;
            continue;
        }
        if (line.endsWith('\r'))
            line.chop(1);
        emit command(QString::fromUtf8(line));
    }
    if (m_pending.size() > MaxLineLength) {
        if (!m_dropping)
            std::fprintf(stderr, "command line longer than %d bytes dropped\n", MaxLineLength);
        m_pending.clear();
        m_dropping = true;
    }
}

bool CommandReader::playScenario(const QString &path, QString *error)
{
    QByteArray text;
    if (!readSmallFile(path, MaxScenarioSize, &text, error))
        return false;
    m_scenario = QString::fromUtf8(text).split(QLatin1Char('\n'));
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
            const int ms = qBound(0, trimmed.mid(6).toInt(), MaxSleep);
            QTimer::singleShot(ms, this, &CommandReader::playNextLine);
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
