# The window at 96 DPI on a KDE desktop: title, size, hints and icon; alone, launching nothing.
# runner: xvfb
export XDG_CURRENT_DESKTOP=KDE  # KWin keeps skip-taskbar windows in Alt+Tab
start_program
expect_main_window 530x169 1
close_and_expect_exit_0
expect_no_launch
