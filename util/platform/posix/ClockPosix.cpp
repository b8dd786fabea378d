#include "Clock.h"

#include <clocale>
#include <ctime>
#include <locale.h>
#include <time.h>

namespace qvx {
namespace platform {

namespace {

void hostRead(TimeRecord& record)
{
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    record.seconds = static_cast<std::int64_t>(now.tv_sec);
    record.milliseconds = static_cast<std::uint16_t>(now.tv_nsec / 1000000);
    struct tm tm;
    const time_t t = now.tv_sec;
    if (localtime_r(&t, &tm) != nullptr)
    {
        record.zoneOffsetMinutes = static_cast<std::int16_t>(-tm.tm_gmtoff / 60);
        record.daylightFlag = static_cast<std::int16_t>(tm.tm_isdst > 0 ? 1 : 0);
    }
    else
    {
        record.zoneOffsetMinutes = 0;
        record.daylightFlag = 0;
    }
}

bool hostToLocal(std::int64_t seconds, CalendarTime& local)
{
    const time_t t = static_cast<time_t>(seconds);
    struct tm tm;
    if (localtime_r(&t, &tm) == nullptr)
        return false;
    local = calendarTimeFromTm(tm);
    return true;
}

std::int64_t hostFromLocal(const CalendarTime& local)
{
    struct tm tm = tmFromCalendarTime(local);
    return static_cast<std::int64_t>(mktime(&tm));
}

locale_t classicLocale()
{
    // Made once and kept for the process; newlocale is thread-safe.
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return c;
}

std::size_t hostFormat(char* buffer, std::size_t size, const char* format,
                       const CalendarTime& local)
{
    const struct tm tm = tmFromCalendarTime(local);
    const locale_t c = classicLocale();
    if (c == static_cast<locale_t>(0))
        return strftime(buffer, size, format, &tm);
    return strftime_l(buffer, size, format, &tm, c);
}

}  // namespace

void loadTimeZone()
{
    tzset();
}

ClockFunctions hostClockFunctions()
{
    return ClockFunctions{&hostRead, &hostToLocal, &hostFromLocal, &hostFormat};
}

}  // namespace platform
}  // namespace qvx
