#include "window/win32/DevconResults.h"

#include <deque>
#include <mutex>
#include <utility>

#include "launcher/RunDevcon.h"
#include "window/readiness/NoticeText.h"

namespace {

constexpr wchar_t kClass[] = L"VantrelDevconResults";
constexpr UINT kResultsWaiting = WM_APP + 0x200;
constexpr UINT_PTR kWakeTimer = 1;

}  // namespace

// Shared with the launcher's threads, which may still finish a run as the program ends.
struct DevconResults::Queue {
    std::mutex mutex;
    std::deque<DevconResult> results;
    HWND window = nullptr;

    void Push(DevconResult result) {
        const std::lock_guard lock(mutex);
        if (window != nullptr) {
            results.push_back(std::move(result));
            PostMessageW(window, kResultsWaiting, 0, 0);
        }
    }
    std::deque<DevconResult> TakeAll() {
        const std::lock_guard lock(mutex);
        return std::exchange(results, {});
    }
};

DevconResults::DevconResults(HINSTANCE instance, Listener listener)
    : listener_(std::move(listener)),
      results_(std::make_shared<Queue>()),
      queue_({
          .start = [this](DeviceVerb verb, LaunchQueue::RunId run) { return Start(verb, run); },
          .wakeAfter =
              [this](std::int64_t ms) {
                  if (ms < 0) {
                      KillTimer(window_, kWakeTimer);
                  } else {
                      SetTimer(window_, kWakeTimer, static_cast<UINT>(ms), nullptr);
                  }
              },
          .nowMs = [] { return static_cast<std::int64_t>(GetTickCount64()); },
          .stillGoing =
              [this](DeviceVerb verb) {
                  listener_(DevconResult{verb, StillGoingText(verb), std::nullopt});
              },
      }) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kClass;
    RegisterClassExW(&windowClass);
    window_ =
        CreateWindowExW(0, kClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    results_->window = window_;
    ReceiveDevconResults(
        [results = results_](DevconResult result) { results->Push(std::move(result)); });
}

DevconResults::~DevconResults() {
    ReceiveDevconResults({});
    {
        const std::lock_guard lock(results_->mutex);
        results_->window = nullptr;
    }
    DestroyWindow(window_);
}

bool DevconResults::Start(DeviceVerb verb, LaunchQueue::RunId run) {
    const int error = RunDevcon(verb, run);
    if (error != 0) {
        listener_(DevconResult{verb, RefusedLaunchText(SystemMessage(error), error), std::nullopt});
    }
    return error == 0;
}

void DevconResults::Finish(bool switchOn) {
    queue_.Finish(switchOn);
    const ULONGLONG deadline = GetTickCount64() + LaunchQueue::kFinishWaitMs;
    while (!queue_.Finished() && GetTickCount64() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE,
                                  static_cast<DWORD>(deadline - GetTickCount64()), QS_ALLINPUT);
        // Only this one's messages: the window's own clicks and timers have no say any more.
        MSG message;
        while (PeekMessageW(&message, window_, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
    }
}

LRESULT CALLBACK DevconResults::WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
    auto* self = reinterpret_cast<DevconResults*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == kResultsWaiting && self != nullptr) {
        for (const DevconResult& result : self->results_->TakeAll()) {
            self->listener_(result);
            self->queue_.Ended(result.run);
        }
        return 0;
    }
    if (message == WM_TIMER && wParam == kWakeTimer && self != nullptr) {
        KillTimer(window, kWakeTimer);
        self->queue_.Wake();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
