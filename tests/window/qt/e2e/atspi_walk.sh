# Every control as a screen reader walks them (atspi_walk.py walk); nothing is launched.
# runner: xvfb dbus
start_accessibility_bus
start_program
atspi walk
expect_no_launch
close_and_expect_exit_0
