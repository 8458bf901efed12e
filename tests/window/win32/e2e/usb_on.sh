# "USB On": the enables at once, then the burst, spread out, which then stops by itself.
start_program
[ "$(probe focus)" = Command1 ]
check $? "the window is up with the focus on Command1"
[ "$(count enable)$(count disable)" = 00 ]
check $? "nothing is launched at start"
clicked=$(now_ms)
click Command1
wait_until 20 at_least enable "$burst_enables"
first=$(times_ms enable | head -1)
first_tick=$(times_ms enable | sed -n "$((enables_at_once + 1))p")
last=$(times_ms enable | tail -1)
[ "$(count enable)" -eq "$burst_enables" ] && [ "$(count disable)" -eq 0 ]
check $? "USB On: $burst_enables enables, no disable ($(count enable), $(count disable))"
[ $((first - clicked)) -lt 3000 ] && [ $((first_tick - first)) -ge 100 ]
check $? "USB On: $enables_at_once at once, the burst after ($((first - clicked)) ms, $((first_tick - first)) ms)"
burst_spread enable $((enables_at_once + 1))
check $? "USB On: the burst's $burst_ticks launches spread out ($((last - first_tick)) ms)"
sleep 1.5
[ "$(count enable)" -eq "$burst_enables" ]
check $? "USB On: the burst stops by itself"
