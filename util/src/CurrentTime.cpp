#include "CurrentTime.h"

#include <cstdio>
#include <mutex>

#include "kbrAssert.h"

namespace {

const unsigned int DAYS_PER_MONTH[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// The time-zone settings are loaded before the first text of the process.
// The text is made under each value's own mutex, so two values formatted on
// two threads hold different locks: a plain flag would be a data race there.
// call_once loads the settings exactly once and makes every later caller see
// them loaded.
std::once_flag g_timeZoneLoaded;

bool isLeapYear(unsigned int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

}  // namespace

CurrentTime::CurrentTime()
{
    qvx::platform::readClock(_time);
}

CurrentTime::CurrentTime(const CurrentTime& other)
{
    copy(_time, other._time);
}

CurrentTime& CurrentTime::operator=(const CurrentTime& other)
{
    if (this == &other)
        return *this;
    copy(_time, other._time);
    _timeString.reset();
    return *this;
}

CurrentTime::~CurrentTime() = default;

CurrentTime::CurrentTime(bool dayLightSavings, unsigned int millisecond, unsigned int second,
                         unsigned int minute, unsigned int hour, unsigned int day,
                         unsigned int month, unsigned int year, int timeZoneOffsetInMinutes)
    : _time(init(dayLightSavings, millisecond, second, minute, hour, day, month, year,
                 timeZoneOffsetInMinutes))
{
}

unsigned int CurrentTime::maxDay(unsigned int month, unsigned int year)
{
    KBR_ASSERT(month >= 1);
    KBR_ASSERT(month <= 12);
    KBR_ASSERT(year >= 1970);
    KBR_ASSERT(year <= 3000);
    if (month < 1 || month > 12)
        return 0;
    if (month == 2 && isLeapYear(year))
        return 29;
    return DAYS_PER_MONTH[month - 1];
}

CurrentTime::TimeRecord CurrentTime::init(bool dayLightSavings, unsigned int millisecond,
                                          unsigned int second, unsigned int minute,
                                          unsigned int hour, unsigned int day, unsigned int month,
                                          unsigned int year, int timeZoneOffsetInMinutes)
{
    KBR_ASSERT(millisecond <= 999);
    KBR_ASSERT(second <= 59);
    KBR_ASSERT(minute <= 59);
    KBR_ASSERT(hour <= 23);
    KBR_ASSERT(day >= 1);
    KBR_ASSERT(day <= maxDay(month, year));
    KBR_ASSERT(month >= 1);
    KBR_ASSERT(month <= 12);
    KBR_ASSERT(year >= 1970);
    KBR_ASSERT(year <= 3000);
    KBR_ASSERT(timeZoneOffsetInMinutes >= -720);
    KBR_ASSERT(timeZoneOffsetInMinutes <= +720);

    qvx::platform::CalendarTime fields = {};
    fields.second = static_cast<int>(second);
    fields.minute = static_cast<int>(minute);
    fields.hour = static_cast<int>(hour);
    fields.day = static_cast<int>(day);
    fields.month = static_cast<int>(month) - 1;
    fields.year = static_cast<int>(year) - 1900;
    fields.daylight = -1;
    const std::int64_t encodedTime = qvx::platform::fromLocalTime(fields);
    if (encodedTime == -1)
        showKbrAssertWithMessage("encodedTime != static_cast<__time64_t>(-1)",
                                 "Specified calendar time cannot be represented.", __FILE__,
                                 __LINE__);

    TimeRecord record;
    record.seconds = encodedTime;
    record.milliseconds = static_cast<std::uint16_t>(millisecond);
    record.zoneOffsetMinutes = static_cast<std::int16_t>(timeZoneOffsetInMinutes);
    record.daylightFlag = dayLightSavings ? 1 : 0;
    return record;
}

void CurrentTime::copy(TimeRecord& to, const TimeRecord& from)
{
    to = from;
}

std::int64_t CurrentTime::totalMilliseconds() const
{
    return _time.seconds * 1000 + _time.milliseconds;
}

qvx::platform::CalendarTime CurrentTime::localFields() const
{
    qvx::platform::CalendarTime fields = {};
    const bool p_tm = qvx::platform::toLocalTime(_time.seconds, fields);
    KBR_ASSERT(p_tm);
    if (!p_tm)
        return qvx::platform::CalendarTime{0, 0, 0, 0, -1, -1900, 0, 0, 0};
    return fields;
}

const char* CurrentTime::formatTime() const
{
    boost::mutex::scoped_lock lock(_mutex);
    if (_timeString)
        return _timeString.get();

    std::call_once(g_timeZoneLoaded, &qvx::platform::loadTimeZone);

    std::unique_ptr<char[]> text(new char[maxTimeStringSize]);
    text[0] = '\0';
    qvx::platform::CalendarTime fields = {};
    const bool p_tm = qvx::platform::toLocalTime(_time.seconds, fields);
    KBR_ASSERT(p_tm);
    if (p_tm)
    {
        const std::size_t m = qvx::platform::formatCalendarTime(
            text.get(), maxTimeStringSize, "%Y %b %d %H:%M:%S", fields);
        KBR_ASSERT(m < maxTimeStringSize);
        if (m == 0 || m >= maxTimeStringSize)
        {
            text[0] = '\0';
        }
        else
        {
            // Counts as appended only when the whole ".nnn" fits.
            const std::size_t room = maxTimeStringSize - m;
            const int written = std::snprintf(text.get() + m, room, ".%03hu",
                                              static_cast<unsigned short>(_time.milliseconds));
            const int n = (written > 0 && static_cast<std::size_t>(written) < room) ? written : -1;
            KBR_ASSERT(n > 0);
        }
    }
    text[maxTimeStringSize - 1] = '\0';
    _timeString = std::move(text);
    return _timeString.get();
}

std::string CurrentTime::fmt() const
{
    return std::string(formatTime());
}

unsigned int CurrentTime::getSecond() const
{
    return static_cast<unsigned int>(localFields().second);
}

unsigned int CurrentTime::getMinute() const
{
    return static_cast<unsigned int>(localFields().minute);
}

unsigned int CurrentTime::getHour() const
{
    return static_cast<unsigned int>(localFields().hour);
}

unsigned int CurrentTime::getDay() const
{
    return static_cast<unsigned int>(localFields().day);
}

unsigned int CurrentTime::getMonth() const
{
    return static_cast<unsigned int>(localFields().month + 1);
}

unsigned int CurrentTime::getYear() const
{
    return static_cast<unsigned int>(localFields().year + 1900);
}

unsigned int CurrentTime::getWeekDay() const
{
    return static_cast<unsigned int>(localFields().weekDay);
}

unsigned int CurrentTime::getYearDay() const
{
    return static_cast<unsigned int>(localFields().yearDay);
}

unsigned int CurrentTime::getMillisecond() const
{
    return _time.milliseconds;
}

int CurrentTime::getTimeZoneOffsetInMinutes() const
{
    return _time.zoneOffsetMinutes;
}

bool CurrentTime::getDayLightSavingsFlag() const
{
    return _time.daylightFlag != 0;
}

bool operator<(const CurrentTime& a, const CurrentTime& b)
{
    return a.totalMilliseconds() < b.totalMilliseconds();
}

bool operator>(const CurrentTime& a, const CurrentTime& b)
{
    return a.totalMilliseconds() > b.totalMilliseconds();
}

bool operator==(const CurrentTime& a, const CurrentTime& b)
{
    return a.totalMilliseconds() == b.totalMilliseconds();
}

bool operator<=(const CurrentTime& a, const CurrentTime& b)
{
    return a.totalMilliseconds() <= b.totalMilliseconds();
}

bool operator>=(const CurrentTime& a, const CurrentTime& b)
{
    return a.totalMilliseconds() >= b.totalMilliseconds();
}

bool operator!=(const CurrentTime& a, const CurrentTime& b)
{
    return a.totalMilliseconds() != b.totalMilliseconds();
}

std::ostream& operator<<(std::ostream& os, const CurrentTime& t)
{
    os << t.formatTime();
    return os;
}
