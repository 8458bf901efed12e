// Calls RunDevcon as the program does, from wherever this executable is copied to, and reports
// "returned" once the calls are done, then its handle and thread counts before and after, and
// the start-up check's verdict from here: "readiness ready", or the notice's first paragraph.
#include <windows.h>

#include <objbase.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "launcher/RunDevcon.h"
#include "window/readiness/WindowsReadiness.h"

namespace {

DWORD Handles() {
    DWORD count = 0;
    GetProcessHandleCount(GetCurrentProcess(), &count);
    return count;
}

int Threads() {
    int count = 0;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    }
    CloseHandle(snapshot);
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: launch_probe enable|disable COUNT\n");
        return 2;
    }
    const DeviceVerb verb =
        std::strcmp(argv[1], "disable") == 0 ? DeviceVerb::Disable : DeviceVerb::Enable;
    const int count = std::atoi(argv[2]);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

    // The first launch loads the shell's libraries and may start its worker threads for good.
    RunDevcon(verb);
    const DWORD handlesBefore = Handles();
    const int threadsBefore = Threads();
    for (int i = 1; i < count; ++i) {
        RunDevcon(verb);
    }
    std::printf("returned\n");
    std::printf("handles %lu %lu\n", handlesBefore, Handles());
    std::printf("threads %d %d\n", threadsBefore, Threads());
    const std::string notice = NoticeText(CheckReadiness());
    std::printf("readiness %s\n",
                notice.empty() ? "ready" : notice.substr(0, notice.find("\n")).c_str());
    return 0;
}
