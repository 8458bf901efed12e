# "USB On" clicked: the enables at once, then the burst.
# runner: xvfb
start_program
click Command1
expect_usb_on_burst
close_and_expect_exit_0
