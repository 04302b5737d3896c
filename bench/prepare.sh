# What every benchmark script does first, sourced once `root` is set: the
# packages it needs, then `build_bench TARGET...` builds the bench preset's
# targets (into VELKOR_BUILD_DIR, default build/bench) and `make_work NAME
# [PLACE]` makes `work`, a fresh folder under PLACE (default /dev/shm, so
# that the disk's moods do not blur the figures) that goes when the script
# ends. `cli` and `floor` name the programs built.
"$root/scripts/install-deps"
build=${VELKOR_BUILD_DIR:-$root/build/bench}
cli=$build/app/velkor-cli
floor=$build/bench/floor

build_bench() {
  cmake --preset bench -B "$build" >/dev/null
  cmake --build "$build" --target "$@" -j"$(nproc)" >/dev/null
}

make_work() {
  work=$(mktemp -d "${2:-/dev/shm}/velkor-$1.XXXXXX")
  trap 'rm -rf "$work"' EXIT
}
