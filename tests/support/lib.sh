# shellcheck shell=bash
# The helpers the test scripts share. Source it:
#   source "$(dirname "$0")/../support/lib.sh"     (the path from the script's own folder)
#
# Two ways to fail: `fail` ends the script at the first fault; `check` notes each fault and goes
# on, and `checks_passed` ends such a script with the count.

# Milliseconds since the epoch. $EPOCHREALTIME has the locale's decimal separator ("," under
# de_DE): keep only the digits.
now_ms() {
    local t=${EPOCHREALTIME//[!0-9]/}
    echo $((10#$t / 1000))
}

# Runs COMMAND every 0.1 s until it succeeds; returns 1 if it has not within SECONDS.
wait_until() {  # SECONDS COMMAND...
    local deadline=$(($(now_ms) + $1 * 1000))
    shift
    until "$@"; do
        [ "$(now_ms)" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

# Ends the script with "FAIL: MESSAGE" on standard error, then what the script's own on_fail, if
# it has one, prints there (a log, say), and exit code 1.
fail() {  # MESSAGE...
    echo "FAIL: $*" >&2
    if declare -F on_fail >/dev/null; then
        on_fail >&2 || true
    fi
    exit 1
}

failures=0

# One "ok" or "FAIL" line per check, after the status of the command that made it.
check() {  # STATUS MESSAGE
    if [ "$1" -eq 0 ]; then
        echo "ok   $2"
    else
        echo "FAIL $2"
        failures=$((failures + 1))
    fi
}

# The count of failed checks; succeeds only if there were none.
checks_passed() {
    echo "$failures failure(s)"
    [ "$failures" -eq 0 ]
}

# The log of the recording devcon.exe (its fields: tests/support/DevconRecord.h), read the same
# on both platforms.

# The value of field NAME of each run, one a line, in the order recorded.
devcon_field() {  # NAME LOG
    awk -F'\t' -v name="$1" '{
        for (i = 1; i <= NF; i++) if (index($i, name "=") == 1) { print substr($i, length(name) + 2); break }
    }' "$2" 2>/dev/null
}

# Each run as "<milliseconds since 1970> <verb>", the verb being the argument after the program's
# name, in time order. The time is cut from the digits: awk's numbers would round it.
devcon_launches() {  # LOG
    paste <(devcon_field t "$1") <(devcon_field argv "$1") |
        awk -F'\t' '{ split($2, argv, "|"); print substr($1, 1, length($1) - 6), argv[2] }' | sort -n
}

# How many runs had VERB.
devcon_count() {  # VERB LOG
    devcon_launches "$2" | awk -v verb="$1" '$2 == verb' | wc -l
}
