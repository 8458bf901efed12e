#!/usr/bin/env bash
# Benchmarks of the Qt program under Xvfb (figures, not a test):
#  - start-up: time from start until the window is mapped, and peak memory (VmHWM), of vantrel
#    against a Qt Widgets program that only shows an empty window, interleaved in one run; and,
#    for scale, against an empty window with one line of text;
#  - burst timing: spacing of the burst's launches after "USB On" against its interval (the
#    numbers are Form1's, printed by form1_timing).
# Usage: bench/qt/window_bench.sh [START_RUNS [BURST_RUNS]]   (defaults 15 and 5)
# Needs the `linux` preset built (cmake --build --preset linux). vantrel runs from a copy in a
# temporary folder, beside the recording devcon.exe of the tests.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=build/linux
source bench/qt/lib.sh
start_runs=${1:-15}
burst_runs=${2:-5}

bench_start bench "$build/tests/recording_devcon"
cp "$build/bench/qt/empty_window" "$work/empty_window"
cp "$build/bench/qt/text_window" "$work/text_window"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# --- Start-up and peak memory -------------------------------------------------------------------
programs=(empty_window text_window program/vantrel)
for program in "${programs[@]}"; do
    "$build/bench/qt/startup_probe" "$work/$program" >/dev/null  # warm the caches
    : >"$work/$(basename "$program").txt"
done
for ((i = 0; i < start_runs; i++)); do
    for program in "${programs[@]}"; do
        "$build/bench/qt/startup_probe" "$work/$program" >>"$work/$(basename "$program").txt"
    done
done
# Median of column $2 of the results of program $1.
result() { awk -v column="$2" '{ print $column }' "$work/$1.txt" | median; }
report() {
    awk -v e="$(result empty_window "$1")" -v t="$(result text_window "$1")" \
        -v v="$(result vantrel "$1")" -v unit="$2" -v format="$3" 'BEGIN {
        printf "  empty window " format " %s, window with one text " format " %s, vantrel " format " %s\n", e, unit, t, unit, v, unit
        printf "  ratio vantrel / empty window %.2f (goal <= 1.3); vantrel / window with text %.2f\n", v / e, v / t
    }'
}
echo "Start-up to window mapped, median of $start_runs runs each (interleaved):"
report 1 ms %.1f
echo "Peak memory (VmHWM) once shown, median:"
report 2 KiB %d

# --- Burst timing -------------------------------------------------------------------------------
read -r left top width height < <("$build/tests/window/qt/control_geometry" Command1 96)
: >"$work/gaps.txt"
for ((i = 0; i < burst_runs; i++)); do
    export DEVCON_LOG="$work/devcon-$i.log"
    : >"$DEVCON_LOG"
    "$work/program/vantrel" 2>/dev/null &
    pid=$!
    wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^Vantrel$' | head -n 1)
    xdotool mousemove --window "$wid" $((left + width / 2)) $((top + height / 2)) click 1
    wait_until 15 eval '[ "$(wc -l <"$DEVCON_LOG")" -ge $((enables_at_once + burst_ticks)) ]' || true
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    pid=
    # The burst's launches come after the enables at once; their spacings, in ms.
    devcon_field t "$DEVCON_LOG" | sort -n | tail -n +$((enables_at_once + 1)) | head -n "$burst_ticks" |
        awk 'NR > 1 { printf "%.3f\n", ($1 - previous) / 1e6 } { previous = $1 }' >>"$work/gaps.txt"
done
spacings=$(wc -l <"$work/gaps.txt")
median_error=$(awk -v i="$burst_interval_ms" '{ e = $1 - i; print (e < 0 ? -e : e) }' "$work/gaps.txt" | median)
echo "Burst spacing against $burst_interval_ms ms, $spacings spacings from $burst_runs runs:"
awk -v m="$median_error" -v i="$burst_interval_ms" '
    { e = $1 - i; if (e < 0) e = -e; if (e > worst) worst = e; if (NR == 1 || $1 < lo) lo = $1; if ($1 > hi) hi = $1 }
    END { printf "  median |error| %.2f ms (goal <= 5), worst %.2f ms (goal <= 50); spacings %.1f to %.1f ms\n", m, worst, lo, hi }' \
    "$work/gaps.txt"
