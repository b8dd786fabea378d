// The FTDI D2XX driver (FTD2XX.DLL) behind the FTDI driver facility. The DLL
// is loaded at run time, on first use, with LoadLibrary and GetProcAddress:
// a machine without the driver still starts every program, and then answers
// "device not found" (2) to an open and "invalid handle" (1) to the other
// calls, since no handle can exist. The statuses are the driver's own.
#include "FtdiDriver.h"

#include <windows.h>

#include <mutex>

namespace qvx {
namespace platform {

namespace {

using FtStatus = ULONG;
const FtStatus FT_OK = 0;
const FtStatus FT_INVALID_HANDLE = 1;
const FtStatus FT_DEVICE_NOT_FOUND = 2;
const FtStatus FT_INVALID_PARAMETER = 6;
const DWORD FT_OPEN_BY_DESCRIPTION = 2;
const DWORD FT_FLAGS_OPENED = 1;

struct D2xx
{
    FtStatus(WINAPI* openEx)(PVOID, DWORD, PVOID*) = nullptr;
    FtStatus(WINAPI* close)(PVOID) = nullptr;
    FtStatus(WINAPI* write)(PVOID, LPVOID, DWORD, LPDWORD) = nullptr;
    FtStatus(WINAPI* queueStatus)(PVOID, DWORD*) = nullptr;
    FtStatus(WINAPI* read)(PVOID, LPVOID, DWORD, LPDWORD) = nullptr;
    FtStatus(WINAPI* createDeviceInfoList)(LPDWORD) = nullptr;
    FtStatus(WINAPI* getDeviceInfoDetail)(DWORD, LPDWORD, LPDWORD, LPDWORD, LPDWORD, LPVOID, LPVOID,
                                          PVOID*) = nullptr;
    bool loaded = false;
};

template <class F>
bool resolve(HMODULE dll, const char* name, F& function)
{
    function = reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(dll, name)));
    return function != nullptr;
}

// Loaded once and kept for the life of the process; all or nothing.
const D2xx& d2xx()
{
    static D2xx api;
    static std::once_flag once;
    std::call_once(once, [] {
        const HMODULE dll = ::LoadLibraryA("FTD2XX.DLL");
        if (dll == nullptr)
            return;
        D2xx found;
        if (resolve(dll, "FT_OpenEx", found.openEx) && resolve(dll, "FT_Close", found.close) &&
            resolve(dll, "FT_Write", found.write) && resolve(dll, "FT_GetQueueStatus", found.queueStatus) &&
            resolve(dll, "FT_Read", found.read) &&
            resolve(dll, "FT_CreateDeviceInfoList", found.createDeviceInfoList) &&
            resolve(dll, "FT_GetDeviceInfoDetail", found.getDeviceInfoDetail))
        {
            found.loaded = true;
            api = found;
        }
        else
            ::FreeLibrary(dll);
    });
    return api;
}

class D2xxDriver : public FtdiDriver
{
public:
    std::uint32_t openByDescription(const std::string& description, void** handle) override
    {
        if (handle == nullptr)
            return FT_INVALID_PARAMETER;
        *handle = nullptr;
        const D2xx& api = d2xx();
        if (!api.loaded)
            return FT_DEVICE_NOT_FOUND;
        return api.openEx(const_cast<char*>(description.c_str()), FT_OPEN_BY_DESCRIPTION, handle);
    }

    std::uint32_t close(void* handle) override
    {
        const D2xx& api = d2xx();
        return api.loaded ? api.close(handle) : FT_INVALID_HANDLE;
    }

    std::uint32_t write(void* handle, const void* data, std::uint32_t size, std::uint32_t* written) override
    {
        if (written == nullptr || (data == nullptr && size > 0))
            return FT_INVALID_PARAMETER;
        *written = 0;
        const D2xx& api = d2xx();
        if (!api.loaded)
            return FT_INVALID_HANDLE;
        DWORD count = 0;
        const FtStatus status = api.write(handle, const_cast<void*>(data), size, &count);
        *written = count;
        return status;
    }

    std::uint32_t queueStatus(void* handle, std::uint32_t* bytesWaiting) override
    {
        if (bytesWaiting == nullptr)
            return FT_INVALID_PARAMETER;
        *bytesWaiting = 0;
        const D2xx& api = d2xx();
        if (!api.loaded)
            return FT_INVALID_HANDLE;
        DWORD count = 0;
        const FtStatus status = api.queueStatus(handle, &count);
        *bytesWaiting = count;
        return status;
    }

    std::uint32_t read(void* handle, void* buffer, std::uint32_t size, std::uint32_t* bytesRead) override
    {
        if (bytesRead == nullptr || (buffer == nullptr && size > 0))
            return FT_INVALID_PARAMETER;
        *bytesRead = 0;
        const D2xx& api = d2xx();
        if (!api.loaded)
            return FT_INVALID_HANDLE;
        DWORD count = 0;
        const FtStatus status = api.read(handle, buffer, size, &count);
        *bytesRead = count;
        return status;
    }
};

}  // namespace

FtdiDriver& hostFtdiDriver()
{
    static D2xxDriver driver;
    return driver;
}

std::uint32_t listFtdiDevices(FtdiBusListing& listing)
{
    listing = FtdiBusListing();
    const D2xx& api = d2xx();
    if (!api.loaded)
        return FT_OK;  // no driver: no devices
    DWORD count = 0;
    const FtStatus status = api.createDeviceInfoList(&count);
    if (status != FT_OK)
        return 4;
    for (DWORD i = 0; i < count; ++i)
    {
        DWORD flags = 0, type = 0, id = 0, location = 0;
        char serial[16] = {}, description[64] = {};
        PVOID handle = nullptr;
        if (api.getDeviceInfoDetail(i, &flags, &type, &id, &location, serial, description, &handle) != FT_OK)
        {
            ++listing.unreadable;
            continue;
        }
        if (flags & FT_FLAGS_OPENED)  // held by another program
            ++listing.withoutPermission;
        serial[sizeof serial - 1] = '\0';
        description[sizeof description - 1] = '\0';
        listing.devices.push_back(FtdiDeviceInfo{description, serial});
    }
    return FT_OK;
}

}  // namespace platform
}  // namespace qvx
