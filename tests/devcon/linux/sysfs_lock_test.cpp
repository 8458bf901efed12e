// The Linux switching lock: the package's folder where it exists, else the tree's devices folder.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "devcon/linux/SysfsLock.h"
#include "tests/devcon/linux/FakeUsbTree.h"

namespace fs = std::filesystem;

namespace {

// Whether another process's copy of the lock could take `folder` now.
bool FreeToFlock(const fs::path& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool free = flock(fd, LOCK_EX | LOCK_NB) == 0;
    close(fd);
    return free;
}

TEST(SysfsLockTest, LocksThePackagesFolderWhereItExistsElseTheDevicesFolder) {
    const FakeUsbTree fake;
    const fs::path devices = fake.Root() / "bus/usb/devices";
    const fs::path lockFolder = fake.Root() / "run-vantrel";
    for (const bool packaged : {true, false}) {
        if (packaged) {
            fs::create_directory(lockFolder);
        } else {
            fs::remove(lockFolder);
        }
        const fs::path locked = packaged ? lockFolder : devices;
        SysfsLock first(lockFolder, devices);
        SysfsLock second(lockFolder, devices);

        EXPECT_EQ(first.TryTake(), SwitchingLock::Attempt::Taken) << packaged;
        EXPECT_EQ(second.TryTake(), SwitchingLock::Attempt::Busy) << packaged;
        EXPECT_FALSE(FreeToFlock(locked)) << packaged;
        EXPECT_EQ(FreeToFlock(devices), packaged);
        EXPECT_EQ(first.Description(), "the lock is a flock of " + locked.string() +
                                           "; lslocks shows which process holds it");
    }
}

}  // namespace
