#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds Varnoth for Windows x86_64 in build-win/ against the prebuilt Qt for Windows
# (unpacked into build-win/qt6-win64 from QT_WIN_TARBALL), then gathers a runnable folder
# build-win/Varnoth/ (the program, the Qt DLLs and plugins, the mingw runtime, the translations)
# and a zip of it, and an installer where makensis exists. Extra arguments go to the configure
# step.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/install-deps-windows.sh

tarball=${QT_WIN_TARBALL:-/work/shared/windows/qt6.4.2-win64-mingw.tar.xz}
build=build-win
qt=$build/qt6-win64
mkdir -p "$build"
if [ ! -f "$qt/lib/cmake/Qt6/qt.toolchain.cmake" ] || [ "$tarball" -nt "$qt/lib/cmake/Qt6/qt.toolchain.cmake" ]; then
  rm -rf "$qt"
  tar -C "$build" -xJf "$tarball"
  touch "$qt/lib/cmake/Qt6/qt.toolchain.cmake"
fi

# -O2 rather than CMake's -O3 for Release: as fast here, and a quicker build.
cmake -S . -B "$build/tree" -G Ninja -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" \
  -DCMAKE_TOOLCHAIN_FILE="$root/$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
  -DCMAKE_CROSSCOMPILING_EMULATOR=wine "$@" >/dev/null
cmake --build "$build/tree" -j "$(nproc)"

# The runnable folder: what the program loads, and nothing else.
app=$build/Varnoth
rm -rf "$app"
mkdir -p "$app/platforms" "$app/styles"
cp "$build/tree/varnoth.exe" "$app/"
cp "$qt"/bin/Qt6Core.dll "$qt"/bin/Qt6Gui.dll "$qt"/bin/Qt6Widgets.dll "$app/"
cp "$qt/plugins/platforms/qwindows.dll" "$app/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$app/styles/"
for dll in libstdc++-6.dll libgcc_s_seh-1.dll; do
  cp "$(x86_64-w64-mingw32-g++-posix -print-file-name=$dll)" "$app/"
done
cp /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$app/"
cp LICENSE "$app/LICENSE.txt"
# The translations: .qm files are the same on every platform, so Debian's lrelease makes them
# (this Qt has no Linguist tools), and Debian's Qt translations of the same version give the
# standard buttons theirs. The program looks in translations/ beside itself.
mkdir -p "$app/translations"
for ts in translations/varnoth_*.ts; do
  /usr/lib/qt6/bin/lrelease -silent "$ts" -qm "$app/translations/$(basename "$ts" .ts).qm"
done
cp /usr/share/qt6/translations/qtbase_de.qm "$app/translations/"
x86_64-w64-mingw32-strip --strip-unneeded "$app"/*.exe "$app"/lib*.dll

version=$(sed -n 's/^project(Varnoth VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
rm -f "$build/varnoth-$version-win64.zip"
(cd "$build" && zip -qr9 "varnoth-$version-win64.zip" Varnoth)
echo "runnable folder: $app; zip: $build/varnoth-$version-win64.zip ($(du -h "$build/varnoth-$version-win64.zip" | cut -f1))"

if command -v makensis >/dev/null; then
  makensis -V2 -DVERSION="$version" -DAPPDIR="$root/$app" -DICON="$root/$build/tree/windows-icons/varnoth.ico" \
    -DOUTFILE="$root/$build/varnoth-$version-setup.exe" packaging/windows/varnoth.nsi
  echo "installer: $build/varnoth-$version-setup.exe"
fi
