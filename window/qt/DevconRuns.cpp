#include "DevconRuns.h"

#include <unistd.h>

#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <memory>

#include "launcher/RunDevcon.h"

DevconRuns::DevconRuns(Listener listener) : listener_(std::move(listener)) {
    ReceiveDevconStarts([this](DeviceVerb verb, int errorOutput) { Watch(verb, errorOutput); });
}

DevconRuns::~DevconRuns() {
    ReceiveDevconStarts({});
    // The notifiers are our children and go with us; the pipes of runs still going, here.
    for (QSocketNotifier* notifier : open_) {
        notifier->setEnabled(false);
        close(static_cast<int>(notifier->socket()));
    }
}

void DevconRuns::Watch(DeviceVerb verb, int errorOutput) {
    auto* notifier = new QSocketNotifier(errorOutput, QSocketNotifier::Read, this);
    open_.insert(notifier);
    auto output = std::make_shared<ErrorOutput>();
    connect(notifier, &QSocketNotifier::activated, this, [this, notifier, verb, output] {
        const int fd = static_cast<int>(notifier->socket());
        char buffer[4096];
        ssize_t count;
        while ((count = read(fd, buffer, sizeof buffer)) > 0) {
            output->Append({buffer, static_cast<std::size_t>(count)});
        }
        if (count < 0 && (errno == EAGAIN || errno == EINTR)) {
            return;  // more to come
        }
        notifier->setEnabled(false);
        close(fd);
        open_.erase(notifier);
        notifier->deleteLater();
        listener_(DevconResult{verb, output->Take(), std::nullopt});
    });
}

void LogFailureLines(const DevconResult& run) {
    for (const std::string_view line : ErrorLines(run.errorOutput)) {
        std::fprintf(stderr, "vantrel: %.*s\n", static_cast<int>(line.size()), line.data());
    }
}
