#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "AssertException.h"
#include "Clock.h"
#include "CurrentTime.h"
#include "FailedCheck.h"
#include "TempDir.h"
#include "Timer.h"

using qvxtest::failedCheck;
namespace platform = qvx::platform;

namespace {

// Central European time with its daylight saving rule, needing no zone database.
const char* const CET = "CET-1CEST,M3.5.0,M10.5.0/3";

void pinZone(const char* tz)
{
    setenv("TZ", tz, 1);
    platform::loadTimeZone();
}

// Opens the protected constructor and getters.
struct Moment : CurrentTime
{
    Moment() = default;
    Moment(unsigned y, unsigned mo, unsigned d, unsigned h, unsigned mi, unsigned s, unsigned ms,
           int zone = 0, bool dst = false)
        : CurrentTime(dst, ms, s, mi, h, d, mo, y, zone)
    {
    }
    using CurrentTime::getDay, CurrentTime::getDayLightSavingsFlag, CurrentTime::getHour,
        CurrentTime::getMillisecond, CurrentTime::getMinute, CurrentTime::getMonth,
        CurrentTime::getSecond, CurrentTime::getTimeZoneOffsetInMinutes, CurrentTime::getWeekDay,
        CurrentTime::getYear, CurrentTime::getYearDay;
};

std::string check(unsigned y, unsigned mo, unsigned d, unsigned h = 0, unsigned mi = 0,
                  unsigned s = 0, unsigned ms = 0, int zone = 0)
{
    return failedCheck([&] { Moment(y, mo, d, h, mi, s, ms, zone); });
}

// Replaces some of the host's clock primitives for a scope.
struct ScriptedClock
{
    template <class Change>
    explicit ScriptedClock(Change change) : previous(platform::hostClockFunctions())
    {
        platform::ClockFunctions f = previous;
        change(f);
        previous = platform::setClockFunctions(f);
    }
    ~ScriptedClock() { platform::setClockFunctions(previous); }
    platform::ClockFunctions previous;
};
platform::TimeRecord g_reading;
void readScripted(platform::TimeRecord& record) { record = g_reading; }
bool failToLocal(std::int64_t, platform::CalendarTime&) { return false; }
// Fills what fits of `claim` characters and reports `claim`, as a text too long would.
std::size_t g_claim;
std::size_t formatLong(char* buffer, std::size_t size, const char*, const platform::CalendarTime&)
{
    const std::size_t n = std::min(g_claim, size - 1);
    return std::memset(buffer, 'x', n), buffer[n] = '\0', g_claim;
}
}  // namespace

TEST(CurrentTimeTest, FieldChecksInOrderAndTheLeapYearRule)
{
    pinZone("UTC0");
    EXPECT_EQ("millisecond <= 999", check(2026, 12, 5, 24, 60, 60, 1000));
    EXPECT_EQ("second <= 59", check(2026, 12, 5, 24, 60, 60));
    EXPECT_EQ("minute <= 59", check(2026, 12, 5, 24, 60));
    EXPECT_EQ("hour <= 23", check(2026, 12, 5, 24));
    EXPECT_EQ("day >= 1", check(3001, 13, 0));
    EXPECT_EQ("month >= 1", check(2026, 0, 1));  // maxDay's own checks come first
    EXPECT_EQ("month <= 12", check(2026, 13, 1));
    EXPECT_EQ("year >= 1970", check(1969, 12, 31));
    EXPECT_EQ("year <= 3000", check(3001, 1, 1));
    EXPECT_EQ("timeZoneOffsetInMinutes <= +720", check(2026, 12, 5, 0, 0, 0, 0, 721));
    EXPECT_EQ("timeZoneOffsetInMinutes >= -720", check(2026, 12, 5, 0, 0, 0, 0, -721));
    EXPECT_EQ("", check(2026, 12, 5, 0, 0, 0, 0, -720));
    EXPECT_EQ("", check(3000, 12, 31, 23, 59, 59, 999, 720));

    const unsigned days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (unsigned year : {2023u, 2024u, 2000u, 2100u, 2400u, 1970u, 3000u})
        for (unsigned month = 1; month <= 12; ++month)
        {
            const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
            const unsigned last = days[month - 1] + (month == 2 && leap ? 1 : 0);
            EXPECT_EQ("", check(year, month, last)) << year << "-" << month;
            EXPECT_EQ("day <= maxDay(month, year)", check(year, month, last + 1)) << year << "-" << month;
        }

    // One hour east of UTC, 1970-01-01 00:59:59 is the second before the epoch:
    // the conversion's -1 reads as failure.
    pinZone("UTC-1");
    EXPECT_EQ("", check(1970, 1, 1, 1));
    EXPECT_EQ("encodedTime != static_cast<__time64_t>(-1)", check(1970, 1, 1, 0, 59, 59));
    const std::string message = qvxtest::thrown<AssertException>(
        [] { qvxtest::ExceptionMode mode; Moment(1970, 1, 1, 0, 59, 59, 0); }, true);
    EXPECT_NE(std::string::npos, message.find("(Specified calendar time cannot be represented.)")) << message;
}

