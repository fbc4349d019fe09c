// Start-up as the user waits for it: from starting the program to its main
// window painted, watched from outside through the X server (damage reports
// on every new top-level window), beside a minimal Qt window program built
// the same way. Needs an X display (scripts/bench runs it under xvfb-run).

#include "bench_figures.h"

#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <poll.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

class DamageWatch
{
public:
    DamageWatch()
    {
        m_c = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(m_c)) {
            std::fprintf(stderr, "no X display\n");
            std::exit(1);
        }
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root;
        const xcb_query_extension_reply_t* damage = xcb_get_extension_data(m_c, &xcb_damage_id);
        if (!damage || !damage->present) {
            std::fprintf(stderr, "the X server has no damage extension\n");
            std::exit(1);
        }
        m_damageEvent = damage->first_event + XCB_DAMAGE_NOTIFY;
        free(xcb_damage_query_version_reply(m_c, xcb_damage_query_version(m_c, 1, 1), nullptr));
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_c, m_root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_c);
    }
    ~DamageWatch() { xcb_disconnect(m_c); }

    // Milliseconds from the start to the last paint of the program's windows
    // that is followed by quietMs without any; -1 when nothing was painted.
    double timeToPainted(const QString& program, const QProcessEnvironment& environment, int quietMs = 400)
    {
        while (xcb_generic_event_t* e = xcb_poll_for_event(m_c))
            free(e);
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer clock;
        clock.start();
        process.start(program, {});
        double last = -1;
        while (clock.elapsed() < 20000 && (last < 0 || bench::msSince(clock) - last < quietMs)) {
            pollfd fd { xcb_get_file_descriptor(m_c), POLLIN, 0 };
            poll(&fd, 1, 5);
            while (xcb_generic_event_t* e = xcb_poll_for_event(m_c)) {
                const uint8_t type = e->response_type & 0x7f;
                if (type == XCB_CREATE_NOTIFY) {
                    auto* created = reinterpret_cast<xcb_create_notify_event_t*>(e);
                    if (created->parent == m_root) {
                        const xcb_damage_damage_t damage = xcb_generate_id(m_c);
                        xcb_damage_create(m_c, damage, created->window, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
                        xcb_flush(m_c);
                    }
                } else if (type == m_damageEvent) {
                    last = bench::msSince(clock);
                    auto* notify = reinterpret_cast<xcb_damage_notify_event_t*>(e);
                    xcb_damage_subtract(m_c, notify->damage, XCB_NONE, XCB_NONE);
                    xcb_flush(m_c);
                }
                free(e);
            }
        }
        process.kill();
        process.waitForFinished(5000);
        return last;
    }

private:
    xcb_connection_t* m_c = nullptr;
    xcb_window_t m_root = 0;
    uint8_t m_damageEvent = 0;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString build = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral(".."));
    const QString program = QDir(build).filePath(QStringLiteral("vesmarin"));
    const QString floorProgram = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("floor_window"));
    QTemporaryDir data;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
    QProcess init;
    init.setProcessEnvironment(environment);
    init.start(QDir(build).filePath(QStringLiteral("vesmarin-init")), {});
    if (!init.waitForFinished(30000) || init.exitCode() != 0)
        std::fprintf(stderr, "vesmarin-init failed\n");

    DamageWatch watch;
    std::vector<double> started, floor;
    for (int run = 0; run < 11; ++run) {
        const double a = watch.timeToPainted(program, environment);
        const double b = watch.timeToPainted(floorProgram, environment);
        if (run > 0) { // the first run reads the libraries from disk
            started.push_back(a);
            floor.push_back(b);
        }
    }
    const double figure = bench::median(started), least = bench::median(floor);
    bench::figure("start-up: exec to main window painted", figure, "ms", "< 1.5x floor", figure < 1.5 * least, least);
    return 0;
}
