#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "launcher/DevconPath.h"
#include "launcher/RunDevcon.h"

extern char** environ;

namespace {

constexpr const char* kToolName = "devcon.exe";
constexpr std::size_t kRelayStackSize = 64 * 1024;

// argv for the tool: its name, then the parameter string split at its spaces.
std::vector<std::string> ToolArguments(DeviceVerb verb) {
    std::vector<std::string> args{kToolName};
    const std::string_view parameters = DevconParameters(verb);
    std::size_t start = 0;
    while (start <= parameters.size()) {
        const std::size_t space = std::min(parameters.find(' ', start), parameters.size());
        args.emplace_back(parameters.substr(start, space - start));
        start = space + 1;
    }
    return args;
}

struct SpawnRequest {
    const char* path;
    char* const* argv;
    const posix_spawn_file_actions_t* fileActions;
    const posix_spawnattr_t* attributes;
    bool wantEnd = false;
    int result = -1;  // posix_spawn's, written by the relay into our memory
    int end = -1;     // a pidfd of the tool, opened by the relay into our descriptor table
};

// Runs in a relay process that shares our memory and stops us until it exits, as vfork does.
// It starts the tool and exits straight away; we reap the relay, and the tool, orphaned, is
// adopted by init. So the program tracks no process and still leaves no zombie behind.
int SpawnToolAndExit(void* request) {
    auto* r = static_cast<SpawnRequest*>(request);
    // The relay's dispositions are its own; the tool inherits this one (see SpawnSettings).
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, nullptr);
    pid_t tool;
    r->result = posix_spawn(&tool, r->path, r->fileActions, r->attributes, r->argv, environ);
    // While the tool is the relay's child nobody can reap it, so the pidfd is surely its own.
    if (r->result == 0 && r->wantEnd) {
        r->end = static_cast<int>(syscall(SYS_pidfd_open, tool, 0));
    }
    return 0;
}

// Hidden, detached and clean: stdin and stdout on /dev/null, stderr on `errorOutput` (or
// /dev/null when it is -1), no other descriptor of ours, working directory `folder`, its own
// session, an empty signal mask and default signal handling, but for SIGPIPE, which it ignores:
// a tool still switching when the program has ended and closed the pipe's read end must not be
// killed by its next failure line.
struct SpawnSettings {
    posix_spawn_file_actions_t fileActions;
    posix_spawnattr_t attributes;

    SpawnSettings(const std::string& folder, int errorOutput) {
        posix_spawn_file_actions_init(&fileActions);
        posix_spawn_file_actions_addopen(&fileActions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&fileActions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&fileActions, errorOutput >= 0 ? errorOutput : 1, 2);
        posix_spawn_file_actions_addchdir_np(&fileActions, folder.c_str());
        posix_spawn_file_actions_addclosefrom_np(&fileActions, 3);

        sigset_t all;
        sigset_t none;
        sigfillset(&all);
        sigdelset(&all, SIGPIPE);
        sigemptyset(&none);
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(
            &attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
        posix_spawnattr_setsigdefault(&attributes, &all);
        posix_spawnattr_setsigmask(&attributes, &none);
    }
    ~SpawnSettings() {
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&fileActions);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;
};

// The pipe for the tool's standard error: the read end non-blocking, both ends close-on-exec,
// so that no other launch or program inherits them.
struct ErrorPipe {
    int read = -1;
    int write = -1;

    explicit ErrorPipe(bool wanted) {
        int ends[2];
        if (wanted && pipe2(ends, O_CLOEXEC) == 0) {
            read = ends[0];
            write = ends[1];
            fcntl(read, F_SETFL, fcntl(read, F_GETFL) | O_NONBLOCK);
        }
    }
    ~ErrorPipe() {
        CloseWriteEnd();
        if (read >= 0) {
            close(read);
        }
    }
    ErrorPipe(const ErrorPipe&) = delete;
    ErrorPipe& operator=(const ErrorPipe&) = delete;

    void CloseWriteEnd() {
        if (write >= 0) {
            close(write);
            write = -1;
        }
    }
    int ReleaseReadEnd() { return std::exchange(read, -1); }
};

DevconStartReceiver& StartReceiver() {
    static DevconStartReceiver receiver;
    return receiver;
}

int Launch(DeviceVerb verb, std::uint64_t run) {
    const std::optional<ToolPath> tool = DevconPath();
    if (!tool) {
        return ENAMETOOLONG;
    }
    const std::string path = tool->string();
    const std::string folder = tool->parent_path().string();
    std::vector<std::string> args = ToolArguments(verb);
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    ErrorPipe errorPipe(static_cast<bool>(StartReceiver()));
    const SpawnSettings settings(folder, errorPipe.write);
    SpawnRequest request{path.c_str(), argv.data(), &settings.fileActions, &settings.attributes,
                         errorPipe.read >= 0};

    // No signal handler of ours may run in the relay, which shares our memory.
    sigset_t all;
    sigset_t saved;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &saved);

    const auto stack = std::make_unique<char[]>(kRelayStackSize);
    const pid_t relay = clone(SpawnToolAndExit, stack.get() + kRelayStackSize,
                              CLONE_VM | CLONE_VFORK | CLONE_FILES | SIGCHLD, &request);
    const int cloneError = errno;
    if (relay > 0) {
        waitpid(relay, nullptr, 0);
    }
    pthread_sigmask(SIG_SETMASK, &saved, nullptr);
    ReapEndedTools();

    // Only the tool holds the write end now: its end of file is the tool's end.
    errorPipe.CloseWriteEnd();
    if (relay <= 0) {
        return cloneError;
    }
    if (request.result == 0 && errorPipe.read >= 0) {
        StartReceiver()(verb, run, errorPipe.ReleaseReadEnd(), request.end);
    } else if (request.end >= 0) {
        close(request.end);
    }
    return request.result;
}

}  // namespace

void ReceiveDevconStarts(DevconStartReceiver receiver) {
    StartReceiver() = std::move(receiver);
}

int RunDevcon(DeviceVerb verb, std::uint64_t run) {
    // The calls here, and the relay that runs on our thread's storage, leave their own errno.
    const int callersErrno = errno;
    const int error = Launch(verb, run);
    errno = callersErrno;
    return error;
}

std::string SystemMessage(int error) {
    return std::strerror(error);
}

void ReapEndedTools() {
    if (getpid() == 1) {
        const int callersErrno = errno;
        while (waitpid(-1, nullptr, WNOHANG) > 0) {
        }
        errno = callersErrno;
    }
}
