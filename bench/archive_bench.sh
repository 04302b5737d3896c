#!/usr/bin/env bash
# The archiving benchmark, on tmpfs: velkor-cli --fix --archive over
# generated pages with the demo's settings (examples/velkor.ini, 7-Zip),
# against a shell loop that calls the same archiver with the same arguments
# once per page. The loop gets the pages as velkor-cli leaves them (cleaned,
# their scripts gone), so that both hand 7-Zip the same bytes, and
# velkor-cli's time over the loop's is its cleaning and its own launching.
# Where velkor-cli knows --jobs, it runs with one worker and with its
# default. Each run works on a fresh copy, made beforehand and not timed;
# every page must end up with its archive.
#   bench/archive_bench.sh [PAGES] [RUNS]     default 200 pages, 5 runs
#   VELKOR_BUILD_DIR=DIR                      build into DIR (default build/bench)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/bench/prepare.sh"
count=${1:-200}
runs=${2:-5}
build_bench velkor-cli
# Debian's 7zip package installs 7zz; newer ones add 7z.
archiver=$(command -v 7z || command -v 7zz) || { echo "no 7-Zip found" >&2; exit 1; }

make_work archive
python3 "$root/bench/make_pages.py" "$work/pages" "$count"
sed "s|^Arc=.*|Arc=$archiver|" "$root/examples/velkor.ini" >"$work/velkor.ini"
# The loop below spells out the example's arguments; it must stay in step.
com=$(sed -n 's/^Com=//p' "$work/velkor.ini")
if [[ $com != 'a -bso0 -bsp0 "%s.7z" "%s" "%s"' ]]; then
  echo "examples/velkor.ini has Com=$com: bring the loop of $0 in step" >&2
  exit 1
fi
echo "Generated $count pages: $(du -sh "$work/pages" | cut -f1) in $work/pages"
echo "Archiver: $archiver $com"

# The cleaned pages for the loop, made once.
cp -r "$work/pages" "$work/cleaned"
"$cli" --ini "$work/velkor.ini" --fix --no-archive "$work/cleaned" >/dev/null

# One archiver call per page with the example's arguments (the archive is
# named after the page here, not after its title: the name does not change
# the work).
cat >"$work/loop.sh" <<'LOOP'
set -euo pipefail
archiver=$1 folder=$2
for page in "$folder"/*.htm; do
  stem=${page%.htm}
  "$archiver" a -bso0 -bsp0 "$stem.7z" "$page" "${stem}_files"
done
LOOP

if "$cli" --help | grep -q -- '--jobs'; then
  workers=("1 worker:--jobs 1" "default workers:")
else
  workers=("1 worker:")
fi
cases=(--case "7-Zip loop" "rm -rf '$work/loop' && cp -r '$work/cleaned' '$work/loop' && sync"
       "bash '$work/loop.sh' '$archiver' '$work/loop'")
folders=("$work/loop")
for entry in "${workers[@]}"; do
  label=${entry%%:*}
  flags=${entry#*:}
  folder="$work/cli-${label// /-}"
  folders+=("$folder")
  cases+=(--case "velkor-cli, $label" "rm -rf '$folder' && cp -r '$work/pages' '$folder' && sync"
          "'$cli' --ini '$work/velkor.ini' --fix --archive $flags '$folder'")
done

echo
echo "Archiving $count pages:"
python3 "$root/bench/timed_runs.py" --runs "$runs" --against "7-Zip loop" \
  --json "$work/times.json" "${cases[@]}"
python3 - "$work/times.json" "$count" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))
pages = int(sys.argv[2])
loop = results["7-Zip loop"]["wall"]
for name, r in results.items():
    extra = (r["wall"] - loop) / pages * 1000
    print(f"{name}: {r['wall'] / pages * 1000:.1f} ms a page"
          + ("" if name == "7-Zip loop" else f", {extra:+.1f} ms a page against the loop"))
PY

# The last run of each case left its folder: every page has its archive.
for folder in "${folders[@]}"; do
  made=$(find "$folder" -maxdepth 1 -name '*.7z' | wc -l)
  if ((made != count)); then
    echo "$folder holds $made archives, not $count" >&2
    exit 1
  fi
done
echo "Each run made its $count archives."
