// What a launch costs the user-interface thread: RunDevcon against a bare posix_spawn of the same
// tool, and one "USB On" (its enables at once). The tool is the no-op devcon.exe built beside this
// benchmark, so nothing here touches a device.
//
// With VANTREL_SYSFS_ROOT set (bench/usb_on_bench.sh: a copy of this program beside the real
// Linux devcon.exe, on a fake sysfs tree), it instead times every run of one "USB On" from the
// first start to the last run's end, started all at once as before the launch queue and through
// it, against that many times one run.
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "launcher/LaunchQueue.h"
#include "launcher/RunDevcon.h"
#include "panel/Form1.h"

extern char** environ;

namespace {

std::string ToolBesideThisProgram() {
    char exe[PATH_MAX] = {};
    const ssize_t length = readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string path(exe, length > 0 ? static_cast<std::size_t>(length) : 0);
    return path.substr(0, path.rfind('/') + 1) + "devcon.exe";
}

void BM_RunDevcon(benchmark::State& state) {
    for (auto _ : state) {
        RunDevcon(DeviceVerb::Enable);
    }
}

// The least a launch can cost: one posix_spawn with no settings, its child reaped afterwards.
void BM_BarePosixSpawn(benchmark::State& state) {
    const std::string tool = ToolBesideThisProgram();
    char* argv[] = {const_cast<char*>("devcon.exe"), const_cast<char*>("enable"),
                    const_cast<char*>("@USB\\*"), nullptr};
    std::vector<pid_t> children;
    for (auto _ : state) {
        pid_t pid;
        if (posix_spawn(&pid, tool.c_str(), nullptr, nullptr, argv, environ) == 0) {
            children.push_back(pid);
        }
    }
    for (pid_t pid : children) {
        waitpid(pid, nullptr, 0);
    }
}

void BM_UsbOn(benchmark::State& state) {
    Form1 form([](DeviceVerb verb) { RunDevcon(verb); });
    for (auto _ : state) {
        form.UsbOn();
    }
}

// Interleaved repetitions, compared by their medians, so that a burst of load on this small
// machine does not decide the ratio.
BENCHMARK(BM_RunDevcon)->Unit(benchmark::kMicrosecond)->Iterations(1000)->Repetitions(5);
BENCHMARK(BM_BarePosixSpawn)->Unit(benchmark::kMicrosecond)->Iterations(1000)->Repetitions(5);
BENCHMARK(BM_UsbOn)->Unit(benchmark::kMillisecond)->Iterations(200)->Repetitions(5);

// Keeps each benchmark's median real time per iteration, in microseconds, for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, double> microseconds;

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.aggregate_name != "median") {
                continue;
            }
            microseconds[run.benchmark_name()] =
                run.GetAdjustedRealTime() *
                (run.time_unit == benchmark::kMillisecond ? 1000.0 : 1.0);
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

// The "USB On" trial: runs started, read to their end of file and awaited, on a poll loop.
class Runs {
  public:
    Runs() {
        ReceiveDevconStarts([this](DeviceVerb, std::uint64_t run, int errorOutput, int end) {
            open_.push_back({errorOutput, run, end, false});
        });
    }
    ~Runs() { ReceiveDevconStarts({}); }
    Runs(const Runs&) = delete;
    Runs& operator=(const Runs&) = delete;

    // Reads until every run has ended; `ended` hears of each.
    template <typename Ended>
    void Drain(Ended ended) {
        while (!open_.empty()) {
            std::vector<pollfd> fds;
            for (const Watched& w : open_) {
                fds.push_back({w.fd, POLLIN, 0});
            }
            poll(fds.data(), fds.size(), 1000);
            for (const pollfd& p : fds) {
                char buffer[4096];
                const auto it = std::find_if(open_.begin(), open_.end(),
                                             [&](const Watched& w) { return w.fd == p.fd; });
                if (p.revents == 0 || (!it->isEnd && read(p.fd, buffer, sizeof buffer) > 0)) {
                    continue;
                }
                const Watched done = *it;
                close(done.fd);
                open_.erase(it);
                if (!done.isEnd && done.then >= 0) {
                    open_.push_back({done.then, done.run, -1, true});
                } else {
                    ended(done.run);
                }
            }
        }
    }

