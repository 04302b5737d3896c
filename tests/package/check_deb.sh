#!/usr/bin/env bash
# Checks the Debian package as a user's system would meet it: its files,
# its desktop entry, icons and manual pages, its dependencies, its programs,
# and lintian's verdict.
#   tests/package/check_deb.sh build/desktop/velkor_1.16_amd64.deb
set -uo pipefail
deb=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work" || exit 1
failed=0
fail() { echo "check_deb: $*" >&2; failed=$((failed + 1)); }

expected=(
  usr/bin/velkor usr/bin/velkor-cli usr/share/applications/velkor.desktop
  usr/share/man/man1/velkor.1.gz usr/share/man/man1/velkor-cli.1.gz
  usr/share/doc/velkor/copyright usr/share/doc/velkor/changelog.gz
  usr/share/doc/velkor/examples/velkor.ini
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
grep -qx 'MimeType=text/html;' "$desktop" || fail "the desktop entry does not take HTML files"

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
for program in velkor velkor-cli; do
  [[ $("$work/usr/bin/$program" --version) == "Velkor 1.16" ]] ||
    fail "the packaged $program does not run"
done

# The crash tests' hook lives only in their own copy of velkor-cli: the
# packaged one runs through a change to the disk with its variable set.
samples=$(cd "$(dirname "$0")/../../samples" && pwd)
cp "$samples/Frost Wind.htm" "$work/page.htm"
printf '[Options]\n' >"$work/velkor.ini"
VELKOR_CRASH_AFTER_WRITES=1 "$work/usr/bin/velkor-cli" --ini "$work/velkor.ini" --no-archive \
  "$work/page.htm" >/dev/null || fail "the packaged velkor-cli did not run through a change"
cmp -s "$work/page.htm" "$samples/expected/Frost Wind.htm" ||
  fail "the packaged velkor-cli left the page unfinished"
for program in velkor velkor-cli; do
  grep -q VELKOR_CRASH_AFTER_WRITES "$work/usr/bin/$program" &&
    fail "the packaged $program carries the crash tests' hook"
done

# Errors fail the check; warnings and notes are shown for the record.
lintian --info --display-info --pedantic "$deb" 2>/dev/null | grep -E '^[EWIP]:'
lintian --fail-on error "$deb" >/dev/null 2>&1 || fail "lintian reports errors"

((failed == 0)) && echo "check_deb: every check passed"
((failed == 0))
