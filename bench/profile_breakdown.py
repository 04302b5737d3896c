#!/usr/bin/env python3
"""Says where a program's time went, from a perf recording with call stacks.

    profile_breakdown.py PERF_DATA PROGRAM [--min PERCENT]

PERF_DATA comes from `perf record -e cpu-clock --call-graph dwarf PROGRAM...`.
Each sample is put under what the processor was doing: a page fault, a
system call (by name), other kernel work, or the program's own work; and,
within that, under the innermost function of PROGRAM on the stack and its
caller, whose code led there (with the library function it was in, such as
memchr or mremap). The time is the samples' periods added up, so it
is processor time, not wall time; lines under --min percent (default 1) of
the whole are left out.
"""
import argparse
import collections
import os
import re
import subprocess

SYSCALL = re.compile(r"^(?:__x64_sys|__do_sys|ksys)_(\w+)$")


def samples(data):
    """Each sample as (period in ns, [(symbol, dso name)] from the innermost frame out)."""
    script = subprocess.run(
        ["perf", "script", "-i", data, "--no-inline", "-F", "period,ip,sym,dso"],
        check=True, capture_output=True, text=True, errors="replace").stdout
    for block in script.split("\n\n"):
        lines = [line.strip() for line in block.strip().splitlines()]
        if not lines or not lines[0].split()[0].isdigit():
            continue
        frames = []
        for line in lines[1:]:
            # "ADDRESS SYMBOL (DSO)"; the symbol may hold blanks and brackets.
            address, _, rest = line.partition(" ")
            symbol, _, dso = rest.rpartition(" (")
            frames.append((symbol, os.path.basename(dso.rstrip(")"))))
        yield int(lines[0].split()[0]), frames


def classify(frames, program):
    """(what the processor did, the program's function that led there)."""
    kernel = "[kernel.kallsyms]"
    user = [(symbol, dso) for symbol, dso in frames if dso != kernel]
    # The program's innermost function and its caller: a helper such as a
    # buffer's append says little without the rule that called it.
    own = [symbol for symbol, dso in user if dso == program][:2]
    site = " < ".join(own) if own else None
    # The library function the program was in, or that made the system call.
    if user and user[0][1] != program:
        site = f"{site} -> {user[0][0]}" if site else f"{user[0][0]} in {user[0][1]}"
    site = site or "(no user frame)"
    if not frames or frames[0][1] != kernel:
        return ("user: the program" if user and user[0][1] == program
                else f"user: {user[0][1] if user else '?'}"), site
    symbols = [symbol for symbol, dso in frames if dso == kernel]
    if "asm_exc_page_fault" in symbols:
        return "kernel: page faults", site
    calls = [m.group(1) for m in map(SYSCALL.match, symbols) if m]
    return (f"kernel: {calls[-1]}" if calls else "kernel: other (interrupts, scheduling)"), site


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("data")
    parser.add_argument("program")
    parser.add_argument("--min", type=float, default=1.0)
    options = parser.parse_args()

    kinds = collections.Counter()
    sites = collections.defaultdict(collections.Counter)
    for period, frames in samples(options.data):
        kind, site = classify(frames, options.program)
        kinds[kind] += period
        sites[kind][site] += period
    total = sum(kinds.values())
    if total == 0:
        raise SystemExit("profile_breakdown: no samples")
    print(f"{total / 1e9:7.3f} s of processor time in all")
    for kind, ns in kinds.most_common():
        if 100 * ns / total < options.min:
            continue
        print(f"{ns / 1e9:7.3f} s {100 * ns / total:5.1f}%  {kind}")
        for site, site_ns in sites[kind].most_common():
            if 100 * site_ns / total >= options.min:
                print(f"{site_ns / 1e9:15.3f} s {100 * site_ns / total:5.1f}%  {site}")


if __name__ == "__main__":
    main()
