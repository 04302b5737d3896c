#!/usr/bin/env python3
"""Times commands against each other, round by round, on a shared machine.

    timed_runs.py [--runs N] [--warmup N] [--against NAME]... [--json FILE]
                  --case NAME PREPARE COMMAND [--case ...]

Each round runs every case once, in turn, so that a load that comes and goes
on the machine falls on all of them alike; the medians are reported. Before
each run its PREPARE (a shell command line, not timed) makes the folder the
run works on. COMMAND is split as a shell would split it but started
directly, without a shell, so that neither the time nor the memory of one is
counted; a case that needs a shell says `bash -c '...'`. The wall time is
taken around the start and the wait, the user and kernel time come from the
wait itself (the child with whatever it waited for). The peak resident
memory is taken in the warm-up rounds, through /usr/bin/time: a child of
this script would count the script's own memory from before its exec, and
/usr/bin/time would add a few milliseconds to a timed run. A command that
fails stops the benchmark with its error output.
Each --against NAME adds a column: the median wall time as a multiple of
that case's.
"""
import argparse
import json
import os
import shlex
import statistics
import subprocess
import sys
import tempfile
import time


def parse():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--warmup", type=int, default=1, help="1 or more")
    parser.add_argument("--against", action="append", default=[])
    parser.add_argument("--json")
    parser.add_argument("--case", nargs=3, action="append", required=True,
                        metavar=("NAME", "PREPARE", "COMMAND"))
    options = parser.parse_args()
    if options.warmup < 1:
        parser.error("--warmup takes 1 or more: the peak memory is taken there")
    names = [name for name, _, _ in options.case]
    for name in options.against:
        if name not in names:
            parser.error(f"--against {name!r} names no case")
    return options


def run_once(name, prepare, command, errors):
    """One timed run of a case: (wall seconds, user seconds, kernel seconds)."""
    subprocess.run(prepare, shell=True, check=True)
    errors.seek(0)
    errors.truncate()
    start = time.perf_counter()
    child = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=errors)
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    check(name, command, os.waitstatus_to_exitcode(status), errors)
    return wall, usage.ru_utime, usage.ru_stime


def peak_kb(name, prepare, command, errors):
    """The peak resident memory of one run of a case, in KB."""
    subprocess.run(prepare, shell=True, check=True)
    errors.seek(0)
    errors.truncate()
    with tempfile.NamedTemporaryFile("r") as report:
        status = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report.name] + command,
                                stdout=subprocess.DEVNULL, stderr=errors).returncode
        check(name, command, status, errors)
        return int(report.read().split()[-1])


def check(name, command, status, errors):
    """Stops the benchmark when a command failed, with the end of its errors."""
    if status != 0:
        errors.seek(0)
        sys.stderr.write(errors.read().decode(errors="replace")[-4000:])
        sys.exit(f"timed_runs: {name!r} failed with exit status {status}: {shlex.join(command)}")


def main():
    options = parse()
    cases = [(name, prepare, shlex.split(command)) for name, prepare, command in options.case]
    samples = {name: [] for name, _, _ in cases}
    peaks = {name: 0 for name, _, _ in cases}
    with tempfile.TemporaryFile() as errors:
        for _ in range(options.warmup):
            for name, prepare, command in cases:
                peaks[name] = max(peaks[name], peak_kb(name, prepare, command, errors))
        for _ in range(options.runs):
            for name, prepare, command in cases:
                samples[name].append(run_once(name, prepare, command, errors))

    results = {}
    for name, runs in samples.items():
        walls = [run[0] for run in runs]
        results[name] = {
            "wall": statistics.median(walls), "min": min(walls), "max": max(walls),
            "user": statistics.median(run[1] for run in runs),
            "kernel": statistics.median(run[2] for run in runs),
            "peak_kb": peaks[name], "walls": walls,
        }

    width = max(len(name) for name in results)
    header = (f"{'':{width}}  {'median':>8} {'min':>8} {'max':>8} {'user':>7} {'kernel':>7} "
              f"{'peak':>9}")
    header += "".join(f"  {'x ' + name:>10}" for name in options.against)
    print(header)
    for name, r in results.items():
        line = (f"{name:{width}}  {r['wall']:7.3f}s {r['min']:7.3f}s {r['max']:7.3f}s "
                f"{r['user']:6.3f}s {r['kernel']:6.3f}s {r['peak_kb'] / 1024:7.1f}MB")
        line += "".join(f"  {r['wall'] / results[base]['wall']:10.2f}" for base in options.against)
        print(line)
    print(f"(median, min and max wall time of {options.runs} runs; user and kernel time: "
          f"medians; peak: the largest resident set of {options.warmup} warm-up runs)")
    if options.json:
        with open(options.json, "w") as out:
            json.dump(results, out, indent=1)


if __name__ == "__main__":
    main()
