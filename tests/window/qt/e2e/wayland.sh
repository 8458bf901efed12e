# Natively under a headless Weston: the user's own QT_QPA_PLATFORM wins over an X display, and
# the program draws a window titled Vantrel of fixed size.
# runner: none
start_weston
(cd "$work" && DISPLAY=:$((500 + RANDOM % 400)) QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=1 \
    exec "$program/vantrel" 2>"$work/stderr") &
pid=$!
# WAYLAND_DEBUG logs every request the program makes, "-> object@id.request(arguments)"
# (newer libwayland writes "object#id").
wait_until 20 grep -q -- '-> wl_surface[@#][0-9]*\.attach(wl_buffer[@#]' "$work/stderr" ||
    fail "nothing drawn within 20 s: $(grep -v '^\[' "$work/stderr")"
toplevel=$(sed -n 's/.*-> \(xdg_toplevel[@#][0-9]*\)\.set_title("Vantrel")$/\1/p' "$work/stderr" | head -n 1)
[ -n "$toplevel" ] || fail "no set_title(\"Vantrel\"): $(grep set_title "$work/stderr")"
grep -qF -- "-> $toplevel.set_min_size(530, 169)" "$work/stderr" &&
    grep -qF -- "-> $toplevel.set_max_size(530, 169)" "$work/stderr" ||
    fail "size not fixed at 530 x 169: $(grep -E 'set_(min|max)_size' "$work/stderr")"
kill -0 "$pid" 2>/dev/null || fail "the program ended"
# No input can reach the window here, so nothing can close it: end it.
kill "$pid"
wait "$pid" || true
pid=
expect_no_launch
