#include "DevconResults.h"

#include <deque>
#include <mutex>
#include <utility>

#include "launcher/RunDevcon.h"

namespace {

constexpr wchar_t kClass[] = L"VantrelDevconResults";
constexpr UINT kResultsWaiting = WM_APP + 0x200;

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
    : listener_(std::move(listener)), queue_(std::make_shared<Queue>()) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kClass;
    RegisterClassExW(&windowClass);
    window_ =
        CreateWindowExW(0, kClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    queue_->window = window_;
    ReceiveDevconResults([queue = queue_](DevconResult result) { queue->Push(std::move(result)); });
}

DevconResults::~DevconResults() {
    ReceiveDevconResults({});
    {
        const std::lock_guard lock(queue_->mutex);
        queue_->window = nullptr;
    }
    DestroyWindow(window_);
}

LRESULT CALLBACK DevconResults::WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
    auto* self = reinterpret_cast<DevconResults*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == kResultsWaiting && self != nullptr) {
        for (const DevconResult& result : self->queue_->TakeAll()) {
            self->listener_(result);
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
