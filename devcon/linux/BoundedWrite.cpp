#include "BoundedWrite.h"

#include <atomic>
#include <memory>

#include "BoundedCall.h"

int WriteBounded(const SysfsTree& tree, const std::string& entry, std::string_view attribute,
                 std::string_view value) {
    // Copies only: an abandoned write outlives this call, and may outlive the run.
    const auto error = std::make_shared<std::atomic<int>>(0);
    const bool returned =
        CallWithin([tree, entry, attribute = std::string(attribute), value = std::string(value),
                    error] { error->store(tree.Write(entry, attribute, value)); },
                   kSwitchBound);
    return returned ? error->load() : kWriteUnfinished;
}
