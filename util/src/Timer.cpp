#include "Timer.h"

#include "StringUtil.h"

Timer::Timer()
    : _startTime(), _stopTime(), _currentTime(), _elapsedTimeInMillis(0.0), _hasStartTime(false)
{
}

Timer::~Timer() = default;

void Timer::reset()
{
    _elapsedTimeInMillis = 0.0;
}

void Timer::start()
{
    qvx::platform::readClock(_startTime);
    _hasStartTime = true;
}

void Timer::stop()
{
    qvx::platform::readClock(_stopTime);
    if (_hasStartTime)
        _elapsedTimeInMillis += millis(_stopTime) - millis(_startTime);
}

double Timer::getElapsedTimeInMillis() const
{
    return _elapsedTimeInMillis;
}

double Timer::getCurrentTimeInMillis()
{
    qvx::platform::readClock(_currentTime);
    return millis(_currentTime);
}

std::string Timer::getCurrentTime()
{
    qvx::platform::readClock(_currentTime);
    return text(_currentTime);
}

std::string Timer::getStartTime() const
{
    return _hasStartTime ? text(_startTime) : std::string();
}

double Timer::millis(const TimeRecord& record)
{
    return static_cast<double>(record.seconds * 1000) + record.milliseconds;
}

std::string Timer::text(const TimeRecord& record)
{
    char ctime[26];
    if (!qvx::platform::ctimeText(record.seconds, ctime))
        return std::string();
    // "Sat Dec  5 12:03:05 2026\n": month, day and time from 4, year from 20.
    std::string result(ctime + 4, 15);
    result += '.';
    result += StringUtil::intToString(record.milliseconds);
    result += ' ';
    result += ctime + 20;
    return result;
}
