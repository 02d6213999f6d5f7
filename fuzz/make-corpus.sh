#!/usr/bin/env bash
# Makes the audio seeds of the fuzz targets (fuzz/corpus/<target>/): tiny WAV files in every
# coding the readers take (and one they refuse), tiny MP3 files (MPEG 1, 2 and 2.5; constant and variable bit rate, an
# ID3 tag), and the frames of those in the frame fuzzer's input form (three header bytes, then
# the frame's body), and a recording carrying its call's info. The results are committed; run
# this again only to change them. The text seeds (settings files, scenarios) are written by
# hand. Needs sox, lame and python3.
set -euo pipefail
mkdir -p "$(dirname "$0")/corpus"
cd "$(dirname "$0")/corpus"
mkdir -p fuzz_wave_reader fuzz_mp3_reader fuzz_mp3_frame fuzz_recording_info

tone() {  # tone RATE CHANNELS SECONDS SOX-OUTPUT-ARGS...
    local rate=$1 channels=$2 seconds=$3
    shift 3
    sox -V1 -n -r "$rate" -c "$channels" "$@" synth "$seconds" sine 440 sine 1000 vol 0.5
}

cd fuzz_wave_reader
tone 8000 1 0.01 -b 16 pcm16-mono.wav
tone 8000 2 0.005 -b 8 -e unsigned pcm8-stereo.wav
tone 11025 3 0.002 -b 24 pcm24-three-channels.wav
tone 8000 1 0.01 -e u-law ulaw.wav
tone 8000 2 0.01 -e a-law alaw-stereo.wav
tone 8000 1 0.07 -e ima-adpcm ima-adpcm.wav
cd ../fuzz_mp3_reader
# The reader looks at eight headers before it takes a file as MP3.
tone 8000 1 0.6 -t wav - | lame --quiet --resample 8 -b 8 - mpeg25-mono.mp3
tone 22050 1 0.25 -t wav - | lame --quiet --resample 22.05 -b 16 - mpeg2-mono.mp3
tone 32000 2 0.3 -t wav - | lame --quiet --resample 32 -b 32 --tt seed --add-id3v2 - mpeg1-stereo-id3.mp3
tone 16000 2 0.3 -t wav - | lame --quiet --resample 16 -V 9 -m j - mpeg2-vbr-joint.mp3
cd ..

python3 - <<'PY'
import glob, os

BITRATES = {  # kbit/s by version bits (3: MPEG 1; 2: MPEG 2; 0: MPEG 2.5) and index
    3: [0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320],
    2: [0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160],
}
BITRATES[0] = BITRATES[2]
RATES = {3: [44100, 48000, 32000], 2: [22050, 24000, 16000], 0: [11025, 12000, 8000]}

for path in sorted(glob.glob("fuzz_mp3_reader/*.mp3")):
    data = open(path, "rb").read()
    if data[:3] == b"ID3":
        size = data[6] << 21 | data[7] << 14 | data[8] << 7 | data[9]
        data = data[10 + size:]
    out = bytearray()
    at = 0
    for _ in range(3):
        if at + 4 > len(data) or data[at] != 0xFF or data[at + 1] & 0xE0 != 0xE0:
            break
        version = data[at + 1] >> 3 & 3
        bitrate = BITRATES[version][data[at + 2] >> 4] * 1000
        rate = RATES[version][data[at + 2] >> 2 & 3]
        padding = data[at + 2] >> 1 & 1
        length = (144 if version == 3 else 72) * bitrate // rate + padding
        # The fuzzer keeps the sync and the layer itself; the version and CRC bits come from here.
        out += bytes([data[at + 1] & 0x19, data[at + 2], data[at + 3]])
        out += data[at + 4:at + length]
        at += length
    name = os.path.basename(path)[:-4] + ".frames"
    open(os.path.join("fuzz_mp3_frame", name), "wb").write(out)

# A recording with its call's story: an INFO list and an events chunk after the audio.
import struct

def chunk(tag, body):
    return tag + struct.pack("<I", len(body)) + body + b"\0" * (len(body) % 2)

audio = open("fuzz_wave_reader/pcm16-mono.wav", "rb").read()[12:]
info = chunk(b"LIST", b"INFO" + chunk(b"IART", b"+44 20 7946 0018\0") +
             chunk(b"ICMT", "note \u00fc\0".encode()))
events = struct.pack("<HHII", 1, 0, 8000, 2)
for frame, time, kind, text in [(-800, 0, 1, b"Start Prompt.wav"), (40, 1, 6, b"5")]:
    events += struct.pack("<qqHH", frame, time, kind, len(text)) + text + b"\0" * (len(text) % 2)
body = audio + info + chunk(b"qevt", events)
seed = b"RIFF" + struct.pack("<I", 4 + len(body)) + b"WAVE" + body
open("fuzz_recording_info/with-info.wav", "wb").write(seed)
PY
