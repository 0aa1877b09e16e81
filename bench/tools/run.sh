#!/usr/bin/env bash
# qvtool list of 65535 reminders beside cat of the file.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
py=$(readlink -f "$(PATH=/usr/bin:/bin command -v python3)")
"$py" "$root/bench/tools/list.py" "$ORB_BUILD" "$root"
