#ifndef QVX_TEST_SCRIPTED_FTDI_DRIVER_H
#define QVX_TEST_SCRIPTED_FTDI_DRIVER_H

// A scripted FTDI driver for tests: devices that exist by description, replies
// that arrive after a delay (so a queue fills in pieces), and statuses or short
// counts injected per call kind and per attempt. Installs itself for its
// lifetime and restores the driver it replaced. Every call is logged, so a
// test can check which handle each call used; a call with a handle that is
// not open is answered with status 1 and counted as a misuse.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <deque>
#include <initializer_list>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "FtdiDriver.h"

namespace qvxtest {

class ScriptedFtdiDriver : public qvx::platform::FtdiDriver
{
public:
    enum Call { Open, Close, Write, Queue, Read };

    // One attempt's answer: a status and, on success, a cap on the count
    // (bytes written, bytes reported waiting, bytes read).
    struct Step
    {
        std::uint32_t status;
        std::uint32_t limit;
    };
    static constexpr std::uint32_t ALL = std::numeric_limits<std::uint32_t>::max();
    static Step fails(std::uint32_t status) { return Step{status, ALL}; }
    static Step shortBy(std::uint32_t limit) { return Step{0, limit}; }
    static Step ok() { return Step{0, ALL}; }

    ScriptedFtdiDriver() : _previous(qvx::platform::installFtdiDriver(this)) {}
    ~ScriptedFtdiDriver() override { qvx::platform::installFtdiDriver(_previous); }
    ScriptedFtdiDriver(const ScriptedFtdiDriver&) = delete;
    ScriptedFtdiDriver& operator=(const ScriptedFtdiDriver&) = delete;

    void addDevice(const std::string& description) { _devices[description]; }

    // Bytes the device sends, arriving delayMs from now.
    void reply(const std::string& description, const std::string& bytes, int delayMs = 0)
    {
        _devices[description].scheduled.push_back(
            Arrival{Clock::now() + std::chrono::milliseconds(delayMs), bytes});
    }

    // The next attempts of a call kind answer these steps in turn; attempts
    // past the script succeed in full.
    void script(Call call, std::initializer_list<Step> steps)
    {
        _steps[call].insert(_steps[call].end(), steps.begin(), steps.end());
    }

    // Calls as "open D #h", "close #h", "write #h 'bytes'", "queue #h",
    // "read #h n" (n: bytes asked); failed opens as "open D failed".
    const std::vector<std::string>& log() const { return _log; }
    void clearLog() { _log.clear(); }
    // Every byte written to the device, in order.
    const std::string& written(const std::string& description) { return _devices[description].written; }
    int misuses() const { return _misuses; }
    int openHandles() const
    {
        int n = 0;
        for (const auto& h : _handles)
            n += h.second.open ? 1 : 0;
        return n;
    }
    // "#1" for the first handle this driver gave out, "#2" for the next, ...
    static std::string name(void* handle) { return "#" + std::to_string(id(handle) - FIRST_HANDLE + 1); }

    std::uint32_t openByDescription(const std::string& description, void** handle) override
    {
        *handle = nullptr;
        const Step step = next(Open);
        const auto it = _devices.find(description);
        const std::uint32_t status = step.status != 0 ? step.status : it == _devices.end() ? 2u : 0u;
        if (status != 0)
        {
            _log.push_back("open " + description + " failed");
            return status;
        }
        const std::uintptr_t h = _nextHandle++;
        _handles[h] = HandleState{description, true};
        *handle = reinterpret_cast<void*>(h);
        _log.push_back("open " + description + " " + name(*handle));
        return 0;
    }

    std::uint32_t close(void* handle) override
    {
        _log.push_back("close " + name(handle));
        HandleState* state = openHandle(handle);
        if (state == nullptr)
            return 1;
        // A failed close still lets go of the handle, as the host's driver does.
        state->open = false;
        return next(Close).status;
    }

    std::uint32_t write(void* handle, const void* data, std::uint32_t size, std::uint32_t* written) override
    {
        const std::string bytes(static_cast<const char*>(data), size);
        _log.push_back("write " + name(handle) + " '" + bytes + "'");
        *written = 0;
        Step step;
        Device* const device = attempt(handle, Write, step);
        if (device == nullptr)
            return step.status;
        *written = std::min(size, step.limit);
        device->written.append(bytes, 0, *written);
        return 0;
    }

    std::uint32_t queueStatus(void* handle, std::uint32_t* bytesWaiting) override
    {
        _log.push_back("queue " + name(handle));
        *bytesWaiting = 0;
        Step step;
        Device* const device = attempt(handle, Queue, step);
        if (device == nullptr)
            return step.status;
        arrive(*device, Clock::now());
        *bytesWaiting = std::min(static_cast<std::uint32_t>(device->received.size()), step.limit);
        return 0;
    }

    std::uint32_t read(void* handle, void* buffer, std::uint32_t size, std::uint32_t* bytesRead) override
    {
        _log.push_back("read " + name(handle) + " " + std::to_string(size));
        *bytesRead = 0;
        Step step;
        Device* const device = attempt(handle, Read, step);
        if (device == nullptr)
            return step.status;
        // What has arrived; a read never waits for what is still to come.
        arrive(*device, Clock::now());
        *bytesRead = std::min({size, step.limit, static_cast<std::uint32_t>(device->received.size())});
        std::memcpy(buffer, device->received.data(), *bytesRead);
        device->received.erase(0, *bytesRead);
        return 0;
    }

private:
    using Clock = std::chrono::steady_clock;
    struct Arrival
    {
        Clock::time_point at;
        std::string bytes;
    };
    struct Device
    {
        std::deque<Arrival> scheduled;  // in the order reply() gave them
        std::string received;           // arrived, not yet read
        std::string written;
    };
    struct HandleState
    {
        std::string description;
        bool open;
    };

    static std::uintptr_t id(void* handle) { return reinterpret_cast<std::uintptr_t>(handle); }

    static void arrive(Device& device, Clock::time_point now)
    {
        while (!device.scheduled.empty() && device.scheduled.front().at <= now)
        {
            device.received += device.scheduled.front().bytes;
            device.scheduled.pop_front();
        }
    }

    Step next(Call call)
    {
        std::deque<Step>& steps = _steps[call];
        if (steps.empty())
            return ok();
        const Step step = steps.front();
        steps.pop_front();
        return step;
    }

    // The device of an open handle whose attempt of this call succeeds, with
    // the step taken; otherwise null and step.status is the answer.
    Device* attempt(void* handle, Call call, Step& step)
    {
        HandleState* const state = openHandle(handle);
        if (state == nullptr)
        {
            step = fails(1);
            return nullptr;
        }
        step = next(call);
        return step.status == 0 ? &_devices[state->description] : nullptr;
    }

    HandleState* openHandle(void* handle)
    {
        const auto it = _handles.find(id(handle));
        if (it == _handles.end() || !it->second.open)
        {
            ++_misuses;
            return nullptr;
        }
        return &it->second;
    }

    qvx::platform::FtdiDriver* _previous;
    std::map<std::string, Device> _devices;
    std::map<std::uintptr_t, HandleState> _handles;
    std::map<Call, std::deque<Step>> _steps;
    // Far from small numbers, so a scripted handle is never mistaken for another driver's.
    static constexpr std::uintptr_t FIRST_HANDLE = 0x5100;
    std::uintptr_t _nextHandle = FIRST_HANDLE;
    std::vector<std::string> _log;
    int _misuses = 0;
};

}  // namespace qvxtest

#endif
