#include "tiedprocess.h"

#include <QCoreApplication>

#include <signal.h>
#include <unistd.h>
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

TiedProcess::TiedProcess()
    : m_parentPid(QCoreApplication::applicationPid())
{ }

// Runs in the child between fork and exec: async-signal-safe calls only.
void TiedProcess::setupChildProcess()
{
#ifdef Q_OS_LINUX
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The test may have gone before the request took effect.
    if (::getppid() != pid_t(m_parentPid))
        ::_exit(127);
#endif
}
