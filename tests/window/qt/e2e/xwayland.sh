# A Wayland session with both displays and no QT_QPA_PLATFORM: the program picks XWayland itself,
# where xdotool finds its window.
# runner: none
export XDG_CURRENT_DESKTOP=KDE
start_weston --xwayland
export XDG_SESSION_TYPE=wayland
start_program
expect_main_window 530x169 any
close_and_expect_exit_0
expect_no_launch
