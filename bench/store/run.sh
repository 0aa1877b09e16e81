#!/usr/bin/env bash
# Reminders store at 65535 reminders: passes and rewrites beside one sequential read.
set -eu
"$ORB_BUILD/bench/store/bench_storepass"
