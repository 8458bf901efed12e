# "USB Off" during the burst of "USB On" stops it.
# runner: xvfb
start_program
click Command1
wait_until 10 has_at_least enable $((enables_at_once + 2)) || fail "the burst did not start"
click Command2
wait_until 5 has_at_least disable 1 || fail "no disable"
sleep 2
off=$(launches | awk '$2 == "disable" { print $1; exit }')
late=$(launches | awk -v off="$off" '$2 == "enable" && $1 > off + 300' | wc -l)
[ "$late" -eq 0 ] || fail "$late enables after USB Off"
[ "$(count enable)" -lt "$burst_enables" ] || fail "the burst ran to its end"
close_and_expect_exit_0
