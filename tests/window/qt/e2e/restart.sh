# "Restart USB": one disable, then the burst of enables, and then nothing more.
# runner: xvfb
start_program
click Command3
wait_until 15 has_at_least enable "$burst_ticks" || fail "fewer than $burst_ticks enables within 15 s"
[ "$(launches | head -n 1 | awk '{ print $2 }')" = disable ] || fail "did not start with a disable"
expect_burst_gaps "$(launches | gaps)"
expect_quiet
[ "$(count enable)" -eq "$burst_ticks" ] && [ "$(count disable)" -eq 1 ] || fail "wrong launches"
close_and_expect_exit_0
