// Starts a windowed program on the current X display and reports how long it took until its
// window was mapped, and its peak memory once shown:
//
//   startup_probe PROGRAM   ->   "<milliseconds to map> <VmHWM in KiB>"
//
// It watches the root window for MapNotify, so the time is exact (xdotool search --sync polls
// only every half second). The program is ended with SIGTERM afterwards.
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

extern char** environ;

namespace {

std::int64_t NowNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1'000'000'000LL + now.tv_nsec;
}

long PeakMemoryKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

// Waits up to `timeoutMs` for a top-level window to be mapped.
bool WaitForMap(xcb_connection_t* connection, int timeoutMs) {
    const std::int64_t deadline = NowNs() + timeoutMs * 1'000'000LL;
    pollfd readable{xcb_get_file_descriptor(connection), POLLIN, 0};
    while (NowNs() < deadline) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
            std::free(event);
            if (mapped) {
                return true;
            }
        }
        const int left = static_cast<int>((deadline - NowNs()) / 1'000'000);
        if (left <= 0 || poll(&readable, 1, left) < 0) {
            break;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: startup_probe PROGRAM\n");
        return 2;
    }
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "startup_probe: cannot open the display\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);

    char* programArgv[] = {argv[1], nullptr};
    pid_t pid = -1;
    const std::int64_t start = NowNs();
    if (posix_spawn(&pid, argv[1], nullptr, nullptr, programArgv, environ) != 0) {
        std::fprintf(stderr, "startup_probe: cannot start %s\n", argv[1]);
        return 1;
    }
    const bool mapped = WaitForMap(connection, 20'000);
    const std::int64_t mappedAt = NowNs();
    usleep(500'000);  // let it paint and settle before reading its peak
    const long peak = PeakMemoryKiB(pid);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    xcb_disconnect(connection);
    if (!mapped) {
        std::fprintf(stderr, "startup_probe: no window within 20 s\n");
        return 1;
    }
    std::printf("%.2f %ld\n", (mappedAt - start) / 1e6, peak);
    return 0;
}
