#ifndef QVX_THREAD_SAFE_OBSERVER_H
#define QVX_THREAD_SAFE_OBSERVER_H

#include "QvxExport.h"

class ThreadSafeObservable;

// The listening half of the thread-safe observer pattern. update() runs on
// the notifying thread with the subject's mutex held: it must not add, detach
// or notify on that same subject (it would wait for itself), but may act on
// other subjects. Detach an observer from every subject before destroying it.
class QVXUTIL_API ThreadSafeObserver
{
public:
    ThreadSafeObserver(const ThreadSafeObserver& other);
    ThreadSafeObserver& operator=(const ThreadSafeObserver& other);
    virtual ~ThreadSafeObserver();

    virtual void update(ThreadSafeObservable* observable) = 0;

protected:
    ThreadSafeObserver();
};

#endif
