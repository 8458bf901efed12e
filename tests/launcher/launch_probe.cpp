// Calls RunDevcon as the program does, from wherever this executable is copied to, and reports
// what the calls left behind: "returned" once they are done, then its descriptor and thread
// counts, signal mask and errno before and after, and its child-process count.
//
// With "listen", the runs' standard error is read on a Qt event loop as the window reads it, and
// the report follows once every run has been delivered: "delivered N", the first run's verb and
// lines, then descriptor and child counts before the launches and after the deliveries.
#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <QCoreApplication>
#include <QTimer>

#include "launcher/RunDevcon.h"
#include "window/qt/DevconRuns.h"

namespace {

int CountEntries(const char* folder) {
    int count = 0;
    if (DIR* dir = opendir(folder)) {
        for (const dirent* entry = readdir(dir); entry != nullptr; entry = readdir(dir)) {
            count += entry->d_name[0] != '.';
        }
        closedir(dir);
    }
    return count;
}

int Threads() {
    return CountEntries("/proc/self/task");
}

// Children of ours, live or defunct, found by their parent in /proc/<pid>/stat.
int Children() {
    int count = 0;
    const std::string self = std::to_string(getpid());
    DIR* proc = opendir("/proc");
    for (const dirent* entry = readdir(proc); entry != nullptr; entry = readdir(proc)) {
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string line;
        if (!std::getline(stat, line) || line.rfind(')') == std::string::npos) {
            continue;
        }
        // After "pid (comm)" come the state and the parent's pid.
        char state;
        int parent = 0;
        if (std::sscanf(line.c_str() + line.rfind(')') + 1, " %c %d", &state, &parent) == 2 &&
            std::to_string(parent) == self) {
            ++count;
        }
    }
    closedir(proc);
    return count;
}

// The blocked signals as a bit mask, bit n-1 for signal n.
long long BlockedSignals() {
    sigset_t blocked;
    pthread_sigmask(SIG_BLOCK, nullptr, &blocked);
    long long mask = 0;
    for (int signal = 1; signal < 64; ++signal) {
        mask |= static_cast<long long>(sigismember(&blocked, signal) == 1) << (signal - 1);
    }
    return mask;
}

int Listen(int argc, char** argv, DeviceVerb verb, int count) {
    QCoreApplication app(argc, argv);
    const int fdsBefore = CountEntries("/proc/self/fd");
    const int childrenBefore = Children();
    int delivered = 0;
    std::string first;
    {
        const DevconRuns runs([&](const DevconResult& run) {
            if (delivered++ == 0) {
                first = (run.verb == DeviceVerb::Enable ? "enable " : "disable ") + run.errorOutput;
            }
            if (delivered == count) {
                QCoreApplication::quit();
            }
        });
        QTimer::singleShot(0, [&] {
            for (int i = 0; i < count; ++i) {
                RunDevcon(verb);
            }
        });
        QTimer::singleShot(60000, [] { QCoreApplication::quit(); });
        QCoreApplication::exec();
    }
    std::printf("delivered %d\n", delivered);
    std::printf("first %s", first.c_str());
    std::printf("fds %d %d\n", fdsBefore, CountEntries("/proc/self/fd"));
    std::printf("children %d %d\n", childrenBefore, Children());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && !(argc == 4 && std::string(argv[3]) == "listen")) {
        std::fprintf(stderr, "usage: launch_probe enable|disable COUNT [listen]\n");
        return 2;
    }
    const DeviceVerb verb =
        std::string(argv[1]) == "disable" ? DeviceVerb::Disable : DeviceVerb::Enable;
    const int count = std::atoi(argv[2]);
    if (argc == 4) {
        return Listen(argc, argv, verb, count);
    }

    // A mask of the program's own, which a launch must neither clear nor add to.
    sigset_t usr1;
    sigemptyset(&usr1);
    sigaddset(&usr1, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &usr1, nullptr);

    const int fdsBefore = CountEntries("/proc/self/fd");
    const int threadsBefore = Threads();
    const long long signalsBefore = BlockedSignals();
    constexpr int kCallersErrno = EDOM;
    int errnoAfter = kCallersErrno;
    for (int i = 0; i < count; ++i) {
        errno = kCallersErrno;
        RunDevcon(verb);
        if (errno != kCallersErrno) {
            errnoAfter = errno;
        }
    }
    std::printf("returned\n");
    std::printf("fds %d %d\n", fdsBefore, CountEntries("/proc/self/fd"));
    std::printf("threads %d %d\n", threadsBefore, Threads());
    std::printf("blocked %lld %lld\n", signalsBefore, BlockedSignals());
    std::printf("errno %d %d\n", kCallersErrno, errnoAfter);
    std::printf("children %d\n", Children());
    return 0;
}
