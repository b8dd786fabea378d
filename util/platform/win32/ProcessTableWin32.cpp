// The process table on Windows: the tool-help snapshot for ids and executable
// names, OpenProcess with GetModuleFileNameEx for the executable path and
// GetProcessTimes for the start time, and WMI's Win32_Process (through COM)
// for the command lines, which no other documented service reads from
// another process. TerminateProcess ends a process.
#define _WIN32_DCOM
#include <winsock2.h>
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <wbemidl.h>

#include <algorithm>
#include <map>

#include "HostPath.h"
#include "WideText.h"
#include "ProcessTable.h"

namespace qvx {
namespace platform {

namespace {

using win32::narrow;

class Handle
{
public:
    explicit Handle(HANDLE h) : _h(h) {}
    ~Handle()
    {
        if (_h != nullptr && _h != INVALID_HANDLE_VALUE)
            ::CloseHandle(_h);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return _h; }
    bool valid() const { return _h != nullptr && _h != INVALID_HANDLE_VALUE; }

private:
    HANDLE _h;
};

template <class T>
struct ComPtr
{
    T* p = nullptr;
    ~ComPtr()
    {
        if (p != nullptr)
            p->Release();
    }
};

// Command lines by process id from WMI. COM is started on the calling thread
// for the query (in whatever apartment the thread already has) and released
// after it. False when WMI cannot be asked; then no command line is known.
bool commandLines(std::map<long, std::string>& lines)
{
    const HRESULT init = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const bool mustUninitialize = SUCCEEDED(init);
    if (FAILED(init) && init != RPC_E_CHANGED_MODE)
        return false;
    // Process-wide security may have been set by the program already.
    ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT, RPC_C_IMP_LEVEL_IMPERSONATE,
                           nullptr, EOAC_NONE, nullptr);
    bool ok = false;
    {
        ComPtr<IWbemLocator> locator;
        ComPtr<IWbemServices> services;
        ComPtr<IEnumWbemClassObject> rows;
        BSTR ns = ::SysAllocString(L"ROOT\\CIMV2");
        BSTR language = ::SysAllocString(L"WQL");
        BSTR query = ::SysAllocString(L"SELECT ProcessId, CommandLine FROM Win32_Process");
        if (SUCCEEDED(::CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                         reinterpret_cast<void**>(&locator.p))) &&
            SUCCEEDED(locator.p->ConnectServer(ns, nullptr, nullptr, nullptr, 0, nullptr, nullptr, &services.p)) &&
            SUCCEEDED(::CoSetProxyBlanket(services.p, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                          RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE)) &&
            SUCCEEDED(services.p->ExecQuery(language, query, WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY,
                                            nullptr, &rows.p)))
        {
            ok = true;
            for (;;)
            {
                ComPtr<IWbemClassObject> row;
                ULONG got = 0;
                if (rows.p->Next(-1 /* WBEM_INFINITE */, 1, &row.p, &got) != WBEM_S_NO_ERROR || got == 0)
                    break;
                VARIANT id, line;
                ::VariantInit(&id);
                ::VariantInit(&line);
                if (SUCCEEDED(row.p->Get(L"ProcessId", 0, &id, nullptr, nullptr)) &&
                    SUCCEEDED(row.p->Get(L"CommandLine", 0, &line, nullptr, nullptr)) &&
                    (id.vt == VT_I4 || id.vt == VT_UI4) && line.vt == VT_BSTR)
                    lines[static_cast<long>(id.vt == VT_I4 ? id.lVal : static_cast<LONG>(id.ulVal))] =
                        narrow(line.bstrVal);
                ::VariantClear(&id);
                ::VariantClear(&line);
            }
        }
        ::SysFreeString(ns);
        ::SysFreeString(language);
        ::SysFreeString(query);
    }
    if (mustUninitialize)
        ::CoUninitialize();
    return ok;
}

unsigned long long startTimeOf(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

bool executablePath(HANDLE process, std::string& path)
{
    char buffer[MAX_PATH * 4] = {};
    const DWORD n = ::GetModuleFileNameExA(process, nullptr, buffer, sizeof buffer);
    if (n == 0 || n >= sizeof buffer)
        return false;
    path = fromHostPath(std::string(buffer, n));
    return true;
}

bool hasEnded(HANDLE process)
{
    return ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

bool terminateAndWait(HANDLE process, int waitMilliseconds)
{
    if (hasEnded(process))
        return true;  // nothing left to end
    if (!::TerminateProcess(process, 0))
        return hasEnded(process);
    ::WaitForSingleObject(process, waitMilliseconds < 0 ? 0 : static_cast<DWORD>(waitMilliseconds));
    return true;
}

}  // namespace

void prepareProcessQueries()
{
    // COM for the WMI query is started and released by each snapshot on its
    // own thread; nothing lasts between calls.
}

bool snapshotProcesses(std::vector<ProcessEntry>& processes, unsigned fields, std::string* failure)
{
    processes.clear();
    Handle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    if (!snapshot.valid() || !::Process32First(snapshot.get(), &entry))
    {
        if (failure != nullptr)
            *failure = "the process snapshot failed with error " + std::to_string(::GetLastError());
        return false;
    }
    std::map<long, std::string> lines;
    if (fields & ProcessCommandLines)
        commandLines(lines);
    do
    {
        ProcessEntry p;
        p.id = static_cast<long>(entry.th32ProcessID);
        p.name = entry.szExeFile;
        HANDLE opened = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_VM_READ, FALSE, entry.th32ProcessID);
        if (opened == nullptr)  // without the right to read its memory: still its times
            opened = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        Handle process(opened);
        if (process.valid())
        {
            p.hasPath = executablePath(process.get(), p.path);
            if (fields & ProcessStartTimes)
                p.startTime = startTimeOf(process.get());
        }
        const auto line = lines.find(p.id);
        if (line != lines.end())
        {
            p.hasCommandLine = true;
            p.commandLine = line->second;
        }
        processes.push_back(std::move(p));
    } while (::Process32Next(snapshot.get(), &entry));
    std::sort(processes.begin(), processes.end(),
              [](const ProcessEntry& a, const ProcessEntry& b) { return a.id < b.id; });
    return true;
}

bool terminateProcess(long processId, int waitMilliseconds)
{
    // The handle names this process until it is closed, so a process that
    // ends meanwhile never lets a later one with its id be hit.
    Handle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, static_cast<DWORD>(processId)));
    return process.valid() && terminateAndWait(process.get(), waitMilliseconds);
}

bool terminateProcess(const ProcessEntry& entry, int waitMilliseconds)
{
    Handle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_VM_READ,
                                 FALSE, static_cast<DWORD>(entry.id)));
    if (!process.valid())
        return false;
    if (entry.startTime != 0 && startTimeOf(process.get()) != entry.startTime)
        return false;  // the id now names a later process
    std::string path;
    if (entry.hasPath && executablePath(process.get(), path) && path != entry.path)
        return false;
    return terminateAndWait(process.get(), waitMilliseconds);
}

}  // namespace platform
}  // namespace qvx
