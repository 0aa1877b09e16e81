#!/bin/bash
# Takes the three alert screenshots under Xvfb with icewm:
#   xvfb-run -a -s "-screen 0 640x480x24" tests/alerts/take-screenshots.sh BUILD_DIR OUT_DIR
set -e
build=$(realpath "$1"); out=$(realpath "$2"); work=$(mktemp -d)
mkdir -m 700 "$work/rt"
export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$work/rt XDG_CONFIG_HOME=$work/cfg
icewm >/dev/null 2>&1 & wm=$!
sleep 1.5
for pair in 1:classic 2:doggy 3:babe; do
  style=${pair%%:*}; name=${pair#*:}
  mkdir -p "$work/$name"
  (cd "$work/$name" && exec "$build/tests/alerts/alerts_demo" "$style" >/dev/null 2>&1) & app=$!
  sleep 2.5
  import -window root "$out/alerts-$name.png"
  kill "$app"
done
kill "$wm"
rm -rf "$work"
