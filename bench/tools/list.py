#!/usr/bin/env python3
"""`qvtool list` of 65535 reminders beside `cat` of the same file, both to
/dev/null, in alternated rounds: median (min..max) and the machine's load.

  list.py BUILD ROOT"""
import os, shutil, statistics, subprocess, sys, tempfile, time

build, root = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
sys.path.insert(0, os.path.join(root, "bench/qv"))
from reminders_file import reminders_file

RUNS = int(os.environ.get("ORB_BENCH_RUNS", "5"))
work = tempfile.mkdtemp(prefix="orb-bench-list.")
try:
    data = os.path.join(work, "bench.QVM")
    reminders_file(data, 65535)
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(work, "cfg"))
    programs = {"qvtool list": [os.path.join(build, "src/tools/qvtool"), "list", data], "cat": ["cat", data]}
    times = {k: [] for k in programs}
    loads = []
    with open(os.devnull, "wb") as null:
        for name, cmd in programs.items():  # once each, untimed: the file and the programs in the page cache
            subprocess.run(cmd, env=env, stdout=null, check=True)
        for run in range(RUNS):
            order = list(programs) if run % 2 == 0 else list(reversed(programs))
            for name in order:
                loads.append(os.getloadavg()[0])
                t0 = time.perf_counter()
                subprocess.run(programs[name], env=env, stdout=null, check=True)
                times[name].append(time.perf_counter() - t0)
    spread = lambda v: "%.4f (%.4f..%.4f)" % (statistics.median(v), min(v), max(v))
    print("%d alternated rounds; median (min..max) seconds; load 1 min before each run %s"
          % (RUNS, spread(loads)))
    for name in programs:
        print("  %-12s %s" % (name, spread(times[name])))
    print("ROW qvtool list, 65535 reminders vs cat of the file: %.1fx (goal <= 10x)"
          % (statistics.median(times["qvtool list"]) / statistics.median(times["cat"])))
finally:
    shutil.rmtree(work, ignore_errors=True)
