#!/usr/bin/env bash
# screenshots.sh BUILD OUTDIR: screenshots of the reminder program's windows
# under Xvfb with the IceWM window manager (frames and a notification area).
set -eu
build=$(cd "$1" && pwd); mkdir -p "$2"; out=$(cd "$2" && pwd)
mkdir -p "$out"
work=$(mktemp -d)
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run QT_QPA_PLATFORM=xcb
mkdir -p "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"
for mode in ${MODES:-main classic doggy babe editor recipients pasados mail}; do
  timeout 60 xvfb-run -a -s "-screen 0 800x600x24" bash -c "icewm >/dev/null 2>&1 & sleep 1; cd $work && '$build/tests/screens/qv_screens' $mode '$out/qv-$mode.png'"
  echo "$out/qv-$mode.png"
done
# The preferences dialog's three tabs, in English and in Spanish.
for lang in ${LANGS:-en es}; do
  timeout 60 xvfb-run -a -s "-screen 0 1024x900x24" bash -c "icewm >/dev/null 2>&1 & sleep 1; cd $work && '$build/tests/prefs/prefs_screens' '$out' $lang"
  echo "$out/prefs-*$([ "$lang" = en ] || echo "-$lang").png"
done
rm -rf "$work"
