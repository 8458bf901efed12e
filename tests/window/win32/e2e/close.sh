# Closing the window by its close box, or by Alt+F4, ends the program with exit code 0.
start_program
point=$(probe closebox)
xdotool mousemove $point click 1
exit_code_within 15
[ "$code" = 0 ]
check $? "the close box ends the program with exit code 0 ($code)"
start_program
xdotool key alt+F4
exit_code_within 15
[ "$code" = 0 ]
check $? "Alt+F4 ends the program with exit code 0 ($code)"
