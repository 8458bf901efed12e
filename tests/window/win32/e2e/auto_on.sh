# Auto On: the enables come its delay after ticking the box, which then unticks itself.
start_program
clicked=$(now_ms)
click Check1
[ "$(probe check Check1)" = 1 ]
check $? "Auto On is ticked"
wait_until $((auto_on_delay_ms / 1000 + 15)) at_least enable "$enables_at_once"
first=$(times_ms enable | head -1)
[ "$(count enable)" -ge "$enables_at_once" ] && [ $((first - clicked)) -ge $((auto_on_delay_ms - 1500)) ] &&
    [ $((first - clicked)) -le $((auto_on_delay_ms + 4000)) ]
check $? "Auto On: the enables come about $auto_on_delay_ms ms later ($((${first:-0} - clicked)) ms)"
[ "$(probe check Check1)" = 0 ]
check $? "Auto On unticks itself"
