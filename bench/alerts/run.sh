#!/usr/bin/env bash
# Alert soak: 1080 alerts through the real cycle and alert windows, the clock
# sped up; resident memory before and after (goal: growth under 1 MB).
set -eu
"$ORB_BUILD/bench/alerts/bench_alertsoak" 1080
