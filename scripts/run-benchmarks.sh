#!/usr/bin/env bash
# run-benchmarks.sh BUILD [NAME...]: runs the benchmark programs (bench_*) and
# the benchmark scripts (bench/*/run.sh), printing their figures.
set -eu
build=$(cd "$1" && pwd); shift
root=$(cd "$(dirname "$0")/.." && pwd)
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs), $(free -g | awk '/Mem:/{print $2}') GiB"
for s in "$root"/bench/*/run.sh; do
  [ -f "$s" ] || continue
  name=$(basename "$(dirname "$s")")
  if [ $# -gt 0 ] && ! printf '%s\n' "$@" | grep -qx "$name"; then continue; fi
  echo "== $name"
  ORB_BUILD="$build" bash "$s"
done
