# Tab moves on, also onto a push button; Enter and Esc press nothing.
start_program
click Command2   # puts the focus there; one disable
sleep 0.5
: >"$log"
xdotool key Tab
[ "$(probe focus)" = Check1 ]
check $? "Tab moves from Command2 to Check1"
xdotool key Tab
[ "$(probe focus)" = Command3 ]
check $? "Tab moves on to Command3"
xdotool key Return Escape
sleep 1
[ ! -s "$log" ] && [ "$(probe focus)" = Command3 ] && [ "$(probe check Check1)" = 0 ]
check $? "Enter and Esc press no button"
