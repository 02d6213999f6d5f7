#!/usr/bin/env bash
# Makes the five default prompts shipped with the program (data/prompts/*.wav): four spoken
# announcements from espeak-ng and one piece of synthesized hold music, each 8 kHz 16-bit mono,
# under 10 s, peaks at -3 dB. The results are committed; run this again only to change them.
# Needs espeak-ng and sox.
set -euo pipefail
cd "$(dirname "$0")/../data/prompts"

speak() {  # speak OUTPUT TEXT
    local raw
    raw=$(mktemp --suffix=.wav)
    espeak-ng -v en-us+f3 -s 150 -p 45 -w "$raw" "$2"
    sox "$raw" -r 8000 -c 1 -b 16 -e signed-integer "$1" highpass 200 norm -3 pad 0.2 0.3
    rm -f "$raw"
}

speak "Start Prompt.wav" "This call is being recorded."
speak "End Prompt.wav" "Recording has stopped."
speak "On-Hold 1.wav" "Please hold. Your call is important to us, and we will be with you in a moment."
speak "On-Hold 2.wav" "Thank you for holding. We will be right back with you."

# A slow, soft arpeggio of four chords with a gentle fade: hold music that survives a phone line.
notes=(C4 E4 G4 C5  A3 C4 E4 A4  F3 A3 C4 F4  G3 B3 D4 G4)
parts=()
for note in "${notes[@]}"; do
    part=$(mktemp --suffix=.wav)
    sox -n -r 8000 -c 1 -b 16 "$part" synth 0.5 pluck "$note" fade q 0.01 0.5 0.3
    parts+=("$part")
done
sox "${parts[@]}" -r 8000 -c 1 -b 16 "On-Hold 3.wav" norm -3 fade t 0.2 0 0.8
rm -f "${parts[@]}"

for f in *.wav; do
    printf '%-18s %s s\n' "$f" "$(soxi -D "$f")"
done
