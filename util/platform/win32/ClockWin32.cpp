// The C run-time's 64-bit time calls behind the clock facility: _ftime64 for
// the reading, _localtime64_s and _mktime64 for the conversions, _tzset for
// the zone settings, strftime in the "C" locale for texts.
#include "Clock.h"

#include <sys/timeb.h>

#include <clocale>
#include <ctime>
#include <locale.h>
#include <time.h>

namespace qvx {
namespace platform {

namespace {

void hostRead(TimeRecord& record)
{
    __timeb64 now;
    _ftime64(&now);
    record.seconds = static_cast<std::int64_t>(now.time);
    record.milliseconds = static_cast<std::uint16_t>(now.millitm);
    // _ftime64 gives the standard zone offset; the record carries the one in
    // effect, daylight saving included.
    record.zoneOffsetMinutes = static_cast<std::int16_t>(now.timezone - (now.dstflag ? 60 : 0));
    record.daylightFlag = static_cast<std::int16_t>(now.dstflag ? 1 : 0);
}

bool hostToLocal(std::int64_t seconds, CalendarTime& local)
{
    const __time64_t t = static_cast<__time64_t>(seconds);
    struct tm tm;
    if (_localtime64_s(&tm, &t) != 0)
        return false;
    local = calendarTimeFromTm(tm);
    return true;
}

std::int64_t hostFromLocal(const CalendarTime& local)
{
    struct tm tm = tmFromCalendarTime(local);
    return static_cast<std::int64_t>(_mktime64(&tm));
}

bool inRange(int value, int low, int high)
{
    return value >= low && value <= high;
}

std::size_t hostFormat(char* buffer, std::size_t size, const char* format, const CalendarTime& local)
{
    // The run-time's strftime treats fields out of range as an invalid
    // parameter; such fields format to nothing here instead.
    if (!inRange(local.second, 0, 60) || !inRange(local.minute, 0, 59) || !inRange(local.hour, 0, 23) ||
        !inRange(local.day, 1, 31) || !inRange(local.month, 0, 11) || !inRange(local.year, 0, 8099) ||
        !inRange(local.weekDay, 0, 6) || !inRange(local.yearDay, 0, 365) || size == 0)
        return 0;
    const struct tm tm = tmFromCalendarTime(local);
    // The run-time starts in the "C" locale and the library never changes it;
    // the layouts the library formats use numeric fields and English names
    // of that locale.
    return strftime(buffer, size, format, &tm);
}

}  // namespace

void loadTimeZone()
{
    _tzset();
}

ClockFunctions hostClockFunctions()
{
    return ClockFunctions{&hostRead, &hostToLocal, &hostFromLocal, &hostFormat};
}

}  // namespace platform
}  // namespace qvx
