#!/usr/bin/env bash
# Builds the Debian package from the build tree BUILD_DIR into a scratch folder, then checks
#  - its name, control fields and dependencies (computed by dpkg-shlibdeps, plus the font);
#  - that it holds exactly the files that ship, and no test, benchmark or fuzzer;
#  - its desktop entry, AppStream metadata, manual pages and icon with their validators;
#  - lintian: no error, no warning and no hardening remark;
#  - that the programs unpacked into a throwaway root run: trimora --help and --list-ports,
#    trimora-dongle-sim --help, and that each manual page names every option of --help.
#
#   check_package.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2

scratch=$(mktemp -d /tmp/trimora-package-XXXXXX)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log" >&2; exit 1; }
arch=$(dpkg --print-architecture)
deb="$scratch/out/trimora_${version}_${arch}.deb"
[ -f "$deb" ] || { echo "FAIL: no $(basename "$deb") in: $(ls "$scratch/out")" >&2; exit 1; }

# Control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = trimora ] || fail "package name $(field Package)"
[ "$(field Version)" = "$version" ] || fail "version $(field Version)"
[ "$(field Architecture)" = "$arch" ] || fail "architecture $(field Architecture)"
depends=$(field Depends)
depended=$(tr ',' '\n' <<<"$depends" | awk '{ print $1 }')
for needed in fonts-liberation2 libqt6widgets6 libqt6gui6 libqt6core6 libstdc++6 libc6; do
  grep -qxF "$needed" <<<"$depended" || fail "Depends lacks $needed: $depends"
done

# Exactly the files that ship.
expected="./usr/bin/trimora
./usr/bin/trimora-dongle-sim
./usr/share/applications/trimora.desktop
./usr/share/doc/trimora/changelog.gz
./usr/share/doc/trimora/copyright
./usr/share/icons/hicolor/scalable/apps/trimora.svg
./usr/share/man/man1/trimora-dongle-sim.1.gz
./usr/share/man/man1/trimora.1.gz
./usr/share/metainfo/example.c_seed_03229919.Trimora.metainfo.xml"
actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort)
if [ "$actual" != "$expected" ]; then
  fail "file list differs (expected vs packed):"
  diff <(echo "$expected") <(echo "$actual") >&2 || true
fi

root="$scratch/root"
dpkg-deb -x "$deb" "$root"

desktop-file-validate "$root/usr/share/applications/trimora.desktop" ||
  fail "desktop-file-validate"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml >"$scratch/as.log" 2>&1 ||
  { cat "$scratch/as.log" >&2; fail "appstreamcli validate"; }
for page in "$root"/usr/share/man/man1/*.1.gz; do
  # Warnings and worse; style remarks about pages not installed on this machine are not ours.
  mandoc -T lint -W warning "$page" || fail "mandoc -T lint $(basename "$page")"
  lexgrog "$page" >/dev/null || fail "lexgrog $(basename "$page")"
done
python3 -c 'import sys, xml.etree.ElementTree as t
r = t.parse(sys.argv[1]).getroot()
sys.exit(r.tag != "{http://www.w3.org/2000/svg}svg")' \
  "$root/usr/share/icons/hicolor/scalable/apps/trimora.svg" || fail "the icon is no SVG"

lintian --fail-on error,warning --display-info "$deb" >"$scratch/lintian.log" 2>&1 ||
  { cat "$scratch/lintian.log" >&2; fail "lintian"; }
# The hardening remarks are info level: a build that loses a hardening flag shows only there.
if grep -q ' hardening-' "$scratch/lintian.log"; then
  grep ' hardening-' "$scratch/lintian.log" >&2
  fail "lintian: hardening"
fi

# The programs from the unpacked root; no display needed for these.
run() {  # expected-status program args...
  local want=$1; shift
  local status=0
  "$@" >"$scratch/stdout" 2>"$scratch/stderr" || status=$?
  if [ "$status" -ne "$want" ]; then
    fail "$* exited $status, not $want"
    cat "$scratch/stderr" >&2
  fi
}
bin="$root/usr/bin"
run 0 "$bin/trimora" --help
grep -q "^Usage: " "$scratch/stdout" || fail "trimora --help printed no usage"
cp "$scratch/stdout" "$scratch/trimora-help"
run 0 "$bin/trimora" --list-ports
run 0 "$bin/trimora-dongle-sim" --help
grep -q "^Usage: trimora-dongle-sim " "$scratch/stdout" || fail "trimora-dongle-sim --help"
cp "$scratch/stdout" "$scratch/trimora-dongle-sim-help"

# Each manual page names every option its program's --help lists.
for program in trimora trimora-dongle-sim; do
  page=$(mandoc -T ascii "$root/usr/share/man/man1/$program.1.gz" | col -b)
  for option in $(grep -oE '(^|[ ,])--[a-z][a-z-]*' "$scratch/$program-help" | tr -d ' ,' | sort -u); do
    grep -qe "$option" <<<"$page" || fail "man page of $program lacks $option"
  done
done

[ "$failures" -eq 0 ] || exit 1
echo "package $(basename "$deb") checked"
