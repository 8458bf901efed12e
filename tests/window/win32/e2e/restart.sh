# "Restart USB": one disable, then the burst of enables.
start_program
click Command3
wait_until 20 at_least enable "$burst_ticks"
sleep 1.5
[ "$(count disable)" -eq 1 ] && [ "$(count enable)" -eq "$burst_ticks" ]
check $? "Restart USB: 1 disable and $burst_ticks enables ($(count disable), $(count enable))"
[ "$(times_ms disable | head -1)" -le "$(times_ms enable | head -1)" ] && burst_spread enable 1
check $? "Restart USB: the disable first, then the enables spread out"