TEST(CurrentTimeTest, TextGettersAndCaching)
{
    pinZone("UTC0");
    Moment m(2026, 12, 5, 0, 45, 32, 45, -60, true);
    std::ostringstream os;
    os << m << '|' << Moment(1970, 1, 1, 0, 0, 0, 7);
    EXPECT_EQ("2026 Dec 05 00:45:32.045|1970 Jan 01 00:00:00.007", os.str());
    const unsigned fields[] = {m.getYear(), m.getMonth(), m.getDay(), m.getHour(), m.getMinute(),
                               m.getSecond(), m.getMillisecond(), m.getWeekDay(), m.getYearDay()};
    const unsigned expected[] = {2026, 12, 5, 0, 45, 32, 45, 6 /* Saturday */, 338};
    EXPECT_TRUE(std::equal(fields, fields + 9, expected));
    EXPECT_EQ(-60, m.getTimeZoneOffsetInMinutes());
    EXPECT_TRUE(m.getDayLightSavingsFlag());

    // Getters convert at every call; the text stays as first made.
    pinZone(CET);
    EXPECT_EQ(1u, m.getHour());
    EXPECT_EQ("2026 Dec 05 00:45:32.045", m.fmt());
    EXPECT_EQ("2026 Dec 05 01:45:32.045", Moment(m).fmt());
    m = Moment(2026, 7, 1, 12, 0, 0, 250);  // assignment drops the cached text
    EXPECT_EQ("2026 Jul 01 12:00:00.250", m.fmt());
}

TEST(CurrentTimeTest, DaylightSavingZoneAndComparisons)
{
    pinZone(CET);
    const Moment summer(2026, 7, 1, 12, 0, 0, 0, -120, true), winter(2026, 1, 1, 12, 0, 0, 0, -60);
    const Moment now;
    EXPECT_EQ(now.getDayLightSavingsFlag() ? -120 : -60, now.getTimeZoneOffsetInMinutes());
    pinZone("UTC0");
    // The same instants built in UTC with other zone offsets compare equal.
    const Moment summerUtc(2026, 7, 1, 10, 0, 0, 0, 0), winterUtc(2026, 1, 1, 11, 0, 0, 0, 720);
    EXPECT_TRUE(summer == summerUtc && summer <= summerUtc && summer >= summerUtc && winter == winterUtc);
    EXPECT_FALSE(summer != summerUtc || summer < summerUtc || summer > summerUtc);
    EXPECT_EQ("2026 Jul 01 10:00:00.000", summer.fmt());

    const Moment a(2026, 12, 5, 0, 0, 0, 999), b(2026, 12, 5, 0, 0, 1, 0, 120, true);
    EXPECT_TRUE(a < b && a <= b && a != b && b > a && b >= a);
    EXPECT_FALSE(a == b || a > b || a >= b || b < a || b <= a);
    EXPECT_TRUE(Moment(2026, 12, 5, 0, 0, 0, 998) < a);  // milliseconds count too

    pinZone("UTC-5:30");
    EXPECT_EQ(-330, Moment().getTimeZoneOffsetInMinutes());
    EXPECT_FALSE(Moment().getDayLightSavingsFlag());
}

