#include "run_clock.h"

#include <QDateTime>

#include <time.h>

namespace run_clock {

namespace {
std::function<Reading()> g_now;
std::function<QTime()> g_utc;

// Counts on through a suspend, as the local clock does, but never jumps.
qint64 steadyMs()
{
    timespec ts {};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}
} // namespace

Reading now()
{
    return g_now ? g_now() : Reading { QTime::currentTime(), steadyMs() };
}

QTime utcTime()
{
    return g_utc ? g_utc() : QDateTime::currentDateTimeUtc().time();
}

void setNow(std::function<Reading()> reading)
{
    g_now = std::move(reading);
}

void setUtc(std::function<QTime()> reading)
{
    g_utc = std::move(reading);
}

} // namespace run_clock

int msSinceMidnight(const QTime& time)
{
    return ((time.hour() * 60 + time.minute()) * 60 + time.second()) * 1000 + time.msec();
}
