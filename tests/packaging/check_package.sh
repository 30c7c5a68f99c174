#!/usr/bin/env bash
# Usage: check_package.sh CPACK BUILD-DIR
# Builds the Debian package from BUILD-DIR, unpacks it into a temporary root and checks that it
# holds exactly the files a desktop needs, in the places it looks, naming each other correctly.
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 CPACK BUILD-DIR" >&2; exit 2; }
cpack=$1
build=$2
app_id=org.varnoth.Varnoth

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  exit 1
fi
packages=("$work"/out/varnoth_*.deb)
[ -f "${packages[0]}" ] || { echo "cpack made no varnoth_*.deb" && ls "$work/out"; exit 1; }
package=${packages[0]}
root=$work/root
dpkg-deb -x "$package" "$root"

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Anything more would be build output leaking into the package; anything less, a missing piece.
expected="usr/bin/varnoth
usr/share/applications/$app_id.desktop
usr/share/icons/hicolor/32x32/apps/$app_id.png
usr/share/icons/hicolor/scalable/apps/$app_id.svg
usr/share/metainfo/$app_id.metainfo.xml"
actual=$(cd "$root" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
[ "$actual" = "$expected" ] || fail "package files differ from the expected ones:
$(diff <(echo "$expected") <(echo "$actual") || true)"
[ -x "$root/usr/bin/varnoth" ] || fail "usr/bin/varnoth is not executable"

# Without the Qt libraries in Depends, apt would install a program that cannot start (or, without
# the SVG plugins, one without icons).
depends=$(dpkg-deb -f "$package" Depends)
depended_on=$(tr ',' '\n' <<<"$depends" | awk '{ print $1 }')
for library in libqt6widgets6 libqt6gui6 libqt6core6 libqt6svg6 libstdc++6 libc6; do
  grep -qxF "$library" <<<"$depended_on" || fail "Depends lacks $library: $depends"
done

# The desktop entry, the metainfo and the icons find each other only by these names.
desktop=$root/usr/share/applications/$app_id.desktop
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$root/usr/bin/$exec_name" ] || fail "Exec=$exec_name is not the installed binary"
icon_name=$(sed -n 's/^Icon=//p' "$desktop")
for icon in 32x32/apps/$icon_name.png scalable/apps/$icon_name.svg; do
  [ -f "$root/usr/share/icons/hicolor/$icon" ] || fail "Icon=$icon_name: no hicolor/$icon"
done
metainfo=$root/usr/share/metainfo/$app_id.metainfo.xml
[ "$(xmllint --xpath 'string(/component/id)' "$metainfo")" = "$app_id" ] ||
  fail "the metainfo's id is not $app_id"
launchable=$(xmllint --xpath 'string(/component/launchable[@type="desktop-id"])' "$metainfo")
[ "$launchable" = "$app_id.desktop" ] || fail "the metainfo launches $launchable"

# A software centre shows the newest release as the version on offer.
version=$(dpkg-deb -f "$package" Version)
newest=$(xmllint --xpath 'string(/component/releases/release[1]/@version)' "$metainfo")
[ "$newest" = "$version" ] || fail "the metainfo's newest release is $newest, the package's $version"

# The theme looks in 32x32/ for a picture of that size; the header says what it really is.
header=$(od -An -tx1 -N24 "$root/usr/share/icons/hicolor/32x32/apps/$app_id.png" | tr -d ' \n')
[ "${header:0:16}" = 89504e470d0a1a0a ] || fail "the 32x32 icon is not a PNG"
[ "${header:32:16}" = 0000002000000020 ] || fail "the 32x32 icon is not 32 x 32 pixels"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed for $(basename "$package")"
  exit 1
fi
echo "$(basename "$package"): all files in place"
