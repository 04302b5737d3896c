#!/usr/bin/env bash
# What the journal and the Sync setting cost per page: velkor-cli --fix
# --no-archive over generated pages with --sync (the default) and with
# --no-sync, on tmpfs and on the disk under $TMPDIR, in the same run. Set
# VELKOR_BASELINE_CLI to another build of velkor-cli (one without the
# journal, say) to time it beside them.
#   bench/sync_cost.sh [PAGES] [RUNS]     default 1000 pages, 5 runs
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/bench/prepare.sh"
count=${1:-1000}
runs=${2:-5}
build_bench velkor-cli
# One worker, as the baseline has: the cost of a page, not the batch's speed.
one=""
"$cli" --help | grep -q -- '--jobs' && one="--jobs 1"

for place in /dev/shm "${TMPDIR:-/tmp}"; do
  make_work sync "$place"
  python3 "$root/bench/make_pages.py" "$work/pages" "$count" >/dev/null
  printf '[Options]\n' >"$work/velkor.ini"
  commands=(-n "sync" "'$cli' --ini '$work/velkor.ini' --fix --no-archive --sync $one '$work/run'"
            -n "no-sync" "'$cli' --ini '$work/velkor.ini' --fix --no-archive --no-sync $one '$work/run'")
  if [[ -n ${VELKOR_BASELINE_CLI:-} ]]; then
    commands+=(-n "baseline" "'$VELKOR_BASELINE_CLI' --ini '$work/velkor.ini' --fix --no-archive '$work/run'")
  fi
  hyperfine --style none --warmup 1 --runs "$runs" --export-json "$work/times.json" \
    --prepare "rm -rf '$work/run' && cp -r '$work/pages' '$work/run' && sync" "${commands[@]}" \
    >/dev/null
  python3 - "$work/times.json" "$place" "$count" <<'PY'
import json, statistics, sys
results = json.load(open(sys.argv[1]))["results"]
place, count = sys.argv[2], int(sys.argv[3])
fs = "tmpfs" if place == "/dev/shm" else f"disk ({place})"
for r in results:
    median = statistics.median(r["times"])
    print(f"{fs:>16} {r['command']:>10}: {median:7.3f} s for {count} pages, "
          f"{1000 * median / count:6.3f} ms a page")
PY
  rm -rf "$work"
  trap - EXIT
done
