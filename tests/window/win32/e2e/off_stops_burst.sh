# "USB Off" during a burst stops it.
start_program
click Command1
wait_until 20 at_least enable $((enables_at_once + 2))
stopped=$(now_ms)
click Command2
sleep 2.5
enables=$(count enable)
late=$(times_ms enable | awk -v t="$stopped" '$1 > t + 1000' | wc -l)
[ "$(count disable)" -eq 1 ] && [ "$enables" -lt "$burst_enables" ] && [ "$late" -eq 0 ]
check $? "USB Off stops the burst ($enables enables, $late after the stop)"
