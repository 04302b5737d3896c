#!/usr/bin/env bash
# The whole-process benchmark, on tmpfs: velkor-cli --fix --no-archive over a
# folder of generated pages with their "_files" folders, with --no-sync and
# with the default (Sync=1), against the floor program (each page read,
# written back and cut, its folder listed: what no rewrite in place can beat;
# with --journal, through a copy beside the page, as a journaled rewrite must)
# and against cp -r of the same folder, all in the same run, round by round;
# and velkor-cli --fix --archive with /bin/true as the archiver, which tells
# what starting and waiting for an archiver costs. It prints one worker's
# time against the journaled floor and the default workers' against the
# plain floor. Each run works on a fresh copy, made beforehand and not timed. Where velkor-cli knows --jobs, it runs
# with one worker and with its default. Then where the time goes: the system
# calls per page of velkor-cli and of the floor (strace -c), and a profile
# by cause and by function (perf; instruction counts too where the machine
# has the counters).
#   bench/cli_vs_copy.sh [PAGES] [RUNS]     default 1000 pages, 7 runs
#   VELKOR_BUILD_DIR=DIR                    build into DIR (default build/bench)
#   VELKOR_BENCH_PROFILE=0                  times and memory only
#   VELKOR_BASELINE_CLI=PATH                also time another build of velkor-cli
#                                           (an earlier one, say) the same way
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/bench/prepare.sh"
count=${1:-1000}
runs=${2:-7}
build_bench velkor-cli floor
make_work bench
python3 "$root/bench/make_pages.py" "$work/pages" "$count"
printf '[Options]\n' >"$work/velkor.ini"
printf '[Options]\nArc=/bin/true\nCom="%%s"\n' >"$work/true.ini"
largest=$(find "$work/pages" -maxdepth 1 -type f -printf '%s\n' | sort -n | tail -1)
echo "Generated $count pages: $(du -sh "$work/pages" | cut -f1) in $work/pages," \
  "the largest page $((largest / 1024)) KB"

# The worker counts to compare: one and the default, once velkor-cli has
# --jobs; before that it has one worker and no option for it.
if "$cli" --help | grep -q -- '--jobs'; then
  workers=("1 worker:--jobs 1" "default workers:")
else
  workers=("1 worker:")
fi

fresh="rm -rf '$work/run' && cp -r '$work/pages' '$work/run' && sync"
cases=(--case "floor" "$fresh" "'$floor' '$work/run'"
       --case "floor --journal" "$fresh" "'$floor' --journal '$work/run'"
       --case "cp -r" "rm -rf '$work/copy' && sync" "cp -r '$work/pages' '$work/copy'")
