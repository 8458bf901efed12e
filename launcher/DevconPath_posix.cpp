#include <unistd.h>

#include <climits>
#include <string>

#include "launcher/DevconPath.h"

std::optional<ToolPath> DevconPath() {
    char exe[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", exe, sizeof exe);
    if (length <= 0 || length == sizeof exe) {
        return std::nullopt;
    }
    const std::string path(exe, static_cast<std::size_t>(length));
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return std::nullopt;
    }
    return path.substr(0, slash + 1) + "devcon.exe";
}
