#!/usr/bin/env python3
"""Start-up benchmark: the three programs against a minimal Qt dialog, each ended by the preloaded
probe once the window it waits for has been painted (see FirstTurnProbe.cpp). The programs run in turn, in a
rotating order, several rounds; the figures are the medians and ranges of the wall times and CPU
times (user + system, all threads; steadier than the wall time on a shared, throttled machine) and
of each program's ratio to the minimal dialog of the same round, and to the same dialog showing
Chinese text ("minimal-zh": the programs' windows all show Chinese, so the font fallback to a CJK
font and its shaping are the floor of their first paint).

usage: startup_bench.py BUILD_DIR [ROUNDS] [MODE] [EXTRA_NAME=PATH ...]
  MODE: "first" (until the first window is painted, a login dialog too) or "main" (until the main
  window is painted; a dialog run before the application's loop is answered without being shown).
  Default: both. The minimal dialog is always timed to its first paint.
  EXTRA_NAME=PATH adds another program binary (e.g. an earlier Marindle) to the rounds."""
import os
import statistics
import subprocess
import sys
import tempfile
import time


def run_once(cmd, env, cwd):
    """Wall time and CPU time (user + system, all threads) of one run, in ms."""
    start = time.perf_counter()
    child = subprocess.Popen(cmd, env=env, cwd=cwd, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
    _, _, usage = os.wait4(child.pid, 0)
    child.returncode = 0
    wall = (time.perf_counter() - start) * 1000.0
    return wall, (usage.ru_utime + usage.ru_stime) * 1000.0


def line(name, t, ref):
    ratios = [a / b for a, b in zip(t, ref)]
    return (f"  {name:10s} median {statistics.median(t):7.1f} ms  range {min(t):6.1f}-{max(t):6.1f}"
            f"  ratio median {statistics.median(ratios):.2f}  range {min(ratios):.2f}-{max(ratios):.2f}")


def main():
    build = os.path.abspath(sys.argv[1])
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 9
    modes = [sys.argv[3]] if len(sys.argv) > 3 else ["first", "main"]
    dialog = os.path.join(build, "bench/bin/startup_minimal_dialog")
    programs = {
        "minimal": [dialog],
        "minimal-zh": [dialog, "zh"],
        "Marindle": [os.path.join(build, "root/Bin/Marindle")],
        "QXM7740": [os.path.join(build, "root/Bin/QXM7740")],
        "Quorvex": [os.path.join(build, "root/Bin/Quorvex")],
    }
    for extra in sys.argv[4:]:
        name, path = extra.split("=", 1)
        programs[name] = [os.path.abspath(path)]
    for name in [n for n, cmd in programs.items() if not os.path.exists(cmd[0])]:
        print(f"{name}: not built, left out")
        del programs[name]
    probe = os.path.join(build, "bench/bin/libstartup_probe.so")
    work = tempfile.mkdtemp(prefix="startup_bench_")
    names = list(programs)
    for mode in modes:
        def env(name):
            # The minimal dialog has no main window: its time is always that of its first paint.
            return dict(os.environ, QT_QPA_PLATFORM="offscreen", LD_PRELOAD=probe,
                        STARTUP_PROBE="first" if name.startswith("minimal") else mode)
        for name in names:  # warm the page cache once
            run_once(programs[name], env(name), work)
        times = {n: [] for n in names}
        for r in range(rounds):
            order = names[r % len(names):] + names[:r % len(names)]
            for name in order:
                times[name].append(run_once(programs[name], env(name), work))
        for index, what in ((0, "wall time"), (1, "CPU time")):
            for anchor in ("minimal", "minimal-zh"):
                print(f"mode {mode}, {rounds} rounds, {what} (ms; ratio to {anchor} of the same round)")
                ref = [t[index] for t in times[anchor]]
                for name in names:
                    print(line(name, [t[index] for t in times[name]], ref))


if __name__ == "__main__":
    main()
