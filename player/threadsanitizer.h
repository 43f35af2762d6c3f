#ifndef THREADSANITIZER_H
#define THREADSANITIZER_H

#ifdef __SANITIZE_THREAD__
#include <sanitizer/tsan_interface.h>
#endif

/*
 * Hints for ThreadSanitizer builds; they compile to nothing otherwise.
 *
 * The distribution's Qt is not instrumented: hand-overs through its mutexes,
 * the thread pool and the event queue are invisible to the sanitizer and
 * would be reported as races. Our own hand-overs through them are marked
 * with release/acquire; posting to the event queue from a pool thread is
 * left out of the sanitizer's view, since only Qt's own code runs there.
 */
namespace ThreadSanitizer {

inline void release(void *token)
{
#ifdef __SANITIZE_THREAD__
    __tsan_release(token);
#else
    (void)token;
#endif
}

inline void acquire(void *token)
{
#ifdef __SANITIZE_THREAD__
    __tsan_acquire(token);
#else
    (void)token;
#endif
}

#ifdef __SANITIZE_THREAD__
extern "C" void __tsan_ignore_thread_begin();
extern "C" void __tsan_ignore_thread_end();
#endif

// While it lives, the calling thread's memory accesses are not recorded.
class UnseenScope
{
public:
    UnseenScope()
    {
#ifdef __SANITIZE_THREAD__
        __tsan_ignore_thread_begin();
#endif
    }
    ~UnseenScope()
    {
#ifdef __SANITIZE_THREAD__
        __tsan_ignore_thread_end();
#endif
    }
    UnseenScope(const UnseenScope &) = delete;
    UnseenScope &operator=(const UnseenScope &) = delete;
};

} // namespace ThreadSanitizer

#endif // THREADSANITIZER_H
