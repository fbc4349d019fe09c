#pragma once
// Figures of every benchmark: medians, peak memory, and one line per figure
// for people and one for the table of scripts/bench.

#include <QElapsedTimer>
#include <QFile>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

inline double median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

inline double msSince(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// One figure, as a line for people and a row of the summary table. A floor
// below zero means there is none; `met` says whether the target is reached.
inline void figure(const char* what, double value, const char* unit, const char* target, bool met, double floor = -1)
{
    QString floorText = QStringLiteral("-"), ratio = QStringLiteral("-");
    if (floor > 0) {
        floorText = QStringLiteral("%1 %2").arg(floor, 0, 'f', 2).arg(QLatin1String(unit));
        ratio = QStringLiteral("%1x").arg(value / floor, 0, 'f', 2);
    }
    const char* verdict = target[0] == '-' ? "-" : (met ? "met" : "MISSED");
    std::printf("%-52s %10.2f %-3s target %-22s floor %-12s ratio %-7s %s\n", what, value, unit, target,
        qPrintable(floorText), qPrintable(ratio), verdict);
    std::printf(
        "BENCH|%s|%.2f %s|%s|%s|%s|%s\n", what, value, unit, target, qPrintable(floorText), qPrintable(ratio), verdict);
    std::fflush(stdout);
}

// A line of /proc/self/status in kB: "VmHWM" (peak resident memory), "VmRSS".
inline long statusKb(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qstrlen(key) + 1).trimmed().split(' ').value(0).toLong();
    return -1;
}

} // namespace bench
