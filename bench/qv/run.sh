#!/usr/bin/env bash
# Due-check pass + list refresh at 100, 10 000 and 65535 reminders; then QV
# with 65535 reminders beside a bare Qt tray program: start-up to idle,
# resident memory, CPU per 2 minutes idle (ORB_BENCH_IDLE_SECONDS, 120).
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
"$ORB_BUILD/bench/qv/bench_cycle"
python3 "$root/bench/qv/idle.py" "$ORB_BUILD" "$root" "${ORB_BENCH_IDLE_SECONDS:-120}"
