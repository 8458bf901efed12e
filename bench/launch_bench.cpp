// What a launch costs the user-interface thread: RunDevcon against a bare posix_spawn of the same
// tool, and one "USB On" (six launches). The tool is the no-op devcon.exe built beside this
// benchmark, so nothing here touches a device.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <climits>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

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

}  // namespace

int main(int argc, char** argv) {
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
