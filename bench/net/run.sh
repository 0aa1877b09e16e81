#!/usr/bin/env bash
# ReadLn throughput (200 000 short lines, one 50 MiB burst) beside raw loopback reads.
set -eu
"$ORB_BUILD/bench/net/bench_readln"
