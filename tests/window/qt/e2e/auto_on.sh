# Auto On ticked: its delay later USB is switched on with a burst, and the box unticks itself.
# runner: xvfb
start_program
photograph_tick Check1 "$work/unticked.png"
clicked_at=$(now_ms)
click Check1
photograph_tick Check1 "$work/ticked.png"
! same_picture "$work/unticked.png" "$work/ticked.png" || fail "the box did not tick"
wait_until $((auto_on_delay_ms / 1000 + 10)) has_at_least enable "$enables_at_once" ||
    fail "no switch-on within $((auto_on_delay_ms / 1000 + 10)) s"
after=$(($(now_ms) - clicked_at))
[ "$after" -ge $((auto_on_delay_ms - 1000)) ] && [ "$after" -le $((auto_on_delay_ms + 3000)) ] ||
    fail "switched on after $after ms, not $auto_on_delay_ms"
wait_until 10 has_at_least enable "$burst_enables" || fail "no burst after the switch-on"
photograph_tick Check1 "$work/after.png"
same_picture "$work/unticked.png" "$work/after.png" || fail "the box is still ticked"
expect_quiet
[ "$(count disable)" -eq 0 ] || fail "disabled something"
close_and_expect_exit_0
