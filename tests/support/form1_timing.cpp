// The numbers of Form1 by which the end-to-end tests and the benchmarks time the window, printed
// as shell assignments for `eval`, so that no script types them again:
//   enables_at_once  burst_ticks  burst_interval_ms  auto_on_delay_ms
#include <cstdio>

#include "panel/Form1.h"

int main() {
    std::printf("enables_at_once=%d\nburst_ticks=%d\nburst_interval_ms=%d\nauto_on_delay_ms=%d\n",
                Form1::kEnablesAtOnce, Form1::kBurstTicks, Form1::kBurstIntervalMs,
                Form1::kAutoOnDelayTicks * Form1::kWatchdogIntervalMs);
}
