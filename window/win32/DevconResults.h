#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "launcher/DevconResult.h"
#include "launcher/LaunchQueue.h"

// The window's runs of devcon.exe: started one at a time through a LaunchQueue, on this thread.
// Each finished run comes from the launcher's threads: it is queued and a message-only window of
// this thread told, which hands it to `listener` from the message loop and tells the queue it has
// ended. A run that could not be started or is still going after 10 s reaches the listener too,
// as a line of its own. Registers itself with RunDevcon while it lives.
class DevconResults {
  public:
    using Listener = std::function<void(const DevconResult&)>;

    DevconResults(HINSTANCE instance, Listener listener);
    ~DevconResults();
    DevconResults(const DevconResults&) = delete;
    DevconResults& operator=(const DevconResults&) = delete;

    // What Form1 calls: queues one run.
    void Launch(DeviceVerb verb) { queue_.Launch(verb); }

    // For the program's end: drops the runs waiting and, if `switchOn`, runs one enable and
    // waits, dispatching this thread's messages, until it has ended or LaunchQueue::kFinishWaitMs
    // have passed.
    void Finish(bool switchOn);

    std::optional<DeviceVerb> LastLaunched() const { return queue_.LastLaunched(); }

  private:
    struct Queue;
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    bool Start(DeviceVerb verb, LaunchQueue::RunId run);

    Listener listener_;
    std::shared_ptr<Queue> results_;
    HWND window_ = nullptr;
    LaunchQueue queue_;
};
