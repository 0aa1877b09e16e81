#!/usr/bin/env bash
# Due-check pass + list refresh at 100, 10 000 and 65535 reminders.
set -eu
"$ORB_BUILD/bench/qv/bench_cycle"
