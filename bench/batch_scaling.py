#!/usr/bin/env python3
"""A batch of 50 sets with --jobs 1 and --jobs 2, alternately, round by round.

Usage: python3 bench/batch_scaling.py [--rounds N] [--format csv|hdf5] [--program PATH]
                                      [--priority none|group|realtime]

Runs in a fresh copy of data/: the shipped four parameter sets repeated to 50,
each replaying the demo history. A run's time is the program's wall time less
the validator's "Done in" (the validator runs once after any batch, whatever
the jobs). Prints every round, then the medians and the median of the
round-by-round ratios jobs 1 / jobs 2, with the process CPU of each run.

On a machine shared with other developers' builds, each session's processes
share the CPUs as one group (the kernel's autogroups): a run then gets a
fixed share of the machine however many threads it has, and --jobs 2 can gain
nothing. As root, each run can be a session of its own that has the CPUs ahead
of the others while it runs: --priority group gives its group the nice value
-19 (the others still take a few per cent), --priority realtime runs it with
the real-time policy SCHED_FIFO, which no ordinary process interrupts: the two
CPUs are then the run's alone, as on a machine of its own.
"""

import argparse
import os
import re
import resource
import shutil
import statistics
import subprocess
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def batch_of_fifty(shipped):
    """The shipped sets' rows, repeated in turn to 50 rows."""
    text = open(shipped).read()
    body = text[text.index("BATCH"):].split("\n", 2)[2]
    rows = [line for line in body.splitlines() if line.strip() and not line.lstrip().startswith("|")]
    return "BATCH\n50 4\n" + "\n".join(rows[i % len(rows)] for i in range(50)) + "\n"


def run(program, folder, jobs, fmt, priority):
    """Seconds of the batch less the validator, and the process CPU seconds."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    process = subprocess.Popen([program, "--batch", "--history", "demo_history.in", "--jobs",
                                str(jobs), "--format", fmt], cwd=folder, stdin=subprocess.DEVNULL,
                               stdout=subprocess.PIPE, text=True,
                               start_new_session=priority != "none")
    # Set before the program starts its job threads, which take it on.
    if priority == "group":
        with open(f"/proc/{process.pid}/autogroup", "w") as group:
            group.write("-19")
    elif priority == "realtime":
        os.sched_setscheduler(process.pid, os.SCHED_FIFO, os.sched_param(1))
    out = process.communicate()[0]
    wall = time.perf_counter() - start
    if process.returncode != 0:
        raise RuntimeError(f"the batch exited with {process.returncode}")
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    validator = float(re.findall(r"\tDone in ([0-9.e+-]+) \[s\]", out)[-1])
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall - validator, cpu


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--rounds", type=int, default=8)
    parser.add_argument("--format", default="hdf5", choices=["csv", "hdf5"])
    parser.add_argument("--program", default=os.path.join(ROOT, "build", "kelvra"))
    parser.add_argument("--priority", default="none", choices=["none", "group", "realtime"],
                        help="give each run the CPUs ahead of other sessions (root)")
    args = parser.parse_args()
    folder = tempfile.mkdtemp()
    try:
        shutil.copytree(os.path.join(ROOT, "data"), folder, dirs_exist_ok=True)
        with open(os.path.join(folder, "batch_paramsets.in"), "w") as file:
            file.write(batch_of_fifty(os.path.join(ROOT, "data", "batch_paramsets.in")))
        times = {1: [], 2: []}
        ratios = []
        print(f"--format {args.format}, priority {args.priority}, "
              f"load average {os.getloadavg()[0]:.1f} at the start")
        for r in range(args.rounds):
            # Alternate which goes first, so that neither always meets the same load.
            order = (1, 2) if r % 2 == 0 else (2, 1)
            seconds = {}
            for jobs in order:
                seconds[jobs], cpu = run(args.program, folder, jobs, args.format, args.priority)
                times[jobs].append(seconds[jobs])
                print(f"round {r + 1}: --jobs {jobs} {seconds[jobs]:.2f} s (process CPU {cpu:.2f} s)")
            ratios.append(seconds[1] / seconds[2])
        print(f"load average {os.getloadavg()[0]:.1f} at the end")
        for jobs in (1, 2):
            print(f"--jobs {jobs}: median {statistics.median(times[jobs]):.2f} s "
                  f"({min(times[jobs]):.2f} to {max(times[jobs]):.2f})")
        print(f"--jobs 1 / --jobs 2 round by round: median {statistics.median(ratios):.2f} x "
              f"({min(ratios):.2f} to {max(ratios):.2f})")
    finally:
        shutil.rmtree(folder)


if __name__ == "__main__":
    main()
