#pragma once

// What the recording stand-in devcon.exe does on both platforms, and how the tests read it.
//
// Each run appends one line to the file named by DEVCON_LOG (devcon.log in its working directory
// if unset): tab-separated "key=value" fields, in this order
//   t=<nanoseconds since 1970>  exe=<its own path>  argc=<N>  argv=<argv[0]>|<argv[1]>|...
//   cwd=<its working directory>
// then the fields only its platform can tell (Linux: session, sigpipe, fds; Windows: show,
// console). The shell harnesses read it through devcon_launches and devcon_field
// (tests/support/lib.sh).
//
// With DEVCON_HOLD naming a file, a run first waits until that file exists (at most a minute), so
// that a test can hold it running. With DEVCON_STDERR set, it then writes that text to its
// standard error, as a failing run does, and exits with DEVCON_EXIT_CODE.

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace devcon_record {

inline void WaitForRelease(const std::filesystem::path& release) {
    using namespace std::chrono_literals;
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    std::error_code unreadable;
    while (!std::filesystem::exists(release, unreadable) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
    }
}

using PlatformFields = std::vector<std::pair<std::string, std::string>>;

inline std::string Line(long long unixTimeNs, const std::string& exe,
                        const std::vector<std::string>& argv, const std::string& cwd,
                        const PlatformFields& platformFields) {
    std::string line = "t=" + std::to_string(unixTimeNs) + "\texe=" + exe;
    line += "\targc=" + std::to_string(argv.size()) + "\targv=";
    for (std::size_t i = 0; i < argv.size(); ++i) {
        line += (i > 0 ? "|" : "") + argv[i];
    }
    line += "\tcwd=" + cwd;
    for (const auto& [name, value] : platformFields) {
        line += "\t" + name + "=" + value;
    }
    return line + "\n";
}

// One recorded run: its fields by name.
using Record = std::map<std::string, std::string>;

inline Record Parse(const std::string& line) {
    Record record;
    std::istringstream fields(line);
    for (std::string field; std::getline(fields, field, '\t');) {
        const std::size_t equals = field.find('=');
        record[field.substr(0, equals)] =
            equals == std::string::npos ? "" : field.substr(equals + 1);
    }
    return record;
}

}  // namespace devcon_record
