#include "ThreadSafeObservable.h"

ThreadSafeObservable::ThreadSafeObservable() = default;

ThreadSafeObservable::~ThreadSafeObservable()
{
    boost::mutex::scoped_lock lock(_mutex);
    _observers.clear();
}

void ThreadSafeObservable::addObserver(ThreadSafeObserver* observer)
{
    boost::mutex::scoped_lock lock(_mutex);
    _observers.insert(observer);
}

void ThreadSafeObservable::detatchObserver(ThreadSafeObserver* observer)
{
    boost::mutex::scoped_lock lock(_mutex);
    _observers.erase(observer);
}

void ThreadSafeObservable::notify()
{
    boost::mutex::scoped_lock lock(_mutex);
    for (ThreadSafeObserver* observer : _observers)
        observer->update(this);
}
