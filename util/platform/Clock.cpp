#include "Clock.h"

#include <atomic>
#include <cstdio>

namespace qvx {
namespace platform {

namespace {

// Null means the host's own primitive.
std::atomic<void (*)(TimeRecord&)> g_read{nullptr};
std::atomic<bool (*)(std::int64_t, CalendarTime&)> g_toLocal{nullptr};
std::atomic<std::int64_t (*)(const CalendarTime&)> g_fromLocal{nullptr};

const char* const WEEK_DAYS[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const MONTHS[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

}  // namespace

void readClock(TimeRecord& record)
{
    void (*read)(TimeRecord&) = g_read.load();
    (read != nullptr ? read : hostClockFunctions().read)(record);
}

bool toLocalTime(std::int64_t seconds, CalendarTime& local)
{
    bool (*toLocal)(std::int64_t, CalendarTime&) = g_toLocal.load();
    return (toLocal != nullptr ? toLocal : hostClockFunctions().toLocal)(seconds, local);
}

std::int64_t fromLocalTime(const CalendarTime& local)
{
    std::int64_t (*fromLocal)(const CalendarTime&) = g_fromLocal.load();
    return (fromLocal != nullptr ? fromLocal : hostClockFunctions().fromLocal)(local);
}

bool ctimeText(std::int64_t seconds, char (&text)[26])
{
    text[0] = '\0';
    CalendarTime t;
    if (!toLocalTime(seconds, t) || t.weekDay < 0 || t.weekDay > 6 || t.month < 0 || t.month > 11)
        return false;
    // The C library's asctime layout, with its English names in every locale.
    const int n = std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %d\n",
                                WEEK_DAYS[t.weekDay], MONTHS[t.month], t.day, t.hour, t.minute,
                                t.second, 1900 + t.year);
    if (n != 25)
    {
        text[0] = '\0';
        return false;
    }
    return true;
}

ClockFunctions setClockFunctions(const ClockFunctions& functions)
{
    const ClockFunctions host = hostClockFunctions();
    ClockFunctions previous;
    previous.read = g_read.exchange(functions.read == host.read ? nullptr : functions.read);
    previous.toLocal =
        g_toLocal.exchange(functions.toLocal == host.toLocal ? nullptr : functions.toLocal);
    previous.fromLocal =
        g_fromLocal.exchange(functions.fromLocal == host.fromLocal ? nullptr : functions.fromLocal);
    if (previous.read == nullptr)
        previous.read = host.read;
    if (previous.toLocal == nullptr)
        previous.toLocal = host.toLocal;
    if (previous.fromLocal == nullptr)
        previous.fromLocal = host.fromLocal;
    return previous;
}

}  // namespace platform
}  // namespace qvx
