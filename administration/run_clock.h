#pragma once
// The clocks a run reads: local time for the answer's timing, UTC time of
// day for the random generator's seed. Replaceable so that runs can be timed
// at chosen instants.

#include <QTime>

#include <functional>

namespace run_clock {

using Reading = std::function<QTime()>;

QTime localTime();
QTime utcTime();

// An empty reading restores the system clock.
void setLocal(Reading reading);
void setUtc(Reading reading);

} // namespace run_clock

// Milliseconds since midnight of a time of day.
int msSinceMidnight(const QTime& time);
