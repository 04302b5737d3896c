#!/usr/bin/env bash
# Takes docs/velkor-linux-window.png: velkor on a virtual X screen with a
# window manager (Openbox, for the frame and caption), after a command-line
# run over the sample pages, cropped to its window. One page's archiving is
# made to fail, so that the window stays open; the log then shows both kinds
# of line a run with archiving gives.
#   docs/tools/take_linux_screenshot.sh [BUILD_DIR [PNG]]
# BUILD_DIR (default: build/desktop) has built velkor; PNG defaults to
# docs/velkor-linux-window.png.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
if [[ -z ${VELKOR_SCREENSHOT_DISPLAY:-} ]]; then
  exec xvfb-run -a -s "-screen 0 640x400x24" env VELKOR_SCREENSHOT_DISPLAY=1 "$0" "$@"
fi
build=$(cd "${1:-$root/build/desktop}" && pwd)
out=${2:-$root/docs/velkor-linux-window.png}
work=$root/build/screenshot-linux
caption='Перетащите каталог в окно'

rm -rf "$work"
mkdir -p "$work/pages" "$work/config/velkor"
for page in "$root"/samples/*.htm*; do
  cp "$page" "$work/pages/"
  cp -r "${page%.*}_files" "$work/pages/"
done
# The archiver ends with an error code where a "NAME.fail" folder stands
# beside the archive it would make: the archiving of "Paper Cranes" (a page
# without a title, so its archive is named after the page) fails.
mkdir "$work/pages/Paper Cranes.fail"
# (A value that begins and ends with a quote would lose that pair, so the
# arguments start with a word.)
printf '#!/bin/sh\nif [ -e "$2.fail" ]; then exit 7; fi\n' >"$work/archiver"
chmod +x "$work/archiver"
printf '[Options]\nArc=%s\nCom=a "%%s" "%%s" "%%s"\nPosX=2\nPosY=2\n' "$work/archiver" \
  >"$work/config/velkor/velkor.ini"

openbox >/dev/null 2>&1 &
sleep 1
XDG_CONFIG_HOME=$work/config "$build/app/qt/velkor" "$work"/pages/*.htm* >/dev/null 2>&1 &
velkor=$!
# The run is over when the caption says that no job is pending.
ended=
for _ in $(seq 240); do
  tree=$(xwininfo -root -tree)
  [[ $tree == *"\"$caption\""* ]] && ended=1 && break
  sleep 0.5
done
[[ -n $ended ]] || { echo "take_screenshot: the run did not end" >&2; exit 1; }
sleep 1  # the window repaints after its caption has changed
# The window's place and size, widened by the frame that the window manager
# drew around it (its extents: left, right, top, bottom).
info=$(xwininfo -name "$caption")
id=$(sed -n 's/^xwininfo: Window id: \(0x[0-9a-f]*\).*/\1/p' <<<"$info")
left=$(sed -n 's/^ *Absolute upper-left X: *//p' <<<"$info")
top=$(sed -n 's/^ *Absolute upper-left Y: *//p' <<<"$info")
width=$(sed -n 's/^ *Width: *//p' <<<"$info")
height=$(sed -n 's/^ *Height: *//p' <<<"$info")
read -r frameLeft frameRight frameTop frameBottom < <(
  xprop -id "$id" _NET_FRAME_EXTENTS | sed 's/.*= *//; s/,//g')
left=$((left - frameLeft)) top=$((top - frameTop))
width=$((width + frameLeft + frameRight)) height=$((height + frameTop + frameBottom))
import -window root "$work/screen.png"
kill "$velkor"
mkdir -p "$(dirname "$out")"
convert "$work/screen.png" -crop "${width}x${height}+${left}+${top}" +repage "$out"
echo "wrote $out"
