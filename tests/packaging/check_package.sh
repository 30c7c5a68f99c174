#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Usage: check_package.sh CPACK BUILD-DIR [HARDENING]
# Builds the Debian package from BUILD-DIR, unpacks it into a temporary root and checks that it
# holds exactly the files a desktop needs, in the places it looks, naming each other correctly,
# and that lintian finds no error or warning in it. HARDENING lists, with commas, the hardening
# features the build gave the binary (pie, relro, bindnow, fortify, stackprotector); each must be
# found in the packaged binary.
set -euo pipefail
[ $# -eq 2 ] || [ $# -eq 3 ] || { echo "usage: $0 CPACK BUILD-DIR [HARDENING]" >&2; exit 2; }
cpack=$1
build=$2
IFS=, read -ra hardening <<<"${3-}"
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
usr/share/doc/varnoth/changelog.Debian.gz
usr/share/doc/varnoth/copyright
usr/share/icons/hicolor/32x32/apps/$app_id.png
usr/share/icons/hicolor/scalable/apps/$app_id.svg
usr/share/lintian/overrides/varnoth
usr/share/man/man1/varnoth.1.gz
usr/share/metainfo/$app_id.metainfo.xml
usr/share/varnoth/translations/varnoth_de.qm"
actual=$(cd "$root" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
[ "$actual" = "$expected" ] || fail "package files differ from the expected ones:
$(diff <(echo "$expected") <(echo "$actual") || true)"
[ -x "$root/usr/bin/varnoth" ] || fail "usr/bin/varnoth is not executable"

# Without the Qt libraries in Depends, apt would install a program that cannot start (or, without
# the SVG plugins, one without icons; without the Wayland plugin, one that needs an X server).
depends=$(dpkg-deb -f "$package" Depends)
depended_on=$(tr ',' '\n' <<<"$depends" | awk '{ print $1 }')
for library in libqt6widgets6 libqt6gui6 libqt6core6 libqt6svg6 qt6-wayland libstdc++6 libc6; do
  grep -qxF "$library" <<<"$depended_on" || fail "Depends lacks $library: $depends"
done

# The installed program finds its translations from where it is installed.
help=$(LANG=de_DE.UTF-8 LANGUAGE= LC_ALL= LC_MESSAGES= "$root/usr/bin/varnoth" --help) ||
  fail "varnoth --help failed"
grep -q '^Aufruf: varnoth' <<<"$help" || fail "the installed program's help is not in German: $help"

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

# A software centre shows the newest release as the version on offer; the package's version adds
# the Debian revision to it, which the changelog's newest entry must name.
version=$(dpkg-deb -f "$package" Version)
newest=$(xmllint --xpath 'string(/component/releases/release[1]/@version)' "$metainfo")
[ "$newest" = "${version%-*}" ] ||
  fail "the metainfo's newest release is $newest, the package's ${version%-*}"
changelog=$root/usr/share/doc/varnoth/changelog.Debian.gz
if [ -f "$changelog" ]; then
  gunzip -c "$changelog" >"$work/changelog"
  entry=$(dpkg-parsechangelog -l "$work/changelog" -S Version)
  [ "$entry" = "$version" ] || fail "the changelog's newest entry is $entry, the package $version"
fi

# The theme looks in 32x32/ for a picture of that size; the header says what it really is.
header=$(od -An -tx1 -N24 "$root/usr/share/icons/hicolor/32x32/apps/$app_id.png" | tr -d ' \n')
[ "${header:0:16}" = 89504e470d0a1a0a ] || fail "the 32x32 icon is not a PNG"
[ "${header:32:16}" = 0000002000000020 ] || fail "the 32x32 icon is not 32 x 32 pixels"

# What Debian would refuse. Info tags are shown too, for the hardening tags among them.
lintian_args=(--display-info --fail-on "error,warning")
[ "$(id -u)" -ne 0 ] || lintian_args+=(--allow-root)
show_lintian=0
if ! lintian "${lintian_args[@]}" "$package" >"$work/lintian.log" 2>&1; then
  fail "lintian reports errors or warnings"
  show_lintian=1
fi
declare -A missing_tag=([pie]=hardening-no-pie [relro]=hardening-no-relro
                        [bindnow]=hardening-no-bindnow [fortify]=hardening-no-fortify-functions)
for feature in "${hardening[@]}"; do
  if [ "$feature" = stackprotector ]; then
    symbols=$(readelf --dyn-syms --wide "$root/usr/bin/varnoth")
    grep -q ' __stack_chk_fail@' <<<"$symbols" ||
      fail "usr/bin/varnoth is built without the stack protector"
  elif [ -z "${missing_tag[$feature]-}" ]; then
    fail "unknown hardening feature $feature"
  elif grep -qE ": ${missing_tag[$feature]}( |$)" "$work/lintian.log"; then
    fail "usr/bin/varnoth is built without $feature"
    show_lintian=1
  fi
done
if [ "$show_lintian" -ne 0 ]; then
  echo "lintian ${lintian_args[*]} $(basename "$package"):"
  cat "$work/lintian.log"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed for $(basename "$package")"
  exit 1
fi
echo "$(basename "$package"): all files in place, and lintian finds nothing to refuse"
