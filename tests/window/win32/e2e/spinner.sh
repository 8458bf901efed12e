# The spinner's up arrow raises its value, the down arrow lowers it; a screen reader, in a process
# of its own, reads it through Active Accessibility.
start_program
click VScroll1 0.5 0.15
[ "$(probe text Text1)" = 3 ]
check $? "the up arrow raises the hours to 3"
click VScroll1 0.5 0.85
click VScroll1 0.5 0.85
[ "$(probe text Text1)" = 1 ]
check $? "the down arrow lowers them to 1"
IFS='|' read -r name role value < <(probe accessible VScroll1)
[ "$name" = "Hour spinner" ] && [ "$value" = "$(probe text Text1)" ]
check $? "a screen reader reads the spinner as \"$name\" ($role) at ${value:-nothing}"
