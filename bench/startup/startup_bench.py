#!/usr/bin/env python3
"""Start-up benchmark: the three programs against a minimal Qt dialog, each ended by the preloaded
probe at its first event-loop turn (see FirstTurnProbe.cpp). The programs run in turn, in a
rotating order, several rounds; the figures are the medians and ranges of the wall times and of
each program's ratio to the minimal dialog of the same round.

usage: startup_bench.py BUILD_DIR [ROUNDS] [MODE] [EXTRA_NAME=PATH ...]
  MODE: "first" (first event loop of any kind, a login dialog's too) or "main" (the application's
  loop; a dialog run before it is answered without being shown). Default: both.
  EXTRA_NAME=PATH adds another program binary (e.g. an earlier Marindle) to the rounds."""
import os
import statistics
import subprocess
import sys
import tempfile
import time


def run_once(cmd, env, cwd):
    start = time.perf_counter()
    subprocess.run(cmd, env=env, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   stdin=subprocess.DEVNULL, timeout=60, check=False)
    return (time.perf_counter() - start) * 1000.0


def main():
    build = os.path.abspath(sys.argv[1])
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 9
    modes = [sys.argv[3]] if len(sys.argv) > 3 else ["first", "main"]
    programs = {
        "minimal": os.path.join(build, "bench/bin/startup_minimal_dialog"),
        "Marindle": os.path.join(build, "root/Bin/Marindle"),
        "QXM7740": os.path.join(build, "root/Bin/QXM7740"),
        "Quorvex": os.path.join(build, "root/Bin/Quorvex"),
    }
    for extra in sys.argv[4:]:
        name, path = extra.split("=", 1)
        programs[name] = os.path.abspath(path)
    probe = os.path.join(build, "bench/bin/libstartup_probe.so")
    work = tempfile.mkdtemp(prefix="startup_bench_")
    names = list(programs)
    for mode in modes:
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", LD_PRELOAD=probe, STARTUP_PROBE=mode)
        for name in names:  # warm the page cache once
            run_once([programs[name]], env, work)
        times = {n: [] for n in names}
        for r in range(rounds):
            order = names[r % len(names):] + names[:r % len(names)]
            for name in order:
                times[name].append(run_once([programs[name]], env, work))
        print(f"mode {mode}, {rounds} rounds (ms; ratio to the minimal dialog of the same round)")
        for name in names:
            t = times[name]
            ratios = [a / b for a, b in zip(t, times["minimal"])]
            print(f"  {name:10s} median {statistics.median(t):7.1f} ms  range {min(t):6.1f}-{max(t):6.1f}"
                  f"  ratio median {statistics.median(ratios):.2f}  range {min(ratios):.2f}-{max(ratios):.2f}")


if __name__ == "__main__":
    main()
