#ifndef QVX_THREAD_SAFE_OBSERVABLE_H
#define QVX_THREAD_SAFE_OBSERVABLE_H

#include <vector>

#include <boost/thread/mutex.hpp>

#include "QvxExport.h"
#include "ThreadSafeObserver.h"

// The subject half of the thread-safe observer pattern. Every operation holds
// the subject's (non-recursive) mutex for its whole run, notify() included:
// observers are updated one after the other on the notifying thread, in
// ascending order of their addresses; adding or detaching from another thread
// waits until a running notification has finished, and two notifications of
// one subject never overlap. The subject does not own its observers.
class QVXUTIL_API ThreadSafeObservable
{
public:
    ThreadSafeObservable(const ThreadSafeObservable&) = delete;
    ThreadSafeObservable& operator=(const ThreadSafeObservable&) = delete;
    virtual ~ThreadSafeObservable();

    // Adding one already present, or detaching one absent, changes nothing.
    virtual void addObserver(ThreadSafeObserver* observer);
    virtual void detatchObserver(ThreadSafeObserver* observer);
    virtual void notify();

protected:
    ThreadSafeObservable();

private:
    boost::mutex _mutex;
    // An ordered set of observers, by address and without duplicates, kept as
    // a sorted vector: notify() walks contiguous memory, and adding or
    // detaching (rare) costs a binary search and a shift.
    std::vector<ThreadSafeObserver*> _observers;
};

#endif
