#!/usr/bin/env bash
# Reminders file operations at 65535 reminders beside one sequential read.
set -eu
"$ORB_BUILD/bench/reminders/bench_store"
