#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "launcher/DevconResult.h"

// Brings each finished run of devcon.exe from the launcher's threads to this thread: the run is
// queued and a message-only window of this thread told, which hands it to `listener` from the
// message loop. Registers itself with RunDevcon while it lives.
class DevconResults {
  public:
    using Listener = std::function<void(const DevconResult&)>;

    DevconResults(HINSTANCE instance, Listener listener);
    ~DevconResults();
    DevconResults(const DevconResults&) = delete;
    DevconResults& operator=(const DevconResults&) = delete;

  private:
    struct Queue;
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);

    Listener listener_;
    std::shared_ptr<Queue> queue_;
    HWND window_ = nullptr;
};