for entry in "${workers[@]}"; do
  label=${entry%%:*}
  flags=${entry#*:}
  cases+=(--case "cli --no-sync, $label" "$fresh"
          "'$cli' --ini '$work/velkor.ini' --fix --no-archive --no-sync $flags '$work/run'"
          --case "cli sync, $label" "$fresh"
          "'$cli' --ini '$work/velkor.ini' --fix --no-archive $flags '$work/run'")
done
# The scaling table's other rows: two workers named (the default follows the
# cores) and four, more than this machine's cores.
if ((${#workers[@]} > 1)); then
  for jobs in 2 4; do
    cases+=(--case "cli --no-sync, --jobs $jobs" "$fresh"
            "'$cli' --ini '$work/velkor.ini' --fix --no-archive --no-sync --jobs $jobs '$work/run'")
  done
fi
if [[ -n ${VELKOR_BASELINE_CLI:-} ]]; then
  cases+=(--case "baseline cli" "$fresh"
          "'$VELKOR_BASELINE_CLI' --ini '$work/velkor.ini' --fix --no-archive '$work/run'")
fi
# On one worker, so that it is the one-worker --no-sync run plus the archiver.
cases+=(--case "cli archiver=true" "$fresh"
        "'$cli' --ini '$work/true.ini' --fix --archive --no-sync ${workers[0]#*:} '$work/run'")

echo
echo "Whole batch, $count pages:"
python3 "$root/bench/timed_runs.py" --runs "$runs" --against floor --against "floor --journal" \
  --against "cp -r" \
  --json "$work/times.json" "${cases[@]}"
python3 - "$work/times.json" "$count" "$largest" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))
pages, largest = int(sys.argv[2]), int(sys.argv[3])
no_sync = results["cli --no-sync, 1 worker"]["wall"]
archived = results["cli archiver=true"]["wall"]
# The two aims: one worker against the journaled floor (a safe rewrite cannot
# go under it), the default workers against the plain one.
default = results.get("cli --no-sync, default workers", results["cli --no-sync, 1 worker"])
print(f"one worker, --no-sync: {no_sync / results['floor --journal']['wall']:.2f}x the journaled "
      f"floor (aim: 1.25x or less)")
print(f"default workers, --no-sync: {default['wall'] / results['floor']['wall']:.2f}x the plain "
      f"floor (aim: 1.0x or less)")
print(f"starting and waiting for an archiver (true): {(archived - no_sync) / pages * 1000:.2f} ms "
      f"more a page")
for name, r in results.items():
    if "cli" in name and "archiver" not in name:
        print(f"peak memory of {name}: {r['peak_kb'] / 1024:.1f} MB, "
              f"{r['peak_kb'] * 1024 / largest:.1f} times the largest page")
PY

[[ ${VELKOR_BENCH_PROFILE:-1} == 0 ]] && exit 0

# System calls per page. strace follows the worker thread (-f); its own
# slowness does not matter, only the counts.
echo
echo "System calls per page (strace -c):"
fresh_copy() { rm -rf "$work/run" && cp -r "$work/pages" "$work/run"; }
for journal in "" --journal; do
  fresh_copy
  strace -f -c -o "$work/floor$journal.strace" "$floor" ${journal:+"$journal"} "$work/run" \
    >/dev/null
  # The floor's work is real work on the pages: it must leave every byte as it was.
  if ! diff -r "$work/pages" "$work/run" >/dev/null; then
    echo "the floor changed the pages" >&2
    exit 1
  fi
done
fresh_copy
strace -f -c -o "$work/no-sync.strace" \
  "$cli" --ini "$work/velkor.ini" --fix --no-archive --no-sync "$work/run" >/dev/null
fresh_copy
strace -f -c -o "$work/sync.strace" \
  "$cli" --ini "$work/velkor.ini" --fix --no-archive --sync "$work/run" >/dev/null
python3 - "$count" "$work/floor.strace" "$work/floor--journal.strace" "$work/no-sync.strace" \
  "$work/sync.strace" <<'PY'
import sys
pages = int(sys.argv[1])

def calls(path):
    counts = {}
    for line in open(path):
        fields = line.split()
        # "% time seconds usecs/call calls [errors] syscall"
        if len(fields) >= 5 and fields[0][0].isdigit() and fields[-1] != "total":
            counts[fields[-1]] = int(fields[3])
    return counts

columns = [("floor", calls(sys.argv[2])), ("floor --journal", calls(sys.argv[3])),
           ("cli --no-sync", calls(sys.argv[4])), ("cli sync", calls(sys.argv[5]))]
names = sorted(set().union(*(c for _, c in columns)), key=lambda n: -columns[2][1].get(n, 0))
print(f"{'':18}" + "".join(f"{title:>16}" for title, _ in columns))
for name in names:
    per_page = [c.get(name, 0) / pages for _, c in columns]
    if max(per_page) >= 0.05:
        print(f"{name:18}" + "".join(f"{value:16.2f}" for value in per_page))
print(f"{'all':18}" + "".join(f"{sum(c.values()) / pages:16.2f}" for _, c in columns))
PY

# Where the time goes: instruction counts where the processor's counters
# can be read (not in every virtual machine), and a sampled profile of the
# kernel and the program either way.
echo
counters=$(perf stat -e instructions true 2>&1) || counters="<not supported>"
if [[ $counters == *"<not supported>"* ]]; then
  echo "(no instruction counters here: profile by timer samples only)"
else
  for name in floor cli; do
    fresh_copy
    if [[ $name == floor ]]; then command=("$floor" "$work/run")
    else command=("$cli" --ini "$work/velkor.ini" --fix --no-archive --no-sync "$work/run"); fi
    perf stat -x, -e instructions,cycles -o "$work/$name.stat" "${command[@]}" >/dev/null
    awk -F, -v name="$name" '$3 ~ /instructions|cycles/ {
      printf "%-6s %-13s %14.0f\n", name, $3, $1 }' "$work/$name.stat"
  done
fi
if perf record -q -e cpu-clock -o "$work/probe.data" true >/dev/null 2>&1; then
  for name in floor cli; do
    fresh_copy
    if [[ $name == floor ]]; then command=("$floor" "$work/run")
    else command=("$cli" --ini "$work/velkor.ini" --fix --no-archive --no-sync "$work/run"); fi
    perf record -q -F 4999 -e cpu-clock --call-graph dwarf,16384 -o "$work/$name.data" \
      "${command[@]}" >/dev/null 2>&1
    echo
    echo "Where the processor time of $name goes (perf, by cause):"
    python3 "$root/bench/profile_breakdown.py" "$work/$name.data" "$(basename "${command[0]}")"
  done
  echo
  echo "velkor-cli --no-sync, the functions above 1% (perf):"
  perf report -i "$work/cli.data" --stdio --no-children --sort dso,sym -q --percent-limit 1 \
    -g none 2>/dev/null | awk 'NF' | head -30
else
  echo "(perf cannot sample here: no profile)"
fi
