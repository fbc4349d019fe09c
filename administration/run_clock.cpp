#include "run_clock.h"

#include <QDateTime>

namespace run_clock {

namespace {
Reading g_local;
Reading g_utc;
} // namespace

QTime localTime()
{
    return g_local ? g_local() : QTime::currentTime();
}

QTime utcTime()
{
    return g_utc ? g_utc() : QDateTime::currentDateTimeUtc().time();
}

void setLocal(Reading reading)
{
    g_local = std::move(reading);
}

void setUtc(Reading reading)
{
    g_utc = std::move(reading);
}

} // namespace run_clock

int msSinceMidnight(const QTime& time)
{
    return ((time.hour() * 60 + time.minute()) * 60 + time.second()) * 1000 + time.msec();
}
