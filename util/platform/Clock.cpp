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
std::atomic<std::size_t (*)(char*, std::size_t, const char*, const CalendarTime&)> g_format{nullptr};

template <class F>
F installed(std::atomic<F>& slot, F host)
{
    const F f = slot.load();
    return f != nullptr ? f : host;
}

// Stores f, or null when f is the host's own; returns the function in force before.
template <class F>
F install(std::atomic<F>& slot, F f, F host)
{
    const F previous = slot.exchange(f == host ? nullptr : f);
    return previous != nullptr ? previous : host;
}

const char* const WEEK_DAYS[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const MONTHS[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

}  // namespace

CalendarTime calendarTimeFromTm(const std::tm& tm)
{
    CalendarTime local;
    local.second = tm.tm_sec;
    local.minute = tm.tm_min;
    local.hour = tm.tm_hour;
    local.day = tm.tm_mday;
    local.month = tm.tm_mon;
    local.year = tm.tm_year;
    local.weekDay = tm.tm_wday;
    local.yearDay = tm.tm_yday;
    local.daylight = tm.tm_isdst;
    return local;
}

std::tm tmFromCalendarTime(const CalendarTime& local)
{
    std::tm tm = {};
    tm.tm_sec = local.second;
    tm.tm_min = local.minute;
    tm.tm_hour = local.hour;
    tm.tm_mday = local.day;
    tm.tm_mon = local.month;
    tm.tm_year = local.year;
    tm.tm_wday = local.weekDay;
    tm.tm_yday = local.yearDay;
    tm.tm_isdst = local.daylight;
    return tm;
}

void readClock(TimeRecord& record)
{
    installed(g_read, hostClockFunctions().read)(record);
}

bool toLocalTime(std::int64_t seconds, CalendarTime& local)
{
    return installed(g_toLocal, hostClockFunctions().toLocal)(seconds, local);
}

std::int64_t fromLocalTime(const CalendarTime& local)
{
    return installed(g_fromLocal, hostClockFunctions().fromLocal)(local);
}

std::size_t formatCalendarTime(char* buffer, std::size_t size, const char* format,
                               const CalendarTime& local)
{
    return installed(g_format, hostClockFunctions().format)(buffer, size, format, local);
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
    previous.read = install(g_read, functions.read, host.read);
    previous.toLocal = install(g_toLocal, functions.toLocal, host.toLocal);
    previous.fromLocal = install(g_fromLocal, functions.fromLocal, host.fromLocal);
    previous.format = install(g_format, functions.format, host.format);
    return previous;
}

}  // namespace platform
}  // namespace qvx
