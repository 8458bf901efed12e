# "USB On" pressed as a screen reader presses it.
# runner: xvfb dbus
start_accessibility_bus
start_program
atspi press "USB On"
expect_usb_on_burst
close_and_expect_exit_0
