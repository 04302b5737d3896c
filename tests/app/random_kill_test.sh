#!/usr/bin/env bash
# velkor-cli over 300 generated pages, killed (SIGKILL) at a random moment,
# then run again in full, round after round: the pages must end exactly as
# one run that was never interrupted leaves them, with no journal left.
#   random_kill_test.sh VELKOR_CLI MAKE_PAGES [ROUNDS]
set -euo pipefail
cli=$1
make_pages=$2
rounds=${3:-25}
# tmpfs when there is one: the rounds then take the time of the work, not
# of the disk's flushes.
base=/dev/shm
[[ -d $base && -w $base ]] || base=${TMPDIR:-/tmp}
work=$(mktemp -d "$base/velkor-kill.XXXXXX")
trap 'rm -rf "$work"' EXIT

python3 "$make_pages" "$work/pages" 300 >/dev/null
printf '[Options]\n' >"$work/velkor.ini"
run() { "$cli" --ini "$work/velkor.ini" --fix --no-archive "$@" >/dev/null; }
cp -r "$work/pages" "$work/reference"
run "$work/reference"

start=$(date +%s%N)
cp -r "$work/pages" "$work/timed"
run "$work/timed"
full_ms=$((($(date +%s%N) - start) / 1000000 + 1))

for round in $(seq 1 "$rounds"); do
  rm -rf "$work/run"
  cp -r "$work/pages" "$work/run"
  delay_ms=$((RANDOM % full_ms))
  # --foreground: timeout kills velkor-cli alone, not its own process group
  # with itself in it, and so returns only once velkor-cli is gone and its
  # locks let go: the next run must not find its pages held.
  timeout --foreground -s KILL "$(printf '%d.%03d' $((delay_ms / 1000)) $((delay_ms % 1000)))" \
    "$cli" --ini "$work/velkor.ini" --fix --no-archive "$work/run" >/dev/null || true
  if ! run "$work/run"; then
    echo "round $round: the run after the kill at ${delay_ms} ms failed" >&2
    exit 1
  fi
  if ! diff -rq "$work/reference" "$work/run" >&2; then
    echo "round $round: killed at ${delay_ms} ms, the pages differ from an uninterrupted run" >&2
    exit 1
  fi
done
echo "$rounds runs killed at random moments (a full run takes $full_ms ms): every page whole"
