#pragma once

#include <chrono>
#include <functional>
#include <string_view>

// How long the system may take over one switch of one device (a write of a root hub's
// `authorized`, a CM_Disable_DevNode) before devcon.exe goes on without it: a device or driver
// stuck in the kernel must not keep the other devices as they are, nor the run from ending.
constexpr std::chrono::milliseconds kSwitchBound{5000};

// What a failure line says of a switch left unfinished past kSwitchBound, on either platform.
constexpr std::string_view kSwitchUnfinished =
    "a device below it or its driver may be stuck; went on with the others";

// Runs `call` on a thread of its own and waits at most `bound` for it to return. Returns whether
// it did; if not, it is left running, so it must own everything it touches. Where no thread can
// be started, it is run here, unbounded.
bool CallWithin(std::function<void()> call, std::chrono::milliseconds bound);
