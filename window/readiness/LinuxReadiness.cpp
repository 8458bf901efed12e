#include "window/readiness/LinuxReadiness.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "common/linux/SysfsTree.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kGroupName = "vantrel";

bool Contains(const std::vector<gid_t>& groups, gid_t gid) {
    return std::find(groups.begin(), groups.end(), gid) != groups.end();
}

// The authorized file of a root hub that this process may not write: which of the rule, the
// group database and this process's groups stands in the way.
Readiness WhyNotWritable(const fs::path& file, int error, const ProcessAccess& access) {
    struct stat status {};
    if (stat(file.c_str(), &status) != 0) {
        return {Cause::CannotWrite, file.string(), {}, errno};
    }
    const std::optional<ProcessAccess::Group> group = access.LookUpGroup(kGroupName);
    if (!group || status.st_gid != group->gid || (status.st_mode & S_IWGRP) == 0) {
        return {Cause::RuleMissing, file.string(), {}, error};
    }
    const ProcessAccess::User user = access.CurrentUser();
    const bool inDatabase =
        user.primaryGroup == group->gid ||
        std::find(group->members.begin(), group->members.end(), user.name) != group->members.end();
    if (!inDatabase) {
        return {Cause::NotInGroup, file.string(), user.name, error};
    }
    if (!Contains(access.ProcessGroups(), group->gid)) {
        return {Cause::GroupNotYetActive, file.string(), user.name, error};
    }
    return {Cause::CannotWrite, file.string(), user.name, error};
}

}  // namespace

Readiness CheckReadiness(const std::optional<fs::path>& devcon, const SysfsTree& tree,
                         const ProcessAccess& access) {
    if (!devcon) {
        return {Cause::FolderTooDeep, {}, {}, 0};
    }
    if (access.Access(*devcon, X_OK) != 0) {
        return {Cause::ToolMissing, devcon->parent_path().string(), {}, 0};
    }
    const SysfsTree::Listing hubs = ListRootHubs(tree);
    if (hubs.error != 0) {
        return {Cause::CannotWrite, tree.DevicesFolder().string(), {}, hubs.error};
    }
    if (hubs.devices.empty()) {
        return {Cause::NoRootHub, tree.DevicesFolder().string(), {}, 0};
    }
    for (const std::string& hub : hubs.devices) {
        const fs::path file = tree.AttributePath(hub, "authorized");
        const int error = access.Access(file, W_OK);
        // A hub unplugged meanwhile is no obstacle.
        if (error != 0 && !IsVanished(error)) {
            return WhyNotWritable(file, error, access);
        }
    }
    return {};
}

int SystemAccess::Access(const fs::path& path, int mode) const {
    return access(path.c_str(), mode) == 0 ? 0 : errno;
}

std::vector<gid_t> SystemAccess::ProcessGroups() const {
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(getgroups(0, nullptr), 0)));
    const int count = getgroups(static_cast<int>(groups.size()), groups.data());
    groups.resize(static_cast<std::size_t>(std::max(count, 0)));
    groups.push_back(getegid());
    return groups;
}

std::optional<ProcessAccess::Group> SystemAccess::LookUpGroup(const std::string& name) const {
    const struct group* entry = getgrnam(name.c_str());
    if (entry == nullptr) {
        return std::nullopt;
    }
    Group group{entry->gr_gid, {}};
    for (char** member = entry->gr_mem; *member != nullptr; ++member) {
        group.members.emplace_back(*member);
    }
    return group;
}

ProcessAccess::User SystemAccess::CurrentUser() const {
    const struct passwd* entry = getpwuid(getuid());
    if (entry == nullptr) {
        return {std::to_string(getuid()), getgid()};
    }
    return {entry->pw_name, entry->pw_gid};
}
