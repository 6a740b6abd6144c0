#!/bin/sh
# The home folder wine runs with in the tests: the wine prefix's Documents
# lead there rather than into the real home, and ALSA has a device that plays
# into nothing, so the word player runs on a real waveOut device.
set -e
mkdir -p "$1"
printf 'pcm.!default { type file; slave.pcm "null"; file "/dev/null" }\n' > "$1/.asoundrc"
