#!/usr/bin/env bash
# What a recorded call costs at real speed, through the headless run (`quillon-tool simulate`)
# and the desktop program (`quillon --scenario`, offscreen), and the headless run through the
# voice modem provider and a modem peer on a pseudo terminal (less what the peer and the line
# took, which the run reports):
# CPU seconds per call minute, and
# the peak memory of a short call against a long one, which should not grow with the call, and
# how often the program wakes (its voluntary context switches) for each second of call.
# Each call rings, is answered by Record with the start prompt, records the far party talking
# with the recording tone every 15 s, ends with the end prompt and is levelled.
#
# usage: bench/call-cost.sh    (BUILD_DIR=build, SHORT_MINUTES=2, LONG_MINUTES=10,
#                               PROGRAMS="simulate desktop modem")
set -euo pipefail

cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
SHORT_MINUTES=${SHORT_MINUTES:-2}
LONG_MINUTES=${LONG_MINUTES:-10}
PROGRAMS=${PROGRAMS:-simulate desktop modem}
TOOL="$BUILD_DIR/src/tool/quillon-tool"
DESKTOP="$BUILD_DIR/src/app/quillon"

# sox makes the far party's voice, GNU time measures; only this script needs them.
./scripts/install-deps sox time
if [ ! -x "$TOOL" ] || [ ! -x "$DESKTOP" ]; then
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$BUILD_DIR" --target quillon-tool quillon
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The far party talks for the whole call: pink noise shaped into syllables.
sox -n -r 8000 -c 1 -b 16 "$work/far.wav" synth $((LONG_MINUTES * 60 + 60)) pinknoise \
    tremolo 4 90 gain -12

# scenario MINUTES: the file of a call recorded for MINUTES minutes.
scenario() {
    local stop=$((2 + $1 * 60))
    cat >"$work/call-$1.scenario" <<EOF
0 set showtip false
0 ring 5550100 "BENCH CALL"
1 say $work/far.wav
2 user record
$stop user stop
$((stop + 6)) expect recordings 1
$((stop + 7)) quit
EOF
    echo "$work/call-$1.scenario"
}

# measure COMMAND...: runs it once under GNU time; sets $cpu (user + system seconds), $rss
# (peak resident memory, KiB) and $wakes (voluntary context switches). A run whose expectations
# fail stops the script.
measure() {
    if ! /usr/bin/time -f "%U %S %M %w" -o "$work/time" "$@" >"$work/out" 2>&1; then
        echo "failed: $*" >&2
        cat "$work/out" >&2
        exit 1
    fi
    read -r user system rss wakes <"$work/time"
    cpu=$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%.2f", u + s }')
}

printf "%-24s %6s %9s %15s %12s %9s\n" "" "call" "CPU" "CPU per minute" "peak memory" "wake-ups"
for program in $PROGRAMS; do
    declare -A cpus rsss wakeups
    for minutes in "$SHORT_MINUTES" "$LONG_MINUTES"; do
        file=$(scenario "$minutes")
        if [ "$program" = simulate ]; then
            measure "$TOOL" simulate "$file"
            name="quillon-tool simulate"
        elif [ "$program" = modem ]; then
            measure "$TOOL" simulate "$file" --line modem
            # The modem peer and the line run in the same process: their CPU is not the program's.
            peer=$(sed -n 's/^Modem peer and line: \([0-9.]*\) s.*/\1/p' "$work/out")
            cpu=$(awk -v c="$cpu" -v p="${peer:-0}" 'BEGIN { printf "%.2f", c - p }')
            name="simulate --line modem"
        else
            # The desktop program offscreen, with folders of its own.
            home=$(mktemp -d -p "$work")
            measure env QT_QPA_PLATFORM=offscreen XDG_DATA_HOME="$home/data" \
                QUILLON_CONFIG_DIR="$home/config" XDG_RUNTIME_DIR="$home" \
                "$DESKTOP" --scenario "$file"
            name="quillon --scenario"
        fi
        cpus[$minutes]=$cpu
        rsss[$minutes]=$rss
        wakeups[$minutes]=$wakes
        printf "%-24s %4s min %7s s %13s s %8s MiB %9s\n" "$name" "$minutes" "$cpu" \
            "$(awk -v c="$cpu" -v m="$minutes" 'BEGIN { printf "%.3f", c / m }')" \
            "$(awk -v r="$rss" 'BEGIN { printf "%.1f", r / 1024 }')" "$wakes"
    done
    awk -v c1="${cpus[$SHORT_MINUTES]}" -v c2="${cpus[$LONG_MINUTES]}" \
        -v r1="${rsss[$SHORT_MINUTES]}" -v r2="${rsss[$LONG_MINUTES]}" \
        -v w1="${wakeups[$SHORT_MINUTES]}" -v w2="${wakeups[$LONG_MINUTES]}" \
        -v m1="$SHORT_MINUTES" -v m2="$LONG_MINUTES" -v name="$name" 'BEGIN {
            printf "%-24s each minute more: %.3f s of CPU, %+.2f MiB, %.0f wake-ups a second\n",
                name, (c2 - c1) / (m2 - m1), (r2 - r1) / 1024 / (m2 - m1),
                (w2 - w1) / (m2 - m1) / 60
        }'
    unset cpus rsss wakeups
done
