# SIGTERM, as at a logout, after "USB Off": USB comes back on before the program ends.
# runner: xvfb
start_program
click Command2
wait_until 5 has_at_least disable 1 || fail "no disable"
kill -TERM "$pid"
wait_until 10 eval '! kill -0 "$pid" 2>/dev/null' || fail "still running 10 s after SIGTERM"
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "exit code $status after SIGTERM"
[ "$(launches | awk '{ print $2 }' | tr '\n' ' ')" = "disable enable " ] ||
    fail "not a disable, then one enable: $(launches)"
