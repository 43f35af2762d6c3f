#ifndef COMMANDREADER_H
#define COMMANDREADER_H

#include <QObject>
#include <QStringList>

class QSocketNotifier;

/*
 * Command lines for a simulator, from its standard input and from scenario
 * files. A scenario runs its lines in order; "sleep MS" pauses it and "loop"
 * starts it again from the top.
 */
class CommandReader : public QObject
{
    Q_OBJECT

public:
    // The longest command line or scenario; the flood test sends 50-kB lines.
    static constexpr int MaxLineLength = 1024 * 1024;
    static constexpr qint64 MaxScenarioSize = 1024 * 1024;
    static constexpr int MaxSleep = 86400000;

    explicit CommandReader(QObject *parent = nullptr);

    void readStandardInput();
    bool playScenario(const QString &path, QString *error);

signals:
    void command(const QString &line);
    void inputClosed();

private:
    void readAvailableInput();
    void playNextLine();

    QSocketNotifier *m_notifier = nullptr;
    QByteArray m_pending;
    bool m_dropping = false; // the rest of an overlong line is skipped
    QStringList m_scenario;
    int m_nextLine = 0;
};

#endif // COMMANDREADER_H
