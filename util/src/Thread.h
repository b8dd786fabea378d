#ifndef QVX_THREAD_H
#define QVX_THREAD_H

#include <atomic>
#include <map>
#include <string>

#include <boost/thread/xtime.hpp>

#include "QvxExport.h"

namespace boost {
class thread;
class thread_group;
class mutex;
}  // namespace boost

// Base class of the library's worker threads. A subclass supplies the body
// (run); start() runs it on a new Boost thread filed under a named group, so a
// caller can wait for one thread (wait), for a whole group (groupWait), or let
// it go (detach). Groups and the registry of started threads are process-wide.
//
// Rules for owners:
// - Call wait(), detach() or groupWait() for the group before destroying a
//   started object; the destructor does neither.
// - A detached thread still writes its object's state when its body returns,
//   so the object must outlive the body and prerun() around it.
// - Never call wait() or groupWait() from a body for its own thread or group.
//   groupWait() from a body of the same group joins threads until it reaches
//   its own and then throws boost::thread_resource_error.
// - While groupWait(g) joins, the group's thread list is read-locked by the
//   threading library: start(), wait() and detach() on objects of group g then
//   block, holding the registry mutex, until that join ends. If a body of g in
//   turn needs the registry (constructs, starts, waits for or detaches a
//   Thread, or asks groupNameInUse), the process deadlocks. Do not use objects
//   of a group from other threads while that group is being group-waited.
// - detach() right after start() can race the body's start: prerun() then
//   sets Executing over Detached. Detach once the body has begun when the
//   state matters.
// - An exception escaping run() ends the process (the threading library calls
//   std::terminate); bodies catch their own exceptions.
class QVXUTIL_API Thread
{
public:
    enum State
    {
        Idle,
        Started,
        Executing,
        Pending,
        Stopped,
        Detached,
        NoThread
    };

    // An empty name gives "THREAD n", n being one more than the number of
    // Thread objects constructed before this one. The count is read and raised
    // under two separate holds of the registry mutex, so objects constructed at
    // the same moment on two threads may get the same default name.
    Thread(const std::string& name = "", const std::string& groupName = "Default");
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;
    virtual ~Thread();

    // Throws Exception when a non-detached thread is still attached. On a
    // Stopped object that still holds its thread (not waited for), start()
    // first joins that thread and removes its registry entry, as wait() does,
    // so restarts never pile up unjoined threads or stale entries. If the
    // threading library cannot create the thread, its exception passes through
    // and the object keeps the state it had before the call (Idle when an old
    // thread was let go first).
    bool start();
    bool detach();
    void wait();
    void sleep();

    std::string getThreadName() const;
    std::string getGroupName() const;
    State getState();

    static void groupWait(const std::string& groupName);
    static bool groupNameInUse(const std::string& groupName);

    // The current time of the threading library's clock plus seconds, as an
    // absolute time for timed waits. A negative value gives a time in the past
    // (seconds split by floor, so now + seconds exactly); a timed wait on it
    // returns at once. NaN counts as 0 and magnitudes beyond 10^12 seconds
    // are clamped to 10^12, so the sum never overflows.
    static boost::xtime timeFromNow(double seconds);

protected:
    void setExecuting();
    void setStopped();
    void setPending();
    void setDetached();

    // Runs on the new thread: Executing, run(), Stopped. Overrides may wrap
    // the body; they keep the state changes.
    virtual unsigned long prerun();
    virtual unsigned long run() = 0;

private:
    typedef std::map<std::string, boost::thread_group*> GroupMap;
    typedef std::multimap<boost::thread_group*, Thread*> ThreadMap;

    // Erases this object's first entry of group tg from _threads.
    void eraseRegistryEntry(boost::thread_group* tg);

    // Written by the worker (prerun) and by the owner without a lock.
    std::atomic<State> _cState;
    // Read by the body too (sleep), while the owner may detach or wait.
    std::atomic<boost::thread*> _pThread;
    const std::string _threadName;
    const std::string _groupName;

    // The registry. These refer to objects made once at load and never
    // destroyed: groups live for the process, and a detached thread may still
    // reach the registry while the process exits.
    static boost::mutex& _threadClassMutex;
    static int _threadCount;
    static GroupMap& _group;
    static ThreadMap& _threads;
};

#endif
