#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "AssertException.h"
#include "Clock.h"
#include "CurrentTime.h"
#include "FailedCheck.h"
#include "Timer.h"

using qvxtest::failedCheck;
using qvxtest::failedCheckWhere;

namespace {

// Central European time with its daylight saving rule, written out so that it
// needs no zone database.
const char* const CET = "CET-1CEST,M3.5.0,M10.5.0/3";

void pinZone(const char* tz)
{
    setenv("TZ", tz, 1);
    qvx::platform::loadTimeZone();
}

class CurrentTimeUtc : public ::testing::Test
{
protected:
    void SetUp() override { pinZone("UTC0"); }
};

// Opens the protected constructor and getters.
class Moment : public CurrentTime
{
public:
    Moment() = default;
    Moment(unsigned int year, unsigned int month, unsigned int day, unsigned int hour,
           unsigned int minute, unsigned int second, unsigned int millisecond, int zone = 0,
           bool dst = false)
        : CurrentTime(dst, millisecond, second, minute, hour, day, month, year, zone)
    {
    }
    using CurrentTime::getDay;
    using CurrentTime::getDayLightSavingsFlag;
    using CurrentTime::getHour;
    using CurrentTime::getMillisecond;
    using CurrentTime::getMinute;
    using CurrentTime::getMonth;
    using CurrentTime::getSecond;
    using CurrentTime::getTimeZoneOffsetInMinutes;
    using CurrentTime::getWeekDay;
    using CurrentTime::getYear;
    using CurrentTime::getYearDay;
};

std::string check(unsigned int year, unsigned int month, unsigned int day, unsigned int hour = 0,
                  unsigned int minute = 0, unsigned int second = 0, unsigned int ms = 0,
                  int zone = 0)
{
    return failedCheck([&] { Moment m(year, month, day, hour, minute, second, ms, zone); });
}

// Replaces the host's clock primitives for a scope.
class ScriptedClock
{
public:
    explicit ScriptedClock(const qvx::platform::ClockFunctions& functions)
        : _previous(qvx::platform::setClockFunctions(functions))
    {
    }
    ~ScriptedClock() { qvx::platform::setClockFunctions(_previous); }

private:
    qvx::platform::ClockFunctions _previous;
};

qvx::platform::TimeRecord g_reading;
void readScripted(qvx::platform::TimeRecord& record)
{
    record = g_reading;
}
bool failToLocal(std::int64_t, qvx::platform::CalendarTime&)
{
    return false;
}

}  // namespace

