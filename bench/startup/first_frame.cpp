// Starts a program and times it from outside, the same way for any X client: from just before
// it is started until the first drawing into a top-level window it mapped, as the X server's
// DAMAGE extension reports it. Qt windows have no background, so mapping one draws nothing and
// the first damage inside it is the program's first painted frame. At that moment the
// program's CPU time and resident memory are read from /proc, then it is sent SIGTERM.
//
//   bench_startup_first_frame [--timeout SECONDS] PROGRAM [ARGS...]
//
// Prints one line: frame_ms=… map_ms=… cpu_ms=… rss_kb=… hwm_kb=… window=WxH+X+Y damage=WxH+X+Y
#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <dirent.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void die(const char* message) {
    std::fprintf(stderr, "first_frame: %s\n", message);
    std::exit(2);
}

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// CPU time of all the program's threads so far, from the scheduler's own accounting: unlike
// wall time, it hardly moves when other work shares the machine.
double cpuMs(pid_t pid) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (!dir) return -1;
    double ns = 0;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') continue;
        std::ifstream stat(tasks + "/" + entry->d_name + "/schedstat");
        double onCpu = 0;
        if (stat >> onCpu) ns += onCpu;
    }
    closedir(dir);
    return ns / 1e6;
}

long statusKb(pid_t pid, const char* field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.compare(0, key.size(), key) == 0) return std::atol(line.c_str() + key.size());
    return -1;
}

struct Rect {
    int x, y, w, h;
    bool meets(const Rect& o) const {
        return x < o.x + o.w && o.x < x + w && y < o.y + o.h && o.y < y + h;
    }
};

}  // namespace

int main(int argc, char** argv) {
    double timeoutS = 20;
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "--timeout") == 0) {
        timeoutS = std::atof(argv[2]);
        first = 3;
    }
    if (first >= argc) die("usage: bench_startup_first_frame [--timeout S] PROGRAM [ARGS...]");

    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) die("cannot open the display");
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_query_extension_reply_t* damageExt = xcb_get_extension_data(c, &xcb_damage_id);
    if (!damageExt || !damageExt->present) die("the X server has no DAMAGE extension");
    free(xcb_damage_query_version_reply(c, xcb_damage_query_version(c, 1, 1), nullptr));

    // Windows mapped on the root, and every drawing anywhere on the screen.
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    const xcb_damage_damage_t damage = xcb_generate_id(c);
    xcb_damage_create(c, damage, root, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));  // round trip
    while (xcb_generic_event_t* stale = xcb_poll_for_event(c)) free(stale);

    const Clock::time_point start = Clock::now();
    const pid_t pid = fork();
    if (pid < 0) die("cannot fork");
    if (pid == 0) {
        execvp(argv[first], argv + first);
        std::perror(argv[first]);
        _exit(127);
    }

    std::vector<Rect> mapped;
    double mapMs = -1, frameMs = -1;
    Rect frame{0, 0, 0, 0}, drawn{0, 0, 0, 0};
    pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
    while (frameMs < 0) {
        xcb_generic_event_t* event = xcb_poll_for_event(c);
        if (!event) {
            if (xcb_connection_has_error(c)) die("lost the display");
            const double left = timeoutS * 1000 - msSince(start);
            if (left <= 0 || waitpid(pid, nullptr, WNOHANG) == pid) break;
            poll(&fd, 1, static_cast<int>(left < 50 ? left : 50));
            continue;
        }
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_MAP_NOTIFY) {
            const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
            if (map->event == root) {
                xcb_get_geometry_reply_t* g =
                    xcb_get_geometry_reply(c, xcb_get_geometry(c, map->window), nullptr);
                if (g) {
                    mapped.push_back({g->x, g->y, g->width, g->height});
                    if (mapMs < 0) mapMs = msSince(start);
                    free(g);
                }
            }
        } else if (type == damageExt->first_event + XCB_DAMAGE_NOTIFY) {
            const auto* d = reinterpret_cast<xcb_damage_notify_event_t*>(event);
            const Rect area{d->area.x, d->area.y, d->area.width, d->area.height};
            for (const Rect& window : mapped) {
                if (window.meets(area)) {
                    frameMs = msSince(start);
                    frame = window;
                    drawn = area;
                    break;
                }
            }
        }
        free(event);
    }

    const double cpu = cpuMs(pid);
    const long rss = statusKb(pid, "VmRSS");
    const long hwm = statusKb(pid, "VmHWM");
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    xcb_disconnect(c);
    if (frameMs < 0) {
        std::fprintf(stderr, "first_frame: %s showed no frame (exit status %d)\n", argv[first],
                     WIFEXITED(status) ? WEXITSTATUS(status) : -1);
        return 1;
    }
    std::printf(
        "frame_ms=%.2f map_ms=%.2f cpu_ms=%.2f rss_kb=%ld hwm_kb=%ld window=%dx%d+%d+%d "
        "damage=%dx%d+%d+%d\n",
        frameMs, mapMs, cpu, rss, hwm, frame.w, frame.h, frame.x, frame.y, drawn.w, drawn.h,
        drawn.x, drawn.y);
    return 0;
}
