# The reader of the program's standard error is gone when it logs the failed runs.
# runner: xvfb
export DEVCON_STDERR="devcon.exe: usb1: cannot write 1: Permission denied"$'\n' DEVCON_EXIT_CODE=2
(cd "$work" && exec "$work/bin/vantrel" 2> >(exit 0)) &
pid=$!
wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^Vantrel$' | head -n 1) ||
    fail "no window within 20 s"
click Command1
wait_until 15 has_at_least enable "$burst_enables" || fail "fewer than $burst_enables enables within 15 s"
sleep 0.5
kill -0 "$pid" 2>/dev/null || fail "the program died logging to a closed standard error"
close_and_expect_exit_0
