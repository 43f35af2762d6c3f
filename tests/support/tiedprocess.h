#ifndef TIEDPROCESS_H
#define TIEDPROCESS_H

#include <QProcess>

/*
 * A process that the kernel ends when the test that started it ends, also
 * when the test crashes or is killed on its time limit, so that no peer is
 * left listening after a failed run.
 */
class TiedProcess : public QProcess
{
public:
    TiedProcess();

protected:
    void setupChildProcess() override;

private:
    qint64 m_parentPid;
};

#endif // TIEDPROCESS_H
