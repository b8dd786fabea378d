#include "Thread.h"

#include <cmath>
#include <cstdint>
#include <utility>

#include <boost/bind/bind.hpp>
#include <boost/thread/mutex.hpp>
#include <boost/thread/thread.hpp>

#include "Exception.h"
#include "kbrAssert.h"

boost::mutex& Thread::_threadClassMutex = *new boost::mutex;
int Thread::_threadCount = 0;
Thread::GroupMap& Thread::_group = *new Thread::GroupMap;
Thread::ThreadMap& Thread::_threads = *new Thread::ThreadMap;

namespace {

std::string defaultName(boost::mutex& mutex, const int& count)
{
    boost::mutex::scoped_lock lock(mutex);
    return "THREAD " + std::to_string(count + 1);
}

}  // namespace

Thread::Thread(const std::string& name, const std::string& groupName)
    : _cState(Idle),
      _pThread(NULL),
      _threadName(name.empty() ? defaultName(_threadClassMutex, _threadCount) : name),
      _groupName(groupName)
{
    boost::mutex::scoped_lock lock(_threadClassMutex);
    ++_threadCount;
}

Thread::~Thread()
{
    _pThread = NULL;
}

bool Thread::start()
{
    const State before = _cState.load();
    if (before != Idle && before != Stopped && before != Detached)
        throw Exception("Thread object has non-detached thread currently running.");
    // A Stopped object that was not waited for still holds its finished thread
    // and its registry entry: join and let them go first, as wait() does.
    State previous = before;
    if (before == Stopped && _pThread.load() != NULL)
    {
        wait();
        previous = Idle;
    }

    boost::mutex::scoped_lock lock(_threadClassMutex);
    GroupMap::iterator cgi = _group.find(_groupName);
    if (cgi == _group.end())
    {
        std::pair<GroupMap::iterator, bool> r =
            _group.insert(GroupMap::value_type(_groupName, new boost::thread_group));
        KBR_ASSERT(r.second);
        cgi = r.first;
    }
    boost::thread_group* tg = cgi->second;

    _cState = Started;
    try
    {
        _pThread = tg->create_thread(boost::bind(&Thread::prerun, this));
    }
    catch (...)
    {
        _cState = previous;
        throw;
    }
    KBR_ASSERT(_pThread != NULL);
    _threads.insert(ThreadMap::value_type(tg, this));
    return true;
}

void Thread::eraseRegistryEntry(boost::thread_group* tg)
{
    std::pair<ThreadMap::iterator, ThreadMap::iterator> range = _threads.equal_range(tg);
    for (ThreadMap::iterator it = range.first; it != range.second; ++it)
    {
        if (it->second == this)
        {
            _threads.erase(it);
            return;
        }
    }
}

bool Thread::detach()
{
    KBR_ASSERT(_cState != Detached);
    _cState = Detached;

    boost::mutex::scoped_lock lock(_threadClassMutex, boost::defer_lock);
    try
    {
        lock.lock();
        GroupMap::iterator cgi = _group.find(_groupName);
        KBR_ASSERT(cgi != _group.end());
        // In nop mode the check returns: a group that was never started has
        // no registry entries and no thread of this object to let go.
        if (cgi == _group.end())
            return true;
        boost::thread_group* tg = cgi->second;

        if (_pThread.load() != NULL)
            tg->remove_thread(_pThread.load());
        if (_threads.count(tg) != 0)
        {
            eraseRegistryEntry(tg);
            boost::thread* thread = _pThread.load();
            if (thread != NULL)
            {
                // Let the system thread run on unjoined before the object goes.
                thread->detach();
                delete thread;
            }
            _pThread = NULL;
            _cState = Detached;
        }
    }
    catch (...)
    {
        return false;
    }
    return true;
}

void Thread::wait()
{
    const State state = _cState.load();
    if (state == Detached || state == Idle || state == NoThread)
        return;
    if (_pThread == NULL)
    {
        _cState = NoThread;
        return;
    }

    boost::thread* thread = _pThread.load();
    thread->join();

    boost::mutex::scoped_lock lock(_threadClassMutex);
    GroupMap::iterator cgi = _group.find(_groupName);
    if (cgi != _group.end())
    {
        cgi->second->remove_thread(thread);
        eraseRegistryEntry(cgi->second);
    }
    delete thread;
    _pThread = NULL;
    _cState = Idle;
}

void Thread::sleep()
{
    if (_pThread != NULL)
        boost::thread::yield();
}

std::string Thread::getThreadName() const
{
    return _threadName;
}

std::string Thread::getGroupName() const
{
    return _groupName;
}

Thread::State Thread::getState()
{
    return _cState.load();
}

void Thread::groupWait(const std::string& groupName)
{
    boost::mutex::scoped_lock lock(_threadClassMutex);
    KBR_ASSERT(groupName.size());
    GroupMap::iterator cgi = _group.find(groupName);
    KBR_ASSERT(_group.find( groupName ) != _group.end());
    // In nop mode the checks return: without a group there is nothing to join.
    if (cgi == _group.end())
        return;
    boost::thread_group* tg = cgi->second;
    KBR_ASSERT(tg);
    if (tg == NULL || _threads.count(tg) == 0)
        return;

    lock.unlock();
    tg->join_all();
    lock.lock();

    std::pair<ThreadMap::iterator, ThreadMap::iterator> range = _threads.equal_range(tg);
    for (ThreadMap::iterator it = range.first; it != range.second; ++it)
    {
        Thread* t = it->second;
        boost::thread* thread = t->_pThread.load();
        if (thread != NULL)
        {
            tg->remove_thread(thread);
            delete thread;
        }
        t->_cState = Idle;
        t->_pThread = NULL;
    }
    _threads.erase(range.first, range.second);
}

bool Thread::groupNameInUse(const std::string& groupName)
{
    boost::mutex::scoped_lock lock(_threadClassMutex);
    GroupMap::const_iterator cgi = _group.find(groupName);
    return cgi != _group.end() && _threads.count(cgi->second) != 0;
}

boost::xtime Thread::timeFromNow(double seconds)
{
    const double limit = 1e12;
    if (std::isnan(seconds))
        seconds = 0.0;
    else if (seconds > limit)
        seconds = limit;
    else if (seconds < -limit)
        seconds = -limit;

    // floor for both parts keeps the fraction in [0, 1) for negative values too.
    const double whole = std::floor(seconds);
    const std::int64_t wholeSeconds = static_cast<std::int64_t>(whole);
    const std::int64_t fractionNanos = static_cast<std::int64_t>((seconds - whole) * 1e9);

    boost::xtime xt;
    const int rc = boost::xtime_get(&xt, boost::TIME_UTC_);
    KBR_ASSERT(rc != 0);

    const std::int64_t nanos = static_cast<std::int64_t>(xt.nsec) + fractionNanos;
    const std::int64_t carry = nanos / 1000000000;
    xt.nsec = static_cast<boost::xtime::xtime_nsec_t>(nanos % 1000000000);
    xt.sec += wholeSeconds + carry;
    return xt;
}

void Thread::setExecuting()
{
    _cState = Executing;
}

void Thread::setStopped()
{
    _cState = Stopped;
}

void Thread::setPending()
{
    _cState = Pending;
}

void Thread::setDetached()
{
    _cState = Detached;
}

unsigned long Thread::prerun()
{
    _cState = Executing;
    const unsigned long result = run();
    _cState = Stopped;
    return result;
}
