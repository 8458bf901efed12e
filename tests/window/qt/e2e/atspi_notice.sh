# Without the root hub the program says so at start, as a screen reader reads it, and the window
# still works behind the notice.
# runner: xvfb dbus
start_accessibility_bus
rm -r "$VANTREL_SYSFS_ROOT/bus/usb/devices/usb1"
start_program
reading=$(atspi notice)
echo "$reading"
grep -qF "'This machine has no USB root hub (nothing under $VANTREL_SYSFS_ROOT/bus/usb/devices)" \
    <<<"$reading" || fail "the notice does not name the cause: $reading"
atspi press "USB On"
expect_usb_on_burst
close_and_expect_exit_0
