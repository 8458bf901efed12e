# Every run of devcon.exe fails: the notice says what it wrote, as a screen reader reads it, once
# beside the window, and the program logs it on its standard error.
# runner: xvfb dbus
start_accessibility_bus
line="devcon.exe: usb1: cannot write 1 to $VANTREL_SYSFS_ROOT/bus/usb/devices/usb1/authorized: Permission denied"
export DEVCON_STDERR="$line"$'\n' DEVCON_EXIT_CODE=2
start_program
atspi press "USB On"
wait_until 15 has_at_least enable "$enables_at_once" || fail "fewer than $enables_at_once enables within 15 s"
reading=$(atspi notice)
echo "$reading"
grep -qF "alert 'Vantrel: switching USB devices on failed'" <<<"$reading" ||
    fail "the notice has not the failure's title: $reading"
grep -qF "label '$line" <<<"$reading" || fail "the notice does not hold the line: $reading"
wait_until 15 has_at_least enable "$burst_enables" || fail "fewer than $burst_enables enables within 15 s"
[ "$(xdotool search --onlyvisible --pid "$pid" | wc -l)" -eq 2 ] ||
    fail "not one notice beside the window"
wait_until 5 grep -qxF "vantrel: $line" "$work/stderr" || fail "not on standard error"
close_and_expect_exit_0
