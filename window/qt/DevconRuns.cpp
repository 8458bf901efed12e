#include "window/qt/DevconRuns.h"

#include <unistd.h>

#include <QEventLoop>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <memory>

#include "launcher/RunDevcon.h"
#include "window/readiness/NoticeText.h"

DevconRuns::DevconRuns(Listener listener)
    : listener_(std::move(listener)),
      queue_({
          .start = [this](DeviceVerb verb, LaunchQueue::RunId run) { return Start(verb, run); },
          .wakeAfter =
              [this](std::int64_t ms) {
                  if (ms < 0) {
                      wake_.stop();
                  } else {
                      wake_.start(static_cast<int>(ms));
                  }
              },
          .nowMs =
              [this] {
                  return std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - epoch_)
                      .count();
              },
          .stillGoing =
              [this](DeviceVerb verb) {
                  listener_(DevconResult{verb, StillGoingText(verb), std::nullopt});
              },
      }) {
    wake_.setSingleShot(true);
    connect(&wake_, &QTimer::timeout, this, [this] { queue_.Wake(); });
    ReceiveDevconStarts([this](DeviceVerb verb, std::uint64_t run, int errorOutput,
                               int processEnd) { Watch(verb, run, errorOutput, processEnd); });
}

DevconRuns::~DevconRuns() {
    ReceiveDevconStarts({});
    // The notifiers are our children and go with us; the pipes of runs still going, here.
    for (QSocketNotifier* notifier : open_) {
        notifier->setEnabled(false);
        close(static_cast<int>(notifier->socket()));
    }
}

bool DevconRuns::Start(DeviceVerb verb, LaunchQueue::RunId run) {
    const int error = RunDevcon(verb, run);
    if (error != 0) {
        listener_(DevconResult{verb, RefusedLaunchText(SystemMessage(error), error), std::nullopt});
    }
    return error == 0;
}

void DevconRuns::Finish(bool switchOn) {
    queue_.Finish(switchOn);
    if (queue_.Finished()) {
        return;
    }
    QEventLoop loop;
    finishing_ = &loop;
    QTimer::singleShot(LaunchQueue::kFinishWaitMs, &loop, &QEventLoop::quit);
    loop.exec();
    finishing_ = nullptr;
}

void DevconRuns::Watch(DeviceVerb verb, std::uint64_t run, int errorOutput, int processEnd) {
    auto* notifier = new QSocketNotifier(errorOutput, QSocketNotifier::Read, this);
    open_.insert(notifier);
    auto output = std::make_shared<ErrorOutput>();
    connect(notifier, &QSocketNotifier::activated, this, [=, this] {
        const int fd = static_cast<int>(notifier->socket());
        char buffer[4096];
        ssize_t count = 0;
        while (!output->Full() && (count = read(fd, buffer, sizeof buffer)) > 0) {
            output->Append({buffer, static_cast<std::size_t>(count)});
        }
        if (!output->Full() && count < 0 && (errno == EAGAIN || errno == EINTR)) {
            return;  // more to come
        }
        // Its end, or all that is kept: a tool that writes on is not read for nothing.
        notifier->setEnabled(false);
        close(fd);
        open_.erase(notifier);
        notifier->deleteLater();
        listener_(DevconResult{verb, output->Take(), std::nullopt, run});
        if (processEnd < 0) {
            Ended(run);
        } else {
            WatchEnd(run, processEnd);
        }
    });
}

// The tool's end of file comes before it has let go of its lock; its pidfd, after.
void DevconRuns::WatchEnd(std::uint64_t run, int processEnd) {
    auto* notifier = new QSocketNotifier(processEnd, QSocketNotifier::Read, this);
    open_.insert(notifier);
    connect(notifier, &QSocketNotifier::activated, this, [this, notifier, run, processEnd] {
        notifier->setEnabled(false);
        close(processEnd);
        open_.erase(notifier);
        notifier->deleteLater();
        Ended(run);
    });
}

void DevconRuns::Ended(std::uint64_t run) {
    ReapEndedTools();
    queue_.Ended(run);
    if (finishing_ != nullptr && queue_.Finished()) {
        finishing_->quit();
    }
}

void LogFailureLines(const DevconResult& run) {
    for (const std::string_view line : ErrorLines(run.errorOutput)) {
        std::fprintf(stderr, "vantrel: %.*s\n", static_cast<int>(line.size()), line.data());
    }
}
