#!/usr/bin/env bash
# Builds the Debian package from a built tree, unpacks it into a scratch root
# and checks what it installs. Usage: check_package.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() { echo "FAIL: $*"; exit 1; }

(cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1) ||
  { cat "$scratch/cpack.log"; fail "cpack could not build the package"; }
deb=$(ls "$scratch"/out/kestrune_*_amd64.deb 2>/dev/null | head -n1)
[ -n "$deb" ] || fail "no kestrune_<version>_amd64.deb in $(ls "$scratch/out")"
echo "package: $(basename "$deb")"

root="$scratch/root"
dpkg-deb -x "$deb" "$root"
for f in usr/bin/kestrune usr/bin/kestrune-sim usr/bin/kestrune-verify \
         usr/share/applications/org.kestrune.Kestrune.desktop \
         usr/share/metainfo/org.kestrune.Kestrune.metainfo.xml; do
  [ -e "$root/$f" ] || fail "missing /$f"
done
for size in 16 24 32 48 64 128 256; do
  icon="$root/usr/share/icons/hicolor/${size}x${size}/apps/kestrune.png"
  [ -e "$icon" ] || fail "missing icon ${size}x${size}"
  file "$icon" | grep -q "${size} x ${size}" || fail "icon ${size}x${size} has another size"
done
[ -x "$root/usr/bin/kestrune" ] || fail "/usr/bin/kestrune is not executable"
"$root/usr/bin/kestrune-sim" --help >/dev/null || fail "kestrune-sim --help failed"
# Without a location it says how to give one and exits as for an unreadable archive.
verify_rc=0
"$root/usr/bin/kestrune-verify" >/dev/null 2>&1 || verify_rc=$?
[ "$verify_rc" = 2 ] || fail "kestrune-verify without a location exited $verify_rc, not 2"

desktop-file-validate "$root/usr/share/applications/org.kestrune.Kestrune.desktop" ||
  fail "desktop entry does not validate"
appstreamcli validate --no-net --pedantic \
  "$root/usr/share/metainfo/org.kestrune.Kestrune.metainfo.xml" ||
  fail "AppStream metadata does not validate"

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for dep in libqt6widgets6 libqt6printsupport6 libqt6gui6 libqt6core6 libqt6sql6-sqlite libxlsxwriter4 fonts-noto-cjk; do
  grep -q "\b$dep\b" <<<"$depends" || fail "Depends lacks $dep"
done
dpkg-deb -f "$deb" Recommends | grep -q "libqt6sql6-psql" || fail "Recommends lacks libqt6sql6-psql"
echo "package check passed"
