#!/usr/bin/env bash
# Takes docs/velkor-window.png: Velkor.exe under Wine on a virtual X screen,
# after a command-line run over the sample pages, cropped to its window.
# One page's archiving is made to fail, so that the window stays open; the
# log then shows both kinds of line a run with archiving gives.
#   docs/tools/take_windows_screenshot.sh [BUILD_DIR [PNG]]
# BUILD_DIR (default: build/mingw64) is a mingw64 configuration that has
# built Velkor.exe; PNG defaults to docs/velkor-window.png. Needs xwininfo.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
if [[ -z ${VELKOR_SCREENSHOT_DISPLAY:-} ]]; then
  exec xvfb-run -a -s "-screen 0 800x600x24" env VELKOR_SCREENSHOT_DISPLAY=1 "$0" "$@"
fi
build=$(cd "${1:-$root/build/mingw64}" && pwd)
out=${2:-$root/docs/velkor-window.png}
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
# The archiver is Wine's command interpreter, ending with an error code where
# a "NAME.fail" folder stands beside the page: the archiving of "Paper Cranes"
# (a page without a title, so its archive is named after the page) fails.
mkdir "$work/pages/Paper Cranes.fail"
printf '[Options]\r\nArc=C:\\windows\\system32\\cmd.exe\r\nCom=/c if exist "%%s.fail" exit 7\r\nHidden=1\r\nPosX=2\r\nPosY=2\r\n' \
  >"$work/velkor.ini"

# Wine draws the caption buttons with its Marlett font, which a fresh prefix
# does not always list.
"$wine" wineboot -i >/dev/null 2>&1
cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"

# On a virtual desktop Wine draws the window's frame and caption itself.
"$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
"$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 640x480 /f >/dev/null 2>&1
/usr/lib/wine/wineserver -k  # the desktop is made anew by the next program

"$wine" "$(winpath "$work/Velkor.exe")" "${pages[@]}" >/dev/null 2>&1 &
# Wine names each window's X window after its caption: the run is over when
# the caption says that no job is pending, and that window's line in the
# tree ("WxH+x+y  +X+Y") gives its size and place on the screen.
line=
for _ in $(seq 240); do
  line=$(xwininfo -root -tree | grep -F '"Перетащите каталог в окно"' || true)
  [[ -n $line ]] && break
  sleep 0.5
done
[[ -n $line ]] || { echo "take_screenshot: the run did not end" >&2; exit 1; }
sleep 1  # the window repaints after its caption has changed
import -window root "$work/screen.png"
/usr/lib/wine/wineserver -k || true  # ends the program, which stays open
wait || true

read -r size left top < <(sed -E 's/.* ([0-9]+x[0-9]+)[-+0-9]+ +\+(-?[0-9]+)\+(-?[0-9]+)$/\1 \2 \3/' <<<"$line")
mkdir -p "$(dirname "$out")"
convert "$work/screen.png" -crop "$size+$left+$top" +repage "$out"
echo "wrote $out"
