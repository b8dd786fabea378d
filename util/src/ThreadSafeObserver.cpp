#include "ThreadSafeObserver.h"

ThreadSafeObserver::ThreadSafeObserver() = default;

ThreadSafeObserver::ThreadSafeObserver(const ThreadSafeObserver&) = default;

ThreadSafeObserver& ThreadSafeObserver::operator=(const ThreadSafeObserver&) = default;

ThreadSafeObserver::~ThreadSafeObserver() = default;
