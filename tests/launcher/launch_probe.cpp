// Calls RunDevcon as the program does, from wherever this executable is copied to, and reports
// what the calls left behind: "returned" once they are done, then its descriptor, thread and
// child-process counts before and after.
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "launcher/RunDevcon.h"

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

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: launch_probe enable|disable COUNT\n");
        return 2;
    }
    const DeviceVerb verb =
        std::string(argv[1]) == "disable" ? DeviceVerb::Disable : DeviceVerb::Enable;
    const int count = std::atoi(argv[2]);

    const int fdsBefore = CountEntries("/proc/self/fd");
    const int threadsBefore = Threads();
    for (int i = 0; i < count; ++i) {
        RunDevcon(verb);
    }
    std::printf("returned\n");
    std::printf("fds %d %d\n", fdsBefore, CountEntries("/proc/self/fd"));
    std::printf("threads %d %d\n", threadsBefore, Threads());
    std::printf("children %d\n", Children());
    return 0;
}
