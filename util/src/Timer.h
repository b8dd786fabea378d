#ifndef QVX_TIMER_H
#define QVX_TIMER_H

#include <string>

#include "Clock.h"
#include "QvxExport.h"

// A stopwatch on the wall clock: start() marks a start point, each stop()
// adds the time since the last start() to a total in milliseconds, reset()
// clears the total. A change of the system clock during a measurement changes
// the measured time. Not locked: one thread at a time.
//
// Texts (getCurrentTime, getStartTime) are cut from the standard ctime layout
// of local time, which pads a day below 10 with a blank: 5 December 2026,
// 12:03:05 and 7 ms reads "Dec  5 12:03:05.7 2026\n". The milliseconds have no
// leading zeros; the text ends with a line feed. When the host cannot convert
// the time to local time the text is empty.
//
// Choices of ours:
// - stop() before any start() on this timer adds nothing (a stopwatch that
//   was never started shows 0); it still records the stop reading.
// - getStartTime() formats the start point as start() left it: asking for it
//   never moves the start of a measurement. Before any start() it is empty.
class QVXUTIL_API Timer
{
public:
    Timer();
    ~Timer();

    void reset();
    void start();
    void stop();
    double getElapsedTimeInMillis() const;
    double getCurrentTimeInMillis();
    std::string getCurrentTime();
    std::string getStartTime() const;

private:
    typedef qvx::platform::TimeRecord TimeRecord;

    static double millis(const TimeRecord& record);
    static std::string text(const TimeRecord& record);

    TimeRecord _startTime;
    TimeRecord _stopTime;
    TimeRecord _currentTime;
    double _elapsedTimeInMillis;
    bool _hasStartTime;
};

#endif
