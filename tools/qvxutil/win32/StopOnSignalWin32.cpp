// Windows: the console's stop events (Ctrl+C, Ctrl+Break, closing the
// console, logoff, shutdown) stop the server.
//
// Winsock has no way to interrupt a blocked accept or receive from another
// thread short of closing the socket under it, which the server owns. So the
// handler tells the server to stop, reports it, and ends the process with
// exit code 0; the system releases the sockets.
#include <windows.h>

#include <atomic>
#include <cstdio>

#include "SocketServer.h"
#include "StopOnSignal.h"

namespace qvxutil {

namespace {
std::atomic<SocketServer*> g_server{nullptr};
std::atomic<bool> g_stopRequested{false};

BOOL WINAPI onConsoleEvent(DWORD)
{
    SocketServer* server = g_server.load();
    if (server == nullptr)
        return FALSE;  // not serving: the system's default handling
    g_stopRequested.store(true);
    server->killServer();
    std::fputs("stopped\n", stdout);
    std::fflush(stdout);
    ::ExitProcess(0);
}
}  // namespace

struct StopOnSignal::Host
{
};

StopOnSignal::StopOnSignal(SocketServer& server) : _host(new Host)
{
    g_server.store(&server);
    ::SetConsoleCtrlHandler(&onConsoleEvent, TRUE);
}

StopOnSignal::~StopOnSignal()
{
    ::SetConsoleCtrlHandler(&onConsoleEvent, FALSE);
    g_server.store(nullptr);
}

bool StopOnSignal::stopRequested() const
{
    return g_stopRequested.load();
}

}  // namespace qvxutil
