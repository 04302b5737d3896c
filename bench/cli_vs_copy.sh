#!/usr/bin/env bash
# The whole-process benchmark: velkor-cli --fix --no-archive over a folder of
# generated pages with their "_files" folders, against cp -r of the same
# folder, in the same run; and velkor-cli --fix --archive with /bin/true as
# the archiver, which tells what starting and waiting for an archiver costs. Each timed run works on a fresh copy; the copy is
# made beforehand and not timed, and written back to disk (sync) before the
# clock starts, so both commands start from a warm cache and no pending
# writes of the other's.
#   bench/cli_vs_copy.sh [PAGES] [RUNS]     default 1000 pages, 5 runs
#   VELKOR_BUILD_DIR=DIR                    build into DIR (default build/bench)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/install-deps"
count=${1:-1000}
runs=${2:-5}

build=${VELKOR_BUILD_DIR:-$root/build/bench}
cmake --preset bench -B "$build" >/dev/null
cmake --build "$build" --target velkor-cli -j"$(nproc)" >/dev/null
cli=$build/app/velkor-cli

work=$(mktemp -d "${TMPDIR:-/tmp}/velkor-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
python3 "$root/bench/make_pages.py" "$work/pages" "$count"
printf '[Options]\n' >"$work/velkor.ini"
printf '[Options]\nArc=/bin/true\nCom="%%s"\n' >"$work/true.ini"
echo "Generated $count pages: $(du -sh "$work/pages" | cut -f1) in $work/pages"

hyperfine --style basic --warmup 1 --runs "$runs" --export-json "$work/times.json" \
  --prepare "rm -rf '$work/run' && cp -r '$work/pages' '$work/run' && sync" \
  --command-name "velkor-cli --fix --no-archive" \
  "'$cli' --ini '$work/velkor.ini' --fix --no-archive '$work/run'" \
  --prepare "rm -rf '$work/run' && cp -r '$work/pages' '$work/run' && sync" \
  --command-name "velkor-cli --fix --archive (true)" \
  "'$cli' --ini '$work/true.ini' --fix --archive '$work/run'" \
  --prepare "rm -rf '$work/copy' && sync" \
  --command-name "cp -r" \
  "cp -r '$work/pages' '$work/copy'"

python3 - "$work/times.json" "$count" <<'PY'
import json, sys
results = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
cli = results["velkor-cli --fix --no-archive"]["mean"]
copy = results["cp -r"]["mean"]
archived = results["velkor-cli --fix --archive (true)"]["mean"]
print(f"velkor-cli {cli:.3f} s, cp -r {copy:.3f} s: velkor-cli takes {cli / copy:.2f} times as long as the copy")
pages = int(sys.argv[2])
print(f"with an archiver (true) to start and wait for: {archived:.3f} s, "
      f"{(archived - cli) / pages * 1000:.2f} ms more a page")
PY
