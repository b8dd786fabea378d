#ifndef QVX_CURRENT_TIME_H
#define QVX_CURRENT_TIME_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>

#include <boost/thread/mutex.hpp>

#include "Clock.h"
#include "QvxExport.h"

class CurrentTime;

// Comparisons of the instants; the zone offset and daylight flag take no part.
QVXUTIL_API bool operator<(const CurrentTime& a, const CurrentTime& b);
QVXUTIL_API bool operator>(const CurrentTime& a, const CurrentTime& b);
QVXUTIL_API bool operator==(const CurrentTime& a, const CurrentTime& b);
QVXUTIL_API bool operator<=(const CurrentTime& a, const CurrentTime& b);
QVXUTIL_API bool operator>=(const CurrentTime& a, const CurrentTime& b);
QVXUTIL_API bool operator!=(const CurrentTime& a, const CurrentTime& b);
// Writes the text (made if needed).
QVXUTIL_API std::ostream& operator<<(std::ostream& os, const CurrentTime& t);

// A point in calendar time with millisecond resolution. A default-constructed
// value is the moment of its construction; subclasses build values from local
// calendar fields (checked field by field) and take values apart through the
// protected getters. Values compare by their instant (seconds * 1000 +
// milliseconds), whatever zone offset or daylight flag they carry, and print as
// "2026 Dec 05 00:45:32.045" in the process's time zone.
//
// The text is made once per value, under the value's own mutex, so values may
// be read from several threads; assignment is not guarded.
//
// When the host cannot convert the stored seconds to local time (the check
// "p_tm" fails and returns, in nop mode), the calendar getters give 0 and the
// text is empty: no field of a conversion that did not happen is made up.
class QVXUTIL_API CurrentTime
{
public:
    CurrentTime();
    CurrentTime(const CurrentTime& other);
    CurrentTime& operator=(const CurrentTime& other);
    virtual ~CurrentTime();

    std::string fmt() const;

    friend bool operator<(const CurrentTime& a, const CurrentTime& b);
    friend bool operator>(const CurrentTime& a, const CurrentTime& b);
    friend bool operator==(const CurrentTime& a, const CurrentTime& b);
    friend bool operator<=(const CurrentTime& a, const CurrentTime& b);
    friend bool operator>=(const CurrentTime& a, const CurrentTime& b);
    friend bool operator!=(const CurrentTime& a, const CurrentTime& b);
    friend std::ostream& operator<<(std::ostream& os, const CurrentTime& t);

protected:
    // Local wall-clock fields of the process's own time zone. The zone offset
    // and daylight flag are stored as given; they do not enter the conversion.
    CurrentTime(bool dayLightSavings, unsigned int millisecond, unsigned int second,
                unsigned int minute, unsigned int hour, unsigned int day, unsigned int month,
                unsigned int year, int timeZoneOffsetInMinutes);

    unsigned int getSecond() const;
    unsigned int getMinute() const;
    unsigned int getHour() const;
    unsigned int getDay() const;
    unsigned int getMonth() const;
    unsigned int getYear() const;
    unsigned int getWeekDay() const;
    unsigned int getYearDay() const;
    unsigned int getMillisecond() const;
    int getTimeZoneOffsetInMinutes() const;
    bool getDayLightSavingsFlag() const;

private:
    typedef qvx::platform::TimeRecord TimeRecord;

    static const std::size_t maxTimeStringSize = 32;

    // Days of the month by the Gregorian rule. A month outside 1 to 12 (its
    // checks returned, in nop mode) has 0 days, so no day passes for it.
    static unsigned int maxDay(unsigned int month, unsigned int year);
    static TimeRecord init(bool dayLightSavings, unsigned int millisecond, unsigned int second,
                           unsigned int minute, unsigned int hour, unsigned int day,
                           unsigned int month, unsigned int year, int timeZoneOffsetInMinutes);
    static void copy(TimeRecord& to, const TimeRecord& from);
    std::int64_t totalMilliseconds() const;
    // Makes the text once; returns it.
    const char* formatTime() const;
    qvx::platform::CalendarTime localFields() const;

    TimeRecord _time;
    mutable std::unique_ptr<char[]> _timeString;
    mutable boost::mutex _mutex;
};

#endif