TEST(CurrentTimeTest, HostFailuresAreCheckedAndNeverOverrun)
{
    const Moment m(2026, 12, 5, 10, 0, 0, 45);
    {
        ScriptedClock failing([](platform::ClockFunctions& f) { f.toLocal = &failToLocal; });
        EXPECT_EQ("p_tm", failedCheck([&] { m.getHour(); }));
        EXPECT_EQ("p_tm", failedCheck([&] { Moment(m).fmt(); }));
        qvxtest::NopMode nop;
        EXPECT_EQ(0u, m.getHour() + m.getDay() + m.getMonth() + m.getYear());
        EXPECT_EQ("", Moment(m).fmt());
        EXPECT_EQ("", Timer().getCurrentTime());
    }
    ScriptedClock longText([](platform::ClockFunctions& f) { f.format = &formatLong; });
    const struct { std::size_t claim; const char* failed; std::string text; } cases[] = {
        {32, "m < maxTimeStringSize", ""},
        {31, "n > 0", std::string(31, 'x')},
        {28, "n > 0", std::string(28, 'x') + ".04"},
        {27, "", std::string(27, 'x') + ".045"},
    };
    for (const auto& c : cases)
    {
        g_claim = c.claim;
        EXPECT_EQ(c.failed, failedCheck([&] { Moment(m).fmt(); })) << c.claim;
        qvxtest::NopMode nop;
        EXPECT_EQ(c.text, Moment(m).fmt()) << c.claim;
    }
}

TEST(TimerTest, AccumulatesFromTheLastStart)
{
    Timer t;
    t.stop();  // never started: adds nothing
    EXPECT_EQ(0.0, t.getElapsedTimeInMillis());
    EXPECT_EQ("", t.getStartTime());
    t.start();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    t.stop();
    const double first = t.getElapsedTimeInMillis();
    EXPECT_TRUE(first >= 99.0 && first < 300.0) << first;
    t.stop();  // measures from the same start again
    EXPECT_GE(t.getElapsedTimeInMillis(), 2 * first);
    t.reset();
    t.start();  // a new start point
    t.stop();
    EXPECT_LT(t.getElapsedTimeInMillis(), 50.0);

    using Millis = std::chrono::duration<double, std::milli>;
    const double now = Millis(std::chrono::system_clock::now().time_since_epoch()).count();
    EXPECT_NEAR(now, t.getCurrentTimeInMillis(), 50.0);
}

TEST(TimerTest, TextIsCutFromTheCtimeLayout)
{
    pinZone("UTC0");
    const std::int64_t dec5 = 1796472185;  // 2026-12-05 12:03:05 UTC
    const struct { std::int64_t seconds; std::uint16_t ms; const char* text; } cases[] = {
        {dec5, 7, "Dec  5 12:03:05.7 2026\n"},
        {dec5, 0, "Dec  5 12:03:05.0 2026\n"},
        {dec5 + 421626, 999, "Dec 10 09:10:11.999 2026\n"},
    };
    for (const auto& c : cases)
    {
        g_reading = platform::TimeRecord{c.seconds, c.ms, 0, 0};
        ScriptedClock scripted([](platform::ClockFunctions& f) { f.read = &readScripted; });
        Timer t;
        EXPECT_EQ(c.text, t.getCurrentTime());
        t.start();
        EXPECT_EQ(c.text, t.getStartTime());
        EXPECT_EQ(static_cast<double>(c.seconds) * 1000 + c.ms, t.getCurrentTimeInMillis());
    }
}
