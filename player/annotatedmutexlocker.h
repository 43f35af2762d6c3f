#ifndef ANNOTATEDMUTEXLOCKER_H
#define ANNOTATEDMUTEXLOCKER_H

#include "player/threadsanitizer.h"

#include <QMutex>

/*
 * A QMutexLocker that ThreadSanitizer can follow. The distribution's Qt is
 * not instrumented, so a hand-over through a plain QMutex looks like a race;
 * sanitizer builds mark the lock and unlock as acquire and release.
 */
class AnnotatedMutexLocker
{
public:
    explicit AnnotatedMutexLocker(QMutex *mutex)
        : m_mutex(mutex)
    {
        m_mutex->lock();
        m_locked = true;
        annotateAcquire();
    }

    // Tries for at most `timeout` ms; check isLocked() afterwards.
    AnnotatedMutexLocker(QMutex *mutex, int timeout)
        : m_mutex(mutex)
        , m_locked(mutex->tryLock(timeout))
    {
        if (m_locked)
            annotateAcquire();
    }

    ~AnnotatedMutexLocker() { unlock(); }

    AnnotatedMutexLocker(const AnnotatedMutexLocker &) = delete;
    AnnotatedMutexLocker &operator=(const AnnotatedMutexLocker &) = delete;

    bool isLocked() const { return m_locked; }

    void unlock()
    {
        if (!m_locked)
            return;
        ThreadSanitizer::release(m_mutex);
        m_locked = false;
        m_mutex->unlock();
    }

private:
    void annotateAcquire() { ThreadSanitizer::acquire(m_mutex); }

    QMutex *m_mutex;
    bool m_locked = false;
};

#endif // ANNOTATEDMUTEXLOCKER_H
