#ifndef QVX_CLOCK_H
#define QVX_CLOCK_H

#include <cstddef>
#include <cstdint>
#include <ctime>

#include "QvxExport.h"

// The host's wall clock and local-time conversions, as the time classes need
// them: a clock reading with milliseconds, zone offset and daylight flag; the
// conversion of epoch seconds to local calendar fields and back; loading the
// process's time-zone settings; and the two fixed text layouts built from
// local fields.
namespace qvx {
namespace platform {

// A clock reading. zoneOffsetMinutes is UTC minus local time in minutes
// (positive west of Greenwich) at the moment of the reading, daylight saving
// included; daylightFlag is nonzero while daylight saving time is in effect.
struct TimeRecord
{
    std::int64_t seconds;       // since 1970-01-01 00:00:00 UTC
    std::uint16_t milliseconds; // 0 to 999
    std::int16_t zoneOffsetMinutes;
    std::int16_t daylightFlag;
};

// Local calendar fields, counted as the C library counts them.
struct CalendarTime
{
    int second;   // 0 to 60
    int minute;   // 0 to 59
    int hour;     // 0 to 23
    int day;      // day of the month, from 1
    int month;    // 0 for January
    int year;     // years since 1900
    int weekDay;  // 0 for Sunday
    int yearDay;  // 0 for the first of January
    int daylight; // > 0 in effect, 0 not, < 0 unknown (let the host decide)
};

// The C library's broken-down time and the calendar record, field for field
// (the hosts' conversions and formatting go through std::tm).
QVXUTIL_API CalendarTime calendarTimeFromTm(const std::tm& tm);
QVXUTIL_API std::tm tmFromCalendarTime(const CalendarTime& local);

// The host's primitives behind this facility. Tests install a scripted set
// only to reach states the host cannot produce on demand (a given clock
// reading, a failing local-time conversion, a text that does not fit);
// everything else runs on the real clock.
struct ClockFunctions
{
    void (*read)(TimeRecord& record);
    bool (*toLocal)(std::int64_t seconds, CalendarTime& local);
    // -1 when the fields cannot be represented (as the host's mktime).
    std::int64_t (*fromLocal)(const CalendarTime& local);
    std::size_t (*format)(char* buffer, std::size_t size, const char* format,
                          const CalendarTime& local);
};

QVXUTIL_API void readClock(TimeRecord& record);
QVXUTIL_API bool toLocalTime(std::int64_t seconds, CalendarTime& local);
QVXUTIL_API std::int64_t fromLocalTime(const CalendarTime& local);

// Reads the time-zone settings (TZ) of the process anew.
QVXUTIL_API void loadTimeZone();

// Formats local fields with a strftime format in the classic ("C") locale,
// whatever locale the process has set. Returns the length written, 0 when
// the text does not fit into size characters with its terminator.
QVXUTIL_API std::size_t formatCalendarTime(char* buffer, std::size_t size, const char* format,
                                           const CalendarTime& local);

// The standard ctime layout of seconds in local time: 24 characters and a line
// feed, "Sat Dec  5 12:03:05 2026\n" (a day below 10 is padded with a blank).
// Returns false, leaving text empty, when the local-time conversion fails.
QVXUTIL_API bool ctimeText(std::int64_t seconds, char (&text)[26]);

// Installs a replacement set of primitives; returns the set in force before.
// hostClockFunctions() gives the host's own set, to restore it.
QVXUTIL_API ClockFunctions setClockFunctions(const ClockFunctions& functions);
QVXUTIL_API ClockFunctions hostClockFunctions();

}  // namespace platform
}  // namespace qvx

#endif
