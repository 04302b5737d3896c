#!/usr/bin/env bash
# Takes docs/velkor-window.png: Velkor.exe under Wine on a virtual X screen,
# after a command-line run over the sample pages, cropped to its window.
# One page's archiving is made to fail, so that the window stays open; the
# log then shows both kinds of line a run with archiving gives.
#   tests/window/take_screenshot.sh [BUILD_DIR]     (default: build/mingw64)
# BUILD_DIR is a built mingw64 configuration with its tests.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
if [[ -z ${VELKOR_SCREENSHOT_DISPLAY:-} ]]; then
  exec xvfb-run -a -s "-screen 0 800x600x24" env VELKOR_SCREENSHOT_DISPLAY=1 "$0" "$@"
fi
build=$(cd "${1:-$root/build/mingw64}" && pwd)
work=$root/build/screenshot
export WINEPREFIX=${WINEPREFIX:-$root/build/screenshot-wine}
wine=$root/scripts/wine-run

winpath() { local path=${1//\//\\}; printf 'Z:%s' "$path"; }

rm -rf "$work"
mkdir -p "$work/pages"
cp "$build/app/win32/Velkor.exe" "$work/"
pages=()
for page in "$root"/samples/*.htm*; do
  cp "$page" "$work/pages/"
  cp -r "${page%.*}_files" "$work/pages/"
  pages+=("$(winpath "$work/pages/$(basename "$page")")")
done
# The archiver stand-in cannot write its report where a folder has the
# report's name: the archiving of "Paper Cranes" (a page without a title,
# so its archive is named after the page) ends with an error code.
mkdir "$work/pages/Paper Cranes.report"
printf '[Options]\r\nArc=%s\r\nCom=0 "%%s.report" "%%s" "%%s"\r\nHidden=1\r\nPosX=2\r\nPosY=2\r\n' \
  "$(winpath "$build/tests/job/velkor_archiver_standin.exe")" >"$work/velkor.ini"

# Wine draws the caption buttons with its Marlett font, which a fresh prefix
# does not always list.
"$wine" wineboot -i >/dev/null 2>&1
cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"

# On a virtual desktop Wine draws the window's frame and caption itself.
# Every program of the prefix shares it, so the inspector finds the window.
"$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
"$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 640x480 /f >/dev/null 2>&1
/usr/lib/wine/wineserver -k  # the desktop is made anew by the next program

"$wine" "$(winpath "$work/Velkor.exe")" "${pages[@]}" >/dev/null 2>&1 &
"$wine" "$(winpath "$build/tests/window/velkor_inspect.exe")" "Перетащите каталог в окно" \
  >"$work/inspect.txt"
sleep 1  # the window repaints after its caption has changed
import -window root "$work/screen.png"
/usr/lib/wine/wineserver -k
wait

tr -d '\r' <"$work/inspect.txt"
IFS=, read -r left top right bottom < <(tr -d '\r' <"$work/inspect.txt" | sed -n 's/^rect=//p')
mkdir -p "$root/docs"
convert "$work/screen.png" -crop "$((right - left))x$((bottom - top))+$left+$top" +repage \
  "$root/docs/velkor-window.png"
echo "wrote docs/velkor-window.png"
