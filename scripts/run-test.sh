#!/usr/bin/env bash
# run-test.sh WORKDIR [VAR=value ...] PROGRAM [ARGS...]
# Runs one test program headless inside fresh XDG folders under WORKDIR.
set -eu
work=$1; shift
rm -rf "$work"
mkdir -p "$work/config" "$work/etcxdg" "$work/data" "$work/run" "$work/cwd"
chmod 700 "$work/run"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM_OVERRIDE:-offscreen}
export XDG_CONFIG_HOME="$work/config" XDG_CONFIG_DIRS="$work/etcxdg" XDG_DATA_HOME="$work/data"
export XDG_RUNTIME_DIR="$work/run" ORB_TEST_WORK="$work"
while [ $# -gt 0 ] && [[ $1 == *=* ]] && [[ $1 != /* ]]; do export "$1"; shift; done
cd "$work/cwd"
exec "$@"
