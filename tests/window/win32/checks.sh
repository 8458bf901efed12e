# Sourced by the Wine end-to-end scripts: one "ok" or "FAIL" line per check, and the count of
# failures, which the script exits with at the end.
failures=0

check() {  # CONDITION-STATUS MESSAGE
    if [ "$1" -eq 0 ]; then
        echo "ok   $2"
    else
        echo "FAIL $2"
        failures=$((failures + 1))
    fi
}
