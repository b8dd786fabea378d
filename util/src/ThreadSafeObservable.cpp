#include "ThreadSafeObservable.h"

#include <algorithm>
#include <functional>

ThreadSafeObservable::ThreadSafeObservable() = default;

ThreadSafeObservable::~ThreadSafeObservable()
{
    boost::mutex::scoped_lock lock(_mutex);
    _observers.clear();
}

void ThreadSafeObservable::addObserver(ThreadSafeObserver* observer)
{
    boost::mutex::scoped_lock lock(_mutex);
    std::vector<ThreadSafeObserver*>::iterator it = std::lower_bound(
        _observers.begin(), _observers.end(), observer, std::less<ThreadSafeObserver*>());
    if (it == _observers.end() || *it != observer)
        _observers.insert(it, observer);
}

void ThreadSafeObservable::detatchObserver(ThreadSafeObserver* observer)
{
    boost::mutex::scoped_lock lock(_mutex);
    std::vector<ThreadSafeObserver*>::iterator it = std::lower_bound(
        _observers.begin(), _observers.end(), observer, std::less<ThreadSafeObserver*>());
    if (it != _observers.end() && *it == observer)
        _observers.erase(it);
}

void ThreadSafeObservable::notify()
{
    boost::mutex::scoped_lock lock(_mutex);
    for (ThreadSafeObserver* observer : _observers)
        observer->update(this);
}
