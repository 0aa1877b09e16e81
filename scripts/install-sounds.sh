#!/usr/bin/env bash
# install-sounds.sh PROGDIR: the default alert sounds, under the names the
# settings give them (MsgWindowSndClassic, ...Doggy, ...Babe), in a program folder.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
for pair in WAV_CLASSIC:Aviso WAV_DOGGY:Bark WAV_BABE:Whistle; do
  install -m 644 "$root/resources/alerts/${pair%%:*}.wav" "$1/${pair##*:}.WAV"
done
