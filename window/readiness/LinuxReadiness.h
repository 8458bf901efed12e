#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/linux/SysfsTree.h"
#include "window/readiness/NoticeText.h"

// What the check asks of the system, so that tests can stand in for each answer.
class ProcessAccess {
  public:
    struct Group {
        gid_t gid;
        std::vector<std::string> members;  // supplementary members, as the database lists them
    };
    struct User {
        std::string name;
        gid_t primaryGroup;
    };

    virtual ~ProcessAccess() = default;
    // As access(2): 0, or the errno for this process's real IDs.
    virtual int Access(const std::filesystem::path& path, int mode) const = 0;
    // The groups this process runs with: its effective group and its supplementary ones.
    virtual std::vector<gid_t> ProcessGroups() const = 0;
    // The group database's entry, or nothing when there is no such group.
    virtual std::optional<Group> LookUpGroup(const std::string& name) const = 0;
    // The user database's entry for the user running the program.
    virtual User CurrentUser() const = 0;
};

// The real system: access(2), getgroups(2), getgrnam(3) and getpwuid(3).
class SystemAccess final : public ProcessAccess {
  public:
    int Access(const std::filesystem::path& path, int mode) const override;
    std::vector<gid_t> ProcessGroups() const override;
    std::optional<Group> LookUpGroup(const std::string& name) const override;
    User CurrentUser() const override;
};

// Whether the devcon.exe at `devcon` (DevconPath(), which RunDevcon starts) could switch the
// root hubs of `tree`, and if not, the first cause found: the tool, then the root hubs, then the
// right to write them.
Readiness CheckReadiness(const std::optional<std::filesystem::path>& devcon, const SysfsTree& tree,
                         const ProcessAccess& access);
