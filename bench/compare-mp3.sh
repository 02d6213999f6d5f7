#!/usr/bin/env bash
# Decoding speed of quillon-tool decode against mpg123 (its portable C decoder and its default
# SIMD build) on one 10-minute 44.1 kHz stereo 128 kbit/s MP3 file, which the script makes with
# sox and lame. Each decoder writes a 16-bit WAV file of the whole stream; one run each.
# Usage: bench/compare-mp3.sh [BUILD_DIR] (default build; run `make build` first).
set -euo pipefail
cd "$(dirname "$0")/.."
tool="${1:-build}/src/tool/quillon-tool"
if [ ! -x "$tool" ]; then
    echo "no $tool: run make build first" >&2
    exit 1
fi
for program in sox lame mpg123; do
    command -v "$program" >/dev/null || { echo "$program is missing" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
seconds=600
# Noise and a tone: every band busy, so the Huffman and filterbank stages do full work.
sox -D -n -r 44100 -c 2 -b 16 "$work/in.wav" synth "$seconds" pinknoise sine 440 gain -8
lame --quiet -b 128 "$work/in.wav" "$work/in.mp3"
rm "$work/in.wav"

# Runs the command and prints "wall cpu" in seconds (cpu = user + system).
measure() {
    local TIMEFORMAT='%R %U %S'
    { time "$@" >/dev/null 2>&1; } 2>&1 | awk '{ printf "%s %.3f", $1, $2 + $3 }'
}

read -r ours_wall ours_cpu <<<"$(measure "$tool" decode "$work/in.mp3" "$work/ours.wav")"
read -r generic_wall generic_cpu <<<"$(measure mpg123 -q --cpu generic -w "$work/generic.wav" "$work/in.mp3")"
read -r default_wall default_cpu <<<"$(measure mpg123 -q -w "$work/default.wav" "$work/in.mp3")"

report() {
    awk -v name="$1" -v wall="$2" -v cpu="$3" -v s="$seconds" \
        'BEGIN { printf "%-26s %7.3f s wall %7.3f s cpu  %6.0fx real time (cpu)\n", name, wall, cpu, s / cpu }'
}
echo "10 minutes, 44.1 kHz stereo, 128 kbit/s ($(stat -c %s "$work/in.mp3") bytes)"
report "quillon-tool decode" "$ours_wall" "$ours_cpu"
report "mpg123 --cpu generic" "$generic_wall" "$generic_cpu"
report "mpg123 (default)" "$default_wall" "$default_cpu"
awk -v o="$ours_cpu" -v g="$generic_cpu" -v d="$default_cpu" 'BEGIN {
    printf "speed ratio (cpu time): %.2fx mpg123 --cpu generic, %.2fx mpg123 default\n", g / o, d / o }'
