# The switch-on owed when the window closes: after "Restart USB" at once, and with Auto On
# ticked; the program waits for it before it ends.
# runner: xvfb
start_program
click Command3
close_and_expect_exit_0
[ "$(launches | awk '{ print $2 }' | tr '\n' ' ')" = "disable enable " ] ||
    fail "not a disable, then one enable: $(launches)"
: >"$DEVCON_LOG"
start_program
click Check1
close_and_expect_exit_0
[ "$(count enable)" -eq 1 ] && [ "$(count disable)" -eq 0 ] || fail "not one enable: $(launches)"
