#pragma once
// The clocks a run reads: the local time and a steady count for the answer's
// timing, the UTC time of day for the random generator's seed. Replaceable so
// that runs can be timed at chosen instants.

#include <QTime>

#include <functional>

namespace run_clock {

// One reading of the clocks that time an answer, taken together: the local
// time of day, which is stored and shown, and a count of milliseconds that
// setting the clock does not move.
struct Reading
{
    QTime local;
    qint64 steadyMs = 0;
};

Reading now();
QTime utcTime();

// An empty function restores the system's clocks.
void setNow(std::function<Reading()> reading);
void setUtc(std::function<QTime()> reading);

} // namespace run_clock

// Milliseconds since midnight of a time of day.
int msSinceMidnight(const QTime& time);
