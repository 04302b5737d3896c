#!/usr/bin/env bash
# One big page, on tmpfs: velkor-cli --fix --no-archive on a generated page
# of 500 MB saved by Firefox (so that the link repair runs too), with
# --no-sync and with the default, against the floor program on the same page
# (read, write back, cut; and through a copy beside it, as a journaled
# rewrite must): wall, user and kernel time and peak memory, round
# by round. Then where the kernel time goes: the page faults (/usr/bin/time),
# the growth of the buffers (every mmap, mremap and munmap of 1 MB or more,
# from strace) and a profile by cause (perf with call stacks). The page is
# made here and goes with the folder; it is never kept.
#   bench/big_page.sh [MB] [RUNS]     default 500 MB, 3 runs
#   VELKOR_BUILD_DIR=DIR              build into DIR (default build/bench)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/bench/prepare.sh"
megabytes=${1:-500}
runs=${2:-3}
build_bench velkor-cli floor
make_work big
python3 "$root/bench/make_pages.py" "$work/pages" 1 --firefox --size $((megabytes * 1024 * 1024))
name=$(cd "$work/pages" && ls -- *.htm)
bytes=$(stat -c %s "$work/pages/$name")
page=$work/run/$name
printf '[Options]\n' >"$work/velkor.ini"
echo "Generated a page of $bytes bytes ($((bytes / 1048576)) MB), saved by Firefox, in $work/pages"

fresh="rm -rf '$work/run' && cp -r '$work/pages' '$work/run'"
fresh_copy() { rm -rf "$work/run" && cp -r "$work/pages" "$work/run"; }
no_sync=("$cli" --ini "$work/velkor.ini" --fix --no-archive --no-sync "$page")

echo
cli_page="'$cli' --ini '$work/velkor.ini' --fix --no-archive"
python3 "$root/bench/timed_runs.py" --runs "$runs" --against floor --json "$work/times.json" \
  --case "floor" "$fresh" "'$floor' '$page'" \
  --case "floor --journal" "$fresh" "'$floor' --journal '$page'" \
  --case "cli --no-sync" "$fresh" "$cli_page --no-sync '$page'" \
  --case "cli sync" "$fresh" "$cli_page '$page'"
python3 - "$work/times.json" "$bytes" <<'PY'
import json, sys
results, page = json.load(open(sys.argv[1])), int(sys.argv[2])
for name, r in results.items():
    print(f"{name}: peak {r['peak_kb'] * 1024 / page:.2f} times the page")
PY

echo
echo "Page faults:"
for name in floor cli; do
  fresh_copy
  if [[ $name == floor ]]; then command=("$floor" "$page"); else command=("${no_sync[@]}"); fi
  /usr/bin/time -f "$name: %R minor and %F major page faults" -o "$work/faults" \
    "${command[@]}" >/dev/null
  cat "$work/faults"
done

echo
echo "Buffers of 1 MB or more of velkor-cli --no-sync (strace):"
fresh_copy
strace -f -e trace=mmap,mremap,munmap -o "$work/memory.strace" "${no_sync[@]}" >/dev/null
python3 - "$work/memory.strace" <<'PY'
import re, sys
# A buffer that grows by realloc is one mremap after another, each taking
# the address and size the last one left: they are told as one chain.
call = re.compile(r"(mmap|mremap|munmap)\((.*)\)\s+=\s+(0x[0-9a-f]+|0)")
# Only blocks that hold bytes count: not the address space a thread's
# memory arena sets aside, nor what it gives back of that.
lines, chain, buffers = [], None, set()
for text in open(sys.argv[1]):
    m = call.search(text)
    if not m:
        continue
    kind, arguments, result = m.groups()
    args = [a.strip() for a in arguments.split(",")]
    if kind == "mremap":
        old, old_size, new_size = args[0], int(args[1]), int(args[2])
        if chain and chain["at"] == old and chain["size"] == old_size:
            chain["calls"] += 1
        else:
            chain = {"from": old_size, "calls": 1, "moves": 0}
            lines.append(chain)
        chain["moves"] += result != old
        chain["at"], chain["size"] = result, new_size
        buffers.add(result)
        continue
    chain = None
    size = int(args[1])
    if kind == "mmap" and size >= 1 << 20 and "MAP_ANONYMOUS" in arguments \
            and "PROT_WRITE" in arguments:
        buffers.add(result)
        lines.append(f"mmap   {size / 2**20:8.1f} MB")
    elif kind == "munmap" and args[0] in buffers:
        lines.append(f"munmap {size / 2**20:8.1f} MB")
calls = moves = 0
for line in lines:
    if isinstance(line, dict):
        calls, moves = calls + line["calls"], moves + line["moves"]
        step = (line["size"] - line["from"]) / line["calls"] / 1024
        print(f"mremap {line['from'] / 2**20:8.1f} MB grown to {line['size'] / 2**20:.1f} MB by "
              f"{line['calls']} calls of {step:.0f} KB on average; {line['moves']} of them moved "
              "the block")
    else:
        print(line)
print(f"{calls} mremap calls in all, {moves} of them moved a block")
PY

# cpu-clock samples work where the processor's counters cannot be read (a
# virtual machine); the call stacks tell which rule's buffer faulted or grew.
if perf record -q -e cpu-clock -o "$work/probe.data" true >/dev/null 2>&1; then
  for name in floor cli; do
    fresh_copy
    if [[ $name == floor ]]; then command=("$floor" "$page"); else command=("${no_sync[@]}"); fi
    perf record -q -F 997 -e cpu-clock --call-graph dwarf,16384 -o "$work/$name.data" \
      "${command[@]}" >/dev/null 2>&1
    echo
    echo "Where the processor time of $name goes (perf):"
    python3 "$root/bench/profile_breakdown.py" "$work/$name.data" "$(basename "${command[0]}")"
    rm -f "$work/$name.data"
  done
else
  echo "(perf cannot sample here: no profile)"
fi
