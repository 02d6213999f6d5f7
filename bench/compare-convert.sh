#!/usr/bin/env bash
# Conversion speed of quillon-tool convert against sox and sndfile-resample on one 10-minute
# 44.1 kHz stereo WAV file (made with sox), converted to 8 kHz mono 16-bit. sox does the same
# job at its default quality without dither (-D; dithering is extra work); sndfile-resample
# converts the rate only, keeping both channels. One run each; prints wall times and ratios.
# Usage: bench/compare-convert.sh [BUILD_DIR] (default build; run `make build` first).
set -euo pipefail
cd "$(dirname "$0")/.."
tool="${1:-build}/src/tool/quillon-tool"
if [ ! -x "$tool" ]; then
    echo "no $tool: run make build first" >&2
    exit 1
fi
./scripts/install-deps sox samplerate-programs

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
seconds=600
# Noise and a tone: the filters see a full band, as with music on hold.
sox -D -n -r 44100 -c 2 -b 16 "$work/in.wav" synth "$seconds" pinknoise sine 440 gain -8
# Reads the input once so that every program finds it in the page cache.
cat "$work/in.wav" >/dev/null

# Runs the command and prints "wall cpu" in seconds (cpu = user + system).
measure() {
    local TIMEFORMAT='%R %U %S'
    { time "$@" >/dev/null 2>&1; } 2>&1 | awk '{ printf "%s %.3f", $1, $2 + $3 }'
}

read -r ours_wall ours_cpu <<<"$(measure "$tool" convert "$work/in.wav" "$work/ours.wav")"
read -r sox_wall sox_cpu <<<"$(measure sox -D "$work/in.wav" -r 8000 -c 1 "$work/sox.wav" remix 1)"
read -r src_wall src_cpu <<<"$(measure sndfile-resample -to 8000 "$work/in.wav" "$work/src.wav")"

report() {
    awk -v name="$1" -v wall="$2" -v cpu="$3" -v s="$seconds" \
        'BEGIN { printf "%-30s %7.3f s wall %7.3f s cpu  %6.0fx real time (wall)\n", name, wall, cpu, s / wall }'
}
echo "10 minutes of 44.1 kHz stereo ($(stat -c %s "$work/in.wav") bytes) to 8 kHz"
report "quillon-tool convert" "$ours_wall" "$ours_cpu"
report "sox -D ... remix 1" "$sox_wall" "$sox_cpu"
report "sndfile-resample (stereo)" "$src_wall" "$src_cpu"
awk -v o="$ours_wall" -v s="$sox_wall" -v r="$src_wall" 'BEGIN {
    printf "speed ratio (wall time): %.2fx sox, %.2fx sndfile-resample\n", s / o, r / o }'
