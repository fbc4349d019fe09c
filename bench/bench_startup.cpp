// Start-up to the main window on screen: the application object, the global
// instances in their order and the maximised main window, first cold and then
// repeated. Prints milliseconds.

#include "shell/application.h"
#include "shell/main_window.h"
#include "tests/support/test_support.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

static double shownAfter(QElapsedTimer& timer)
{
    createGlobalInstances();
    showMainWindow();
    if (!QTest::qWaitForWindowExposed(Form1))
        std::fprintf(stderr, "main window not exposed\n");
    return timer.nsecsElapsed() / 1e6;
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QElapsedTimer cold;
    cold.start();
    QApplication app(argc, argv);
    testing_support::TestData data;
    prepareApplication();
    const double first = shownAfter(cold);
    releaseGlobalInstances();

    const int runs = 30;
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer warm;
        warm.start();
        times.push_back(shownAfter(warm));
        releaseGlobalInstances();
    }
    std::sort(times.begin(), times.end());
    double sum = 0;
    for (double t : times)
        sum += t;
    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));
    std::printf("start-up to main window shown, first (with application object): %.1f ms (target < 300 ms)\n", first);
    std::printf("start-up to main window shown, repeated %d times: median %.1f ms, mean %.1f ms, max %.1f ms\n", runs,
        times[times.size() / 2], sum / runs, times.back());
    return 0;
}
