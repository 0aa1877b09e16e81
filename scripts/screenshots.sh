#!/usr/bin/env bash
# screenshots.sh BUILD OUTDIR: screenshots of the reminder program's windows
# under Xvfb with the IceWM window manager (frames and a notification area), in
# both languages at 100 % and 200 % scaling, in the light theme and a dark one:
# NAME-LANG-SCALEx.png and NAME-LANG-SCALEx-dark.png.
set -eu
build=$(cd "$1" && pwd); mkdir -p "$2"; out=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run QT_QPA_PLATFORM=xcb
mkdir -p "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"
for theme in ${THEMES:-light dark}; do
for lang in ${LANGS:-es en}; do
  for scale in ${SCALES:-1 2}; do
    suffix=""; [ "$theme" = light ] || suffix="-$theme"
    export ORB_THEME=$theme
    screen="$((1024 * scale))x$((768 * scale))x24"
    for mode in ${MODES:-main editor recipients classic doggy babe pasados mail mailclient help}; do
      shot="$out/qv-$mode-$lang-${scale}x$suffix.png"
      QT_SCALE_FACTOR=$scale timeout 60 xvfb-run -a -n ${DISPLAY_FROM:-50} -s "-screen 0 $screen" bash -c \
        "icewm >/dev/null 2>&1 & sleep 1; cd $work && '$build/tests/screens/qv_screens' $mode '$shot' $lang"
      echo "$shot"
    done
    # The preferences dialog's three tabs.
    QT_SCALE_FACTOR=$scale timeout 60 xvfb-run -a -n ${DISPLAY_FROM:-50} -s "-screen 0 $screen" bash -c \
      "icewm >/dev/null 2>&1 & sleep 1; cd $work && '$build/tests/prefs/prefs_screens' '$out' $lang '-$lang-${scale}x$suffix'"
    echo "$out/prefs-*-$lang-${scale}x$suffix.png"
  done
done
done
