#!/usr/bin/env python3
"""QV with 65535 reminders beside a bare Qt tray program, in one run:
start-up to idle (wall and CPU), CPU per 2 minutes idle, resident memory idle.

  idle.py BUILD ROOT [IDLE_SECONDS]

Idle is reached when the process has used no CPU for IDLE_GAP seconds; the
start-up figure is the moment of its last CPU use before that. Runs alternate
between the two programs; figures are medians."""
import os, shutil, statistics, subprocess, sys, tempfile, time

from reminders_file import reminders_file

build, root = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
idle_seconds = float(sys.argv[3]) if len(sys.argv) > 3 else 120.0
RUNS = int(os.environ.get("ORB_BENCH_RUNS", "5"))
IDLE_GAP = 1.0
TICK = os.sysconf("SC_CLK_TCK")
PAGE = os.sysconf("SC_PAGE_SIZE")


def cpu_seconds(pid):
    """CPU time of all the process's threads, to the nanosecond."""
    total = 0
    for tid in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/schedstat" % (pid, tid)) as f:
                total += int(f.read().split()[0])
        except OSError:
            pass
    return total / 1e9


def rss_mib(pid):
    with open("/proc/%d/statm" % pid) as f:
        return int(f.read().split()[1]) * PAGE / 2**20


def start(cmd, env, cwd):
    return subprocess.Popen(cmd, env=env, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def until_idle(p, t0):
    """(wall seconds to the last CPU use before an idle gap, CPU seconds by then)"""
    last_cpu, last_change = 0.0, time.monotonic()
    while True:
        time.sleep(0.01)
        if p.poll() is not None:
            raise SystemExit("program ended early (%d)" % p.returncode)
        c = cpu_seconds(p.pid)
        now = time.monotonic()
        if c - last_cpu > 0.0005:  # threads waking for a timer use microseconds
            last_cpu, last_change = c, now
        elif now - last_change >= IDLE_GAP and now - t0 > IDLE_GAP:
            return last_change - t0, last_cpu


def stop(p):
    p.terminate()
    try:
        p.wait(5)
    except subprocess.TimeoutExpired:
        p.kill(); p.wait()


work = tempfile.mkdtemp(prefix="orb-bench-qv.")
try:
    prog = os.path.join(work, "prog")
    subprocess.run([os.path.join(root, "scripts/make-program-folder.sh"), build, prog],
                   check=True, stdout=subprocess.DEVNULL)
    data = os.path.join(prog, "bench.QVM")
    reminders_file(data, 65535)
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(work, "cfg"), XDG_RUNTIME_DIR=os.path.join(work, "run"),
               ORB_NO_DIALOGS="1")
    env.setdefault("QT_QPA_PLATFORM", "offscreen")
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
    for name, value in (("Splash", "0"), ("Email", "0"), ("Messages", "1"), ("DueMsgs", "1")):
        subprocess.run([os.path.join(prog, "qvtool"), "settings", "set", name, value], env=env, cwd=prog,
                       check=True, stdout=subprocess.DEVNULL)
    programs = {"QV": [os.path.join(prog, "QV"), data],
                # The first start after another program changed the file: no kept summaries.
                "QV, no kept": [os.path.join(prog, "QV"), data],
                "bare Qt tray": [os.path.join(build, "bench/qv/bench_bare_tray")],
                # The floor: the bare program that also reads the reminders file once.
                "bare + 1 read": [os.path.join(build, "bench/qv/bench_bare_tray"), data]}
    wall = {k: [] for k in programs}; cpu = {k: [] for k in programs}; rss = {k: [] for k in programs}
    load_start = os.getloadavg()[0]
    kept = data + ".summaries"
    time.sleep(2.1)  # summaries are kept only of a file left alone for 2 s
    p = start(programs["QV"], env, prog)
    until_idle(p, time.monotonic())
    stop(p)
    for run in range(RUNS):
        for name, cmd in programs.items():
            if name == "QV, no kept" and os.path.exists(kept):
                os.remove(kept)
            t0 = time.monotonic()
            p = start(cmd, env, prog)
            w, c = until_idle(p, t0)
            wall[name].append(w); cpu[name].append(c); rss[name].append(rss_mib(p.pid))
            stop(p)
    med = lambda xs: statistics.median(xs)
    spread = lambda xs: "%.3f..%.3f" % (min(xs), max(xs))
    print("%d alternated runs each; start-up = last CPU use before %.0f s without any; load %.2f at start, %.2f at end"
          % (RUNS, IDLE_GAP, load_start, os.getloadavg()[0]))
    for name in programs:
        print("%-13s start-up %.3f s (runs %s), CPU to idle %.3f s, resident idle %.1f MiB"
              % (name, med(wall[name]), spread(wall[name]), med(cpu[name]), med(rss[name])))
    print("ROW QV start-up to idle, 65535 reminders vs bare Qt tray: %.2fx (goal <= 1.5x)"
          % (med(wall["QV"]) / med(wall["bare Qt tray"])))
    print("ROW QV resident memory idle, 65535 reminders vs bare Qt tray: %.2fx (goal <= 1.3x)"
          % (med(rss["QV"]) / med(rss["bare Qt tray"])))
    for name in ("QV", "QV, no kept"):
        print("ROW %s start-up to idle, 65535 reminders vs bare Qt tray + 1 read of the file: %.2fx wall, %.2fx CPU"
              " (goal <= 1.1x)" % (name, med(wall[name]) / med(wall["bare + 1 read"]),
                                   med(cpu[name]) / med(cpu["bare + 1 read"])))
    print("floor: bare Qt tray reading the %.0f MB file once: start-up %.2fx, CPU to idle %.2fx the bare program's;"
          " QV's CPU to idle %.2fx the bare program's"
          % (os.path.getsize(data) / 1e6, med(wall["bare + 1 read"]) / med(wall["bare Qt tray"]),
             med(cpu["bare + 1 read"]) / med(cpu["bare Qt tray"]), med(cpu["QV"]) / med(cpu["bare Qt tray"])))
    # Idle CPU: both programs side by side over the same minutes.
    procs = {name: start(cmd, env, prog) for name, cmd in programs.items() if name in ("QV", "bare Qt tray")}
    t0 = time.monotonic()
    for p in procs.values():
        until_idle(p, t0)
    before = {name: cpu_seconds(p.pid) for name, p in procs.items()}
    time.sleep(idle_seconds)
    used = {name: (cpu_seconds(p.pid) - before[name]) * 1000 * 120 / idle_seconds for name, p in procs.items()}
    for p in procs.values():
        stop(p)
    print("ROW QV CPU per 2 minutes idle, 65535 reminders: %.0f ms (bare Qt tray %.0f ms; goal <= 30 ms)"
          % (used["QV"], used["bare Qt tray"]))
finally:
    shutil.rmtree(work, ignore_errors=True)
