# No display to be had: without DISPLAY, with a display that is not there, and with the Wayland
# platform plugin missing, the program ends with exit code 1 and one line that names the cause.
# runner: xvfb
for display in unset ":$((500 + RANDOM % 400))" wayland_plugin_missing; do
    status=0
    if [ "$display" = unset ]; then
        env -u DISPLAY "$program/vantrel" 2>"$work/stderr" || status=$?
        expected='DISPLAY'
    elif [ "$display" = wayland_plugin_missing ]; then
        # Qt as installed without qt6-wayland: this Qt finds its plugins in an empty folder.
        printf '[Paths]\nPlugins=%s\n' "$work/plugins" >"$program/qt.conf"
        QT_QPA_PLATFORM=wayland "$program/vantrel" 2>"$work/stderr" || status=$?
        rm "$program/qt.conf"
        expected='Could not find the Qt platform plugin "wayland"'
    else
        [ ! -e "/tmp/.X11-unix/X${display#:}" ] || continue
        DISPLAY="$display" "$program/vantrel" 2>"$work/stderr" || status=$?
        expected="display $display"
    fi
    [ "$status" -eq 1 ] || fail "exit status $status with $display: $(cat "$work/stderr")"
    [ "$(wc -l <"$work/stderr")" -eq 1 ] || fail "not one line: $(cat "$work/stderr")"
    grep -qF "$expected" "$work/stderr" && grep -q '^vantrel: ' "$work/stderr" ||
        fail "the cause is not named: $(cat "$work/stderr")"
done