TEST_F(CurrentTimeUtc, FieldChecksReportInOrder)
{
    struct Case
    {
        unsigned int y, mo, d, h, mi, s, ms;
        int zone;
        const char* failed;
    };
    const Case cases[] = {
        {2026, 12, 5, 0, 0, 0, 1000, 0, "millisecond <= 999"},
        {2026, 12, 5, 0, 0, 60, 1000, 0, "millisecond <= 999"},
        {2026, 12, 5, 0, 0, 60, 0, 0, "second <= 59"},
        {2026, 12, 5, 0, 60, 0, 0, 0, "minute <= 59"},
        {2026, 12, 5, 24, 0, 0, 0, 0, "hour <= 23"},
        {2026, 13, 0, 0, 0, 0, 0, 0, "day >= 1"},
        {2100, 2, 29, 0, 0, 0, 0, 0, "day <= maxDay(month, year)"},
        {2001, 2, 29, 0, 0, 0, 0, 0, "day <= maxDay(month, year)"},
        {2026, 4, 31, 0, 0, 0, 0, 0, "day <= maxDay(month, year)"},
        {2026, 0, 1, 0, 0, 0, 0, 0, "month >= 1"},
        {2026, 13, 1, 0, 0, 0, 0, 0, "month <= 12"},
        {1969, 12, 31, 0, 0, 0, 0, 0, "year >= 1970"},
        {3001, 1, 1, 0, 0, 0, 0, 0, "year <= 3000"},
        {2026, 12, 5, 0, 0, 0, 0, 721, "timeZoneOffsetInMinutes <= +720"},
        {2026, 12, 5, 0, 0, 0, 0, -721, "timeZoneOffsetInMinutes >= -720"},
        // Accepted.
        {2000, 2, 29, 0, 0, 0, 0, 0, ""},
        {2024, 2, 29, 23, 59, 59, 999, 0, ""},
        {2026, 12, 5, 0, 0, 0, 0, -720, ""},
        {2026, 12, 5, 0, 0, 0, 0, 720, ""},
        {1970, 1, 1, 0, 0, 0, 0, 0, ""},
        {3000, 12, 31, 23, 59, 59, 999, 0, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.failed, check(c.y, c.mo, c.d, c.h, c.mi, c.s, c.ms, c.zone))
            << c.y << "-" << c.mo << "-" << c.d << " zone " << c.zone;

    // maxDay's own checks come first and name the unit.
    EXPECT_EQ("month >= 1 @ util/src/CurrentTime.cpp",
              failedCheckWhere([] { Moment m(2026, 0, 1, 0, 0, 0, 0); }));
}

TEST_F(CurrentTimeUtc, DaysPerMonthFollowTheGregorianRule)
{
    const unsigned int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (unsigned int year : {2023u, 2024u, 2000u, 2100u, 2400u, 1970u, 3000u})
    {
        const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        for (unsigned int month = 1; month <= 12; ++month)
        {
            const unsigned int last = days[month - 1] + (month == 2 && leap ? 1 : 0);
            EXPECT_EQ("", check(year, month, last)) << year << "-" << month;
            EXPECT_EQ("day <= maxDay(month, year)", check(year, month, last + 1))
                << year << "-" << month;
        }
    }
}

TEST(CurrentTimeTest, UnrepresentableCalendarTime)
{
    // One hour east of UTC, 1970-01-01 00:59:59 local is one second before
    // the epoch: the conversion's -1 reads as failure.
    pinZone("UTC-1");
    qvxtest::ExceptionMode mode;
    try
    {
        Moment m(1970, 1, 1, 0, 59, 59, 0);
        FAIL() << "accepted";
    }
    catch (const AssertException& e)
    {
        EXPECT_EQ("encodedTime != static_cast<__time64_t>(-1)", e.getParameter(0));
        EXPECT_NE(std::string::npos,
                  e.getMessage().find("(Specified calendar time cannot be represented.)"));
    }
    EXPECT_EQ("", check(1970, 1, 1, 1, 0, 0));
}

TEST_F(CurrentTimeUtc, TextFormAndCaching)
{
    Moment m(2026, 12, 5, 0, 45, 32, 45);
    EXPECT_EQ("2026 Dec 05 00:45:32.045", m.fmt());
    EXPECT_EQ("2026 Dec 05 00:45:32.045", m.fmt());
    std::ostringstream os;
    os << m << '|' << Moment(m);
    EXPECT_EQ("2026 Dec 05 00:45:32.045|2026 Dec 05 00:45:32.045", os.str());
    EXPECT_EQ("1970 Jan 01 00:00:00.007", Moment(1970, 1, 1, 0, 0, 0, 7).fmt());
    EXPECT_EQ("3000 Dec 31 23:59:59.999", Moment(3000, 12, 31, 23, 59, 59, 999).fmt());

    // The text is the zone's at the first formatting and stays cached.
    pinZone(CET);
    EXPECT_EQ("2026 Dec 05 00:45:32.045", m.fmt());
    EXPECT_EQ("2026 Dec 05 01:45:32.045", Moment(m).fmt());

    // Assignment drops the cached text.
    Moment other(2026, 7, 1, 12, 0, 0, 250);
    m = other;
    EXPECT_EQ("2026 Jul 01 12:00:00.250", m.fmt());
    m = m;
    EXPECT_EQ("2026 Jul 01 12:00:00.250", m.fmt());
}

TEST_F(CurrentTimeUtc, GettersTakeTheLocalCalendarApart)
{
    const Moment m(2026, 12, 5, 0, 45, 32, 45, -60, true);
    EXPECT_EQ(2026u, m.getYear());
    EXPECT_EQ(12u, m.getMonth());
    EXPECT_EQ(5u, m.getDay());
    EXPECT_EQ(0u, m.getHour());
    EXPECT_EQ(45u, m.getMinute());
    EXPECT_EQ(32u, m.getSecond());
    EXPECT_EQ(45u, m.getMillisecond());
    EXPECT_EQ(6u, m.getWeekDay());    // a Saturday
    EXPECT_EQ(338u, m.getYearDay());  // 334 days before December
    EXPECT_EQ(-60, m.getTimeZoneOffsetInMinutes());
    EXPECT_TRUE(m.getDayLightSavingsFlag());
    EXPECT_EQ(59u, Moment(2024, 2, 29, 0, 0, 0, 0).getYearDay());

    pinZone(CET);  // read again at every call
    EXPECT_EQ(1u, m.getHour());
}

TEST(CurrentTimeTest, DaylightSavingZone)
{
    pinZone(CET);
    const Moment summer(2026, 7, 1, 12, 0, 0, 0, -120, true);
    const Moment winter(2026, 1, 1, 12, 0, 0, 0, -60, false);
    EXPECT_EQ("2026 Jul 01 12:00:00.000", summer.fmt());
    EXPECT_EQ(12u, summer.getHour());

    pinZone("UTC0");
    // Same instants built in UTC with another zone offset compare equal.
    EXPECT_TRUE(summer == Moment(2026, 7, 1, 10, 0, 0, 0));
    EXPECT_TRUE(winter == Moment(2026, 1, 1, 11, 0, 0, 0, 0));
    EXPECT_EQ(10u, summer.getHour());
    EXPECT_EQ("2026 Jul 01 10:00:00.000", Moment(summer).fmt());

    // A reading of the clock carries the zone's current offset and flag.
    pinZone(CET);
    const Moment now;
    EXPECT_EQ(now.getDayLightSavingsFlag() ? -120 : -60, now.getTimeZoneOffsetInMinutes());
    pinZone("UTC-5:30");
    EXPECT_EQ(-330, Moment().getTimeZoneOffsetInMinutes());
    EXPECT_FALSE(Moment().getDayLightSavingsFlag());
}

TEST_F(CurrentTimeUtc, ComparisonsUseTheInstant)
{
    const Moment a(2026, 12, 5, 0, 0, 0, 999);
    const Moment b(2026, 12, 5, 0, 0, 1, 0, 120, true);
    EXPECT_TRUE(a < b && a <= b && a != b && b > a && b >= a);
    EXPECT_FALSE(a == b || a > b || a >= b || b < a || b <= a);
    const Moment c(2026, 12, 5, 0, 0, 1, 0, -720);
    EXPECT_TRUE(b == c && b <= c && b >= c);
    EXPECT_FALSE(b != c || b < c || b > c);

    const Moment before;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const Moment after;
    EXPECT_TRUE(before < after);
}

TEST_F(CurrentTimeUtc, FailedLocalConversionGivesZerosAndNoText)
{
    const Moment m(2026, 12, 5, 10, 0, 0, 0);
    ScriptedClock failing({qvx::platform::hostClockFunctions().read, &failToLocal,
                           qvx::platform::hostClockFunctions().fromLocal});
    EXPECT_EQ("p_tm @ util/src/CurrentTime.cpp", failedCheckWhere([&] { m.getHour(); }));
    EXPECT_EQ("p_tm", failedCheck([&] { Moment(m).fmt(); }));
    qvxtest::NopMode nop;
    EXPECT_EQ(0u, m.getHour());
    EXPECT_EQ(0u, m.getDay());
    EXPECT_EQ(0u, m.getMonth());
    EXPECT_EQ(0u, m.getYear());
    EXPECT_EQ("", Moment(m).fmt());
    EXPECT_EQ(0u, m.getMillisecond() + m.getTimeZoneOffsetInMinutes());
}

TEST_F(CurrentTimeUtc, SharedValueIsFormattedOnce)
{
    const Moment m(2026, 12, 5, 0, 45, 32, 45);
    std::vector<std::string> texts(4);
    std::vector<std::thread> threads;
    for (std::string& t : texts)
        threads.emplace_back([&m, &t] { t = m.fmt(); });
    for (std::thread& t : threads)
        t.join();
    for (const std::string& t : texts)
        EXPECT_EQ("2026 Dec 05 00:45:32.045", t);
}

TEST(TimerTest, AccumulatesFromTheLastStart)
{
    Timer t;
    EXPECT_EQ(0.0, t.getElapsedTimeInMillis());
    t.stop();  // never started: adds nothing
    EXPECT_EQ(0.0, t.getElapsedTimeInMillis());
    EXPECT_EQ("", t.getStartTime());

    t.start();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_NE("", t.getStartTime());  // does not move the start point
    t.stop();
    const double first = t.getElapsedTimeInMillis();
    EXPECT_GE(first, 199.0);
    EXPECT_LT(first, 400.0);

    // A second stop measures from the same start again.
    t.stop();
    EXPECT_GE(t.getElapsedTimeInMillis(), 2 * first);

    t.reset();
    EXPECT_EQ(0.0, t.getElapsedTimeInMillis());
    t.start();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    t.stop();
    t.start();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    t.stop();
    EXPECT_GE(t.getElapsedTimeInMillis(), 99.0);
    EXPECT_LT(t.getElapsedTimeInMillis(), 300.0);
}

TEST(TimerTest, CurrentTimeIsEpochMilliseconds)
{
    Timer t;
    const double a = t.getCurrentTimeInMillis();
    const double sys = std::chrono::duration<double, std::milli>(
                           std::chrono::system_clock::now().time_since_epoch())
                           .count();
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
    const double b = t.getCurrentTimeInMillis();
    EXPECT_GT(b, a);
    EXPECT_NEAR(sys, a, 50.0);
    EXPECT_EQ(a, static_cast<double>(static_cast<long long>(a)));  // whole milliseconds
}

TEST(TimerTest, TextLayout)
{
    pinZone("UTC0");
    // 2026-12-05 12:03:05 UTC, then the tenth at 09:10:11.
    const std::int64_t dec5 = 1796472185;
    struct Case
    {
        std::int64_t seconds;
        std::uint16_t ms;
        const char* text;
    };
    const Case cases[] = {
        {dec5, 7, "Dec  5 12:03:05.7 2026\n"},
        {dec5, 250, "Dec  5 12:03:05.250 2026\n"},
        {dec5, 0, "Dec  5 12:03:05.0 2026\n"},
        {dec5 + 5 * 86400 - 10374, 999, "Dec 10 09:10:11.999 2026\n"},
    };
    for (const Case& c : cases)
    {
        g_reading = qvx::platform::TimeRecord{c.seconds, c.ms, 0, 0};
        ScriptedClock scripted({&readScripted, qvx::platform::hostClockFunctions().toLocal,
                                qvx::platform::hostClockFunctions().fromLocal});
        Timer t;
        EXPECT_EQ(c.text, t.getCurrentTime());
        t.start();
        EXPECT_EQ(c.text, t.getStartTime());
        EXPECT_EQ(static_cast<double>(c.seconds) * 1000 + c.ms, t.getCurrentTimeInMillis());
    }

    // On the real clock: the layout, and no leading zeros in the milliseconds.
    Timer t;
    const std::string now = t.getCurrentTime();
    EXPECT_TRUE(std::regex_match(
        now, std::regex("[A-Z][a-z]{2} [ 123][0-9] [0-9]{2}:[0-9]{2}:[0-9]{2}\\.(0|[1-9][0-9]{0,2}) "
                        "[0-9]{4}\n")))
        << now;

    ScriptedClock failing({qvx::platform::hostClockFunctions().read, &failToLocal,
                           qvx::platform::hostClockFunctions().fromLocal});
    EXPECT_EQ("", t.getCurrentTime());
}
