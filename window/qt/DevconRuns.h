#pragma once

#include <QObject>

#include <functional>
#include <set>

#include "launcher/DevconResult.h"

// Reads each started devcon.exe's standard error from Qt's event loop, one QSocketNotifier per
// run, and hands the run to `listener` at its end of file, when the tool has ended; the pipe is
// closed then. Registers itself with RunDevcon while it lives.
class QSocketNotifier;

class DevconRuns : public QObject {
  public:
    using Listener = std::function<void(const DevconResult&)>;

    explicit DevconRuns(Listener listener);
    ~DevconRuns() override;
    DevconRuns(const DevconRuns&) = delete;
    DevconRuns& operator=(const DevconRuns&) = delete;

  private:
    void Watch(DeviceVerb verb, int errorOutput);

    Listener listener_;
    std::set<QSocketNotifier*> open_;
};

// Copies each line of a failed run to the program's own standard error, as "vantrel: LINE", so
// that a desktop session's journal keeps what the watchdog could not do.
void LogFailureLines(const DevconResult& run);
