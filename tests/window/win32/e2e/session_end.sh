# The session's end after "USB Off" switches USB back on, and ends the program.
start_program
click Command2
wait_until 10 at_least disable 1
wine wineboot.exe --end-session >/dev/null 2>&1
wait_until 15 at_least enable 1
[ "$(count disable)" -eq 1 ] && [ "$(count enable)" -eq 1 ]
check $? "the session's end after USB Off: one enable ($(count disable), $(count enable))"
exit_code_within 15
[ "$code" != running ]
check $? "the session's end ends the program ($code)"
