// Starts a program and times it from outside, the same way for any X client: from just before
// it is started until the first drawing the X server's DAMAGE extension reports after it mapped
// a window. Qt windows have no background, so mapping draws nothing and that drawing is the
// program's first painted frame. Then reads its processor time (all threads), sends SIGTERM,
// and takes its peak memory from the kernel's accounting once it has ended.
//   bench_startup_first_frame PROGRAM [ARGS...]
//   prints: frame_ms=… cpu_ms=… maxrss_kb=… window=WxH
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

int main(int argc, char** argv) {
    if (argc < 2) return std::fprintf(stderr, "usage: %s PROGRAM [ARGS...]\n", argv[0]), 64;
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const xcb_query_extension_reply_t* damage =
        xcb_connection_has_error(c) ? nullptr : xcb_get_extension_data(c, &xcb_damage_id);
    if (!damage || !damage->present)
        return std::fprintf(stderr, "first_frame: no display with the DAMAGE extension\n"), 2;
    free(xcb_damage_query_version_reply(c, xcb_damage_query_version(c, 1, 1), nullptr));
    // Windows mapped on the root, and every drawing anywhere on the screen.
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    xcb_damage_create(c, xcb_generate_id(c), root, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));  // a round trip

    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    auto elapsedMs = [start] {
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    };
    const pid_t pid = fork();
    if (pid < 0) return std::perror("first_frame: fork"), 2;
    if (pid == 0) {
        execvp(argv[1], argv + 1);
        std::perror(argv[1]);
        _exit(127);
    }

    double frameMs = -1;
    int width = 0, height = 0;
    pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
    siginfo_t ended{};  // looked at while it runs, collected by wait4 below
    while (frameMs < 0 && elapsedMs() < 20000 && !xcb_connection_has_error(c)) {
        xcb_generic_event_t* event = xcb_poll_for_event(c);
        if (!event) {
            if (waitid(P_PID, pid, &ended, WEXITED | WNOHANG | WNOWAIT) == 0 && ended.si_pid) break;
            poll(&fd, 1, 50);
            continue;
        }
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_MAP_NOTIFY && width == 0) {
            const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
            if (auto* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, map->window), nullptr)) {
                width = g->width;
                height = g->height;
                free(g);
            }
        } else if (type == damage->first_event + XCB_DAMAGE_NOTIFY && width > 0) {
            frameMs = elapsedMs();
        }
        free(event);
    }

    timespec cpu{};
    clockid_t cpuClock;
    const bool running = clock_getcpuclockid(pid, &cpuClock) == 0 && !ended.si_pid &&
                         clock_gettime(cpuClock, &cpu) == 0;
    kill(pid, SIGTERM);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (frameMs < 0 || !running) {
        std::fprintf(stderr, "first_frame: %s showed no frame (exit status %d)\n", argv[1],
                     WIFEXITED(status) ? WEXITSTATUS(status) : -1);
        return 1;
    }
    std::printf("frame_ms=%.2f cpu_ms=%.2f maxrss_kb=%ld window=%dx%d\n", frameMs,
                static_cast<double>(cpu.tv_sec) * 1e3 + static_cast<double>(cpu.tv_nsec) / 1e6,
                usage.ru_maxrss, width, height);
    return 0;
}
