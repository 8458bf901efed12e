#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <set>

#include "launcher/DevconResult.h"
#include "launcher/LaunchQueue.h"

class QEventLoop;
class QSocketNotifier;

// The window's runs of devcon.exe: started one at a time through a LaunchQueue, on Qt's event
// loop. Each run's standard error is read with a QSocketNotifier; at its end of file, or once its
// kMaxErrorOutput bytes are kept, the pipe is closed and the run handed to `listener`; the next
// run starts once the tool's pidfd says it has ended. A run that could not be started or is still
// going after 10 s reaches the listener too, as a line of its own. Registers itself with RunDevcon
// while it lives.
class DevconRuns : public QObject {
  public:
    using Listener = std::function<void(const DevconResult&)>;

    explicit DevconRuns(Listener listener);
    ~DevconRuns() override;
    DevconRuns(const DevconRuns&) = delete;
    DevconRuns& operator=(const DevconRuns&) = delete;

    // What Form1 calls: queues one run.
    void Launch(DeviceVerb verb) { queue_.Launch(verb); }

    // For the program's end: drops the runs waiting and, if `switchOn`, runs one enable and
    // waits, on a loop of its own, until it has ended or LaunchQueue::kFinishWaitMs have passed.
    void Finish(bool switchOn);

    std::optional<DeviceVerb> LastLaunched() const { return queue_.LastLaunched(); }

  private:
    bool Start(DeviceVerb verb, LaunchQueue::RunId run);
    void Watch(DeviceVerb verb, std::uint64_t run, int errorOutput, int processEnd);
    void WatchEnd(std::uint64_t run, int processEnd);
    void Ended(std::uint64_t run);

    Listener listener_;
    std::set<QSocketNotifier*> open_;
    QTimer wake_;
    std::chrono::steady_clock::time_point epoch_ = std::chrono::steady_clock::now();
    LaunchQueue queue_;
    QEventLoop* finishing_ = nullptr;
};

// Copies each line of a failed run to the program's own standard error, as "vantrel: LINE", so
// that a desktop session's journal keeps what the watchdog could not do.
void LogFailureLines(const DevconResult& run);
