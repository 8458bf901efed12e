#include "devcon/BoundedCall.h"

#include <memory>

#ifdef _WIN32
#include <windows.h>

#include <process.h>

// Through the system's own threads: the C++ library's would link a POSIX threads layer into
// devcon.exe.
namespace {

unsigned __stdcall RunOwnedCall(void* owned) {
    const std::unique_ptr<std::function<void()>> call(static_cast<std::function<void()>*>(owned));
    (*call)();
    return 0;
}

}  // namespace

bool CallWithin(std::function<void()> call, std::chrono::milliseconds bound) {
    auto owned = std::make_unique<std::function<void()>>(std::move(call));
    const auto thread =
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, RunOwnedCall, owned.get(), 0, nullptr));
    if (thread == nullptr) {
        (*owned)();
        return true;
    }
    owned.release();  // the thread's now
    const DWORD waited = WaitForSingleObject(thread, static_cast<DWORD>(bound.count()));
    CloseHandle(thread);
    return waited == WAIT_OBJECT_0;
}

#else
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

bool CallWithin(std::function<void()> call, std::chrono::milliseconds bound) {
    struct Shared {
        std::function<void()> call;
        std::mutex mutex;
        std::condition_variable returned;
        bool done = false;
    };
    const auto shared = std::make_shared<Shared>();
    shared->call = std::move(call);
    try {
        std::thread([shared] {
            shared->call();
            const std::lock_guard lock(shared->mutex);
            shared->done = true;
            shared->returned.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        shared->call();
        return true;
    }
    std::unique_lock lock(shared->mutex);
    return shared->returned.wait_for(lock, bound, [&] { return shared->done; });
}
#endif
