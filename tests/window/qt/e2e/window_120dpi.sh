# The window at 120 DPI on a GNOME desktop, which leaves skip-taskbar windows out of Alt+Tab.
# runner: xvfb
export QT_FONT_DPI=120 XDG_CURRENT_DESKTOP=GNOME
dpi=120
start_program
expect_main_window 663x211 0
close_and_expect_exit_0
expect_no_launch
