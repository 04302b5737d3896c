#!/usr/bin/env bash
# Checks the Debian package as a user's system would meet it.
#   tests/package/check_deb.sh build/desktop/velkor_1.16_amd64.deb
set -uo pipefail
shopt -s nullglob
deb=$(realpath "$1")
samples=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../samples" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work" || exit 1
failed=0
fail() { echo "check_deb: $*" >&2; failed=$((failed + 1)); }

expected=(
  usr/bin/velkor usr/bin/velkor-cli usr/share/applications/velkor.desktop
  usr/share/man/man1/velkor.1.gz usr/share/man/man1/velkor-cli.1.gz
  usr/share/doc/velkor/copyright usr/share/doc/velkor/changelog.gz
  usr/share/doc/velkor/examples/velkor.ini usr/share/kio/servicemenus/velkor-tidy.desktop
  etc/xdg/velkor/velkor.ini
)
sizes=(16 22 24 32 48 64 128 256)
icons=usr/share/icons/hicolor
for size in "${sizes[@]}"; do expected+=("$icons/${size}x${size}/apps/velkor.png"); done
actual=$(cd "$work" && find . -type f | sed 's|^\./||' | sort)
wanted=$(printf '%s\n' "${expected[@]}" | sort)
[[ $actual == "$wanted" ]] || fail "files differ from the expected list:
$(diff <(echo "$wanted") <(echo "$actual"))"

desktop=$work/usr/share/applications/velkor.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate refused velkor.desktop"
grep -qx 'Exec=velkor %F' "$desktop" || fail "the desktop entry does not open files with velkor"
# A desktop offers an application for a type only through its entry's MimeType (or a
# mimeapps.list, which the file list above rules out).
grep -l '^ *MimeType *=' "$work"/usr/share/applications/*.desktop &&
  fail "an application entry claims file types: it could become their default opener"

# The file managers' action on pages and folders, which no type's default
# can be made of (it is a service, not an application entry).
menu=$work/usr/share/kio/servicemenus/velkor-tidy.desktop
grep -qx 'Type=Service' "$menu" && grep -qx 'Exec=velkor %F' "$menu" ||
  fail "the file managers' action is no service that runs velkor"

# The system's settings: Debian's 7-Zip with the example's arguments, kept as the
# administrator changed them, the archiver recommended.
system_ini=$work/etc/xdg/velkor/velkor.ini
example_ini=$work/usr/share/doc/velkor/examples/velkor.ini
grep -qx 'Arc=/usr/bin/7zz' "$system_ini" || fail "the system's settings do not name /usr/bin/7zz"
[[ $(grep '^Com=' "$system_ini") == "$(grep '^Com=' "$example_ini")" ]] ||
  fail "the system's Com differs from the example's"
[[ $(dpkg-deb -I "$deb" conffiles) == /etc/xdg/velkor/velkor.ini ]] ||
  fail "the system's settings are not a conffile"
[[ $(dpkg-deb -f "$deb" Recommends) == 7zip ]] || fail "the package does not recommend 7zip"

for size in "${sizes[@]}"; do
  file "$work/$icons/${size}x${size}/apps/velkor.png" | grep -q "PNG image data, $size x $size," ||
    fail "the ${size}x${size} icon is not a $size-pixel PNG"
done

for page in velkor velkor-cli; do
  text=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 \
    -l "$work/usr/share/man/man1/$page.1.gz" 2>"$work/man-warnings")
  [[ -s $work/man-warnings ]] && fail "man warns about $page.1: $(cat "$work/man-warnings")"
  grep -q "^NAME" <<<"$text" && grep -q "^ *$page - " <<<"$text" || fail "$page.1 has no NAME line"
done

depends=$(dpkg-deb -f "$deb" Depends)
grep -q 'libqt6widgets6' <<<"$depends" || fail "Depends lacks the Qt libraries: $depends"

# A first run with the package's system settings alone and the real 7-Zip: velkor-cli, then
# the window (offscreen; it closes itself when every page succeeded), archive every sample.
first_run() {  # first_run PROGRAM [ARGUMENTS...]: run on a fresh copy of the samples
  rm -rf "$work/run" && mkdir -p "$work/run/config" && cp -r "$samples" "$work/run/pages" &&
    XDG_CONFIG_HOME="$work/run/config" XDG_CONFIG_DIRS="$work/etc/xdg" QT_QPA_PLATFORM=offscreen \
      timeout 120 "$@" "$work/run/pages" >"$work/run/out" 2>&1
}
# Counted as the intake takes them (web archives, .mhtml, too).
pages=$(find "$samples" -maxdepth 1 -type f -name '*.*htm*' | wc -l)
for program in velkor-cli velkor; do
  if ! command -v 7zz >/dev/null; then
    fail "7zz is missing: the first run with the system's settings cannot be checked"
    break
  fi
  first_run "$work/usr/bin/$program" || fail "$program's first run failed: $(cat "$work/run/out")"
  good=0
  for archive in "$work"/run/pages/*.7z; do
    7zz t -bso0 -bsp0 "$archive" >/dev/null && good=$((good + 1))
  done
  ((good == pages)) || fail "$program's first run made $good good archives of $pages pages"
done

# The crash tests' hook lives only in their own copy of velkor-cli (crash_test runs the shipped
# one through a change with its variable set): the package must hold the shipped programs.
for program in velkor velkor-cli; do
  grep -q VELKOR_CRASH_AFTER_WRITES "$work/usr/bin/$program" &&
    fail "the packaged $program carries the crash tests' hook"
done

# Errors fail the check; warnings and notes are shown for the record.
lintian --info --display-info --pedantic "$deb" 2>/dev/null | grep -E '^[EWIP]:'
lintian --fail-on error "$deb" >/dev/null 2>&1 || fail "lintian reports errors"

((failed == 0)) && echo "check_deb: every check passed"
((failed == 0))
