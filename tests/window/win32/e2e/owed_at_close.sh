# The switch-on owed at the end: closed at once after "Restart USB", and with Auto On ticked.
start_program
click Command3
xdotool key alt+F4
exit_code_within 15
[ "$code" = 0 ] && [ "$(count disable)" -eq 1 ] && [ "$(count enable)" -eq 1 ]
check $? "closed at once after Restart USB: the disable, then one enable ($(count disable), $(count enable))"
start_program
: >"$log"
click Check1
xdotool key alt+F4
exit_code_within 15
[ "$code" = 0 ] && [ "$(count enable)" -eq 1 ] && [ "$(count disable)" -eq 0 ]
check $? "closed with Auto On ticked: one enable ($(count enable), $(count disable))"