  private:
    struct Watched {
        int fd;
        std::uint64_t run;
        int then;    // the pidfd to await after this standard error, or -1
        bool isEnd;  // this is the pidfd
    };
    std::vector<Watched> open_;
};

double Seconds(std::chrono::steady_clock::time_point from) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

constexpr int kRunsOfUsbOn = Form1::kEnablesAtOnce + Form1::kBurstTicks;

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The three measures interleaved, trial by trial, and compared by their medians, so that a burst
// of load on this small machine does not decide the ratios.
int UsbOnTrial() {
    constexpr int kTrials = 31;
    Runs runs;
    std::vector<double> one;
    std::vector<double> atOnce;
    std::vector<double> queued;
    for (int trial = 0; trial < kTrials; ++trial) {
        auto from = std::chrono::steady_clock::now();
        RunDevcon(DeviceVerb::Enable);
        runs.Drain([](std::uint64_t) {});
        one.push_back(Seconds(from));

        from = std::chrono::steady_clock::now();
        for (int i = 0; i < kRunsOfUsbOn; ++i) {
            RunDevcon(DeviceVerb::Enable);
        }
        runs.Drain([](std::uint64_t) {});
        atOnce.push_back(Seconds(from));

        from = std::chrono::steady_clock::now();
        LaunchQueue queue({
            .start = [](DeviceVerb verb,
                        LaunchQueue::RunId run) { return RunDevcon(verb, run) == 0; },
            .wakeAfter = [](std::int64_t) {},
            .nowMs = [from] { return static_cast<std::int64_t>(Seconds(from) * 1000); },
            .stillGoing = {},
        });
        for (int i = 0; i < kRunsOfUsbOn; ++i) {
            queue.Launch(DeviceVerb::Enable);
        }
        runs.Drain([&](std::uint64_t run) { queue.Ended(run); });
        queued.push_back(Seconds(from));
    }
    const double single = Median(one);
    std::printf("one run of devcon.exe enable %.2f ms; %d x one run %.1f ms (medians of %d)\n",
                single * 1000, kRunsOfUsbOn, kRunsOfUsbOn * single * 1000, kTrials);
    std::printf("one \"USB On\", %d runs, first start to last end:\n", kRunsOfUsbOn);
    std::printf("  all started at once %.1f ms: %.2f x %d runs\n", Median(atOnce) * 1000,
                Median(atOnce) / (kRunsOfUsbOn * single), kRunsOfUsbOn);
    std::printf("  through the launch queue %.1f ms: %.2f x %d runs (goal <= 1.2)\n",
                Median(queued) * 1000, Median(queued) / (kRunsOfUsbOn * single), kRunsOfUsbOn);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("VANTREL_SYSFS_ROOT") != nullptr) {
        return UsbOnTrial();
    }
    benchmark::Initialize(&argc, argv);
    if (access(ToolBesideThisProgram().c_str(), X_OK) != 0) {
        std::fprintf(stderr, "launch_bench: no stand-in %s\n", ToolBesideThisProgram().c_str());
        return 1;
    }
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const auto find = [&](const std::string& prefix) {
        for (const auto& [name, us] : reporter.microseconds) {
            if (name.rfind(prefix, 0) == 0) {
                return us;
            }
        }
        return 0.0;
    };
    const double run = find("BM_RunDevcon");
    const double bare = find("BM_BarePosixSpawn");
    const double usbOn = find("BM_UsbOn");
    std::printf("\nRunDevcon %.1f us, bare posix_spawn %.1f us, ratio %.2f (goal <= 1.2)\n", run,
                bare, bare > 0 ? run / bare : 0.0);
    std::printf("UsbOn (6 launches) %.2f ms (goal: well under one 16 ms frame)\n", usbOn / 1000);
    benchmark::Shutdown();
    return 0;
}
