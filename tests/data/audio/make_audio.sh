#!/bin/sh
# Regenerates the sound fixtures of the audio tests (Debian's sox and vorbis-tools).
# (-D: no dither, so that the PCM is the same on every run.)
# music.ogg: 1.2 s of stereo 48 kHz (a 440 Hz tone left, a 660 Hz tone right), encoded reproducibly.
# voice22k.ogg: 0.35 s of mono 22.05 kHz, a sweep.
set -e
cd "$(dirname "$0")"
sox -D -n -r 48000 -b 16 -c 2 music.wav synth 1.2 sine 440 sine 660 gain -6
oggenc -Q -s 1 -q 3 -o music.ogg music.wav
sox -D -n -r 22050 -b 16 -c 1 voice22k.wav synth 0.35 sine 200-2000 gain -6
oggenc -Q -s 2 -q 3 -o voice22k.ogg voice22k.wav
rm music.wav voice22k.wav
