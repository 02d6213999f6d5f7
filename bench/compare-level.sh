#!/usr/bin/env bash
# Levelling an hour of 8 kHz mono recording: `quillon-tool level` against its peers, sox's
# two-pass peak normaliser (`sox -D ... norm -1`) and ffmpeg's dynamic normaliser (dynaudnorm).
# Prints wall time, the ratio to quillon-tool and peak RSS of each, best of RUNS runs.
#
# usage: bench/compare-level.sh            (BUILD_DIR=build, RUNS=3, SECONDS_OF_AUDIO=3600)
set -euo pipefail

cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
RUNS=${RUNS:-3}
SECONDS_OF_AUDIO=${SECONDS_OF_AUDIO:-3600}
TOOL="$BUILD_DIR/src/tool/quillon-tool"

# The peers and GNU time are Debian packages; only this script needs them.
./scripts/install-deps sox ffmpeg time
if [ ! -x "$TOOL" ]; then
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$BUILD_DIR" --target quillon-tool
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TMPDIR="$work"

# A call-like recording: pink noise shaped into syllables, one speaker far louder than the other.
sox -n -r 8000 -c 1 -b 16 "$work/loud.wav" synth 30 pinknoise tremolo 4 90 gain -12
sox "$work/loud.wav" "$work/quiet.wav" gain -20
sox "$work/loud.wav" "$work/quiet.wav" "$work/turn.wav"
repeat=$(( (SECONDS_OF_AUDIO + 59) / 60 - 1 ))
sox "$work/turn.wav" "$work/in.wav" repeat "$repeat" trim 0 "$SECONDS_OF_AUDIO"
rm "$work/loud.wav" "$work/quiet.wav" "$work/turn.wav"
echo "input: $(soxi -d "$work/in.wav") of 8000 Hz 16-bit mono, $(du -h "$work/in.wav" | cut -f1)"

# best_of NAME COMMAND...: runs the command RUNS times under GNU time; keeps the best wall time
# and the largest peak RSS in $wall and $rss. $setup, when set, runs untimed before each run.
setup=""
best_of() {
    local name=$1
    shift
    wall=""
    rss=0
    for _ in $(seq "$RUNS"); do
        [ -z "$setup" ] || eval "$setup"
        /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" >/dev/null 2>"$work/err.txt" || {
            echo "$name failed:" >&2
            cat "$work/err.txt" >&2
            exit 1
        }
        read -r seconds kilobytes <"$work/time.txt"
        if [ -z "$wall" ] || awk "BEGIN { exit !($seconds < $wall) }"; then
            wall=$seconds
        fi
        if [ "$kilobytes" -gt "$rss" ]; then
            rss=$kilobytes
        fi
        rm -f "$work"/out.*
    done
}

declare -A walls rsses
best_of quillon "$TOOL" level "$work/in.wav" "$work/out.wav"
walls[quillon]=$wall rsses[quillon]=$rss
# The queue's way: the recording replaced in place, synced to the disk before the rename.
setup='cp "$work/in.wav" "$work/out.inplace.wav"'
best_of inplace "$TOOL" level "$work/out.inplace.wav"
walls[inplace]=$wall rsses[inplace]=$rss
setup=""
best_of sox sox -D "$work/in.wav" "$work/out.sox.wav" norm -1
walls[sox]=$wall rsses[sox]=$rss
best_of ffmpeg ffmpeg -nostdin -loglevel error -y -i "$work/in.wav" -af dynaudnorm \
    "$work/out.ffmpeg.wav"
walls[ffmpeg]=$wall rsses[ffmpeg]=$rss

printf "%-28s %9s %14s %12s %10s\n" "" "wall (s)" "× real time" "vs quillon" "peak RSS"
for name in quillon inplace sox ffmpeg; do
    case $name in
        quillon) label="quillon-tool level IN OUT" ;;
        inplace) label="quillon-tool level IN" ;;
        sox) label="sox -D norm -1" ;;
        ffmpeg) label="ffmpeg -af dynaudnorm" ;;
    esac
    awk -v label="$label" -v wall="${walls[$name]}" -v ours="${walls[quillon]}" \
        -v rss="${rsses[$name]}" -v audio="$SECONDS_OF_AUDIO" 'BEGIN {
            w = wall > 0 ? wall : 0.005
            o = ours > 0 ? ours : 0.005
            printf "%-28s %9.2f %14.0f %11.2fx %7.1f MB\n", label, wall, audio / w, w / o, rss / 1024
        }'
done
