#!/usr/bin/env bash
# Builds the two packages that users install into dist/:
#   skyflume_<version>_amd64.deb   sonaplex-host and the module, for Debian 12
#   Skyflume-<version>-win64.zip   the module with its DLLs, for 64-bit Windows
# Installs what is missing, builds FFmpeg for Windows once (cached, see
# scripts/windows/README.md), and makes each package with cpack from a release
# build without the tests: build/package-deb, with Debian's hardening flags
# (dpkg-buildflags), and build/package-win64, cross-built with mingw-w64.
set -euo pipefail
cd "$(dirname "$0")/.."

step() { printf '== package [%4ss] %s\n' "$SECONDS" "$*"; }

step "dependencies"
scripts/install_dependencies.sh >/dev/null
scripts/windows/install_deps.sh
ffmpeg=$(scripts/windows/build_ffmpeg.sh | tail -n1)

jobs=$(nproc)
mkdir -p dist
rm -f dist/skyflume_*.deb dist/Skyflume-*-win64.zip
options=(-DCMAKE_BUILD_TYPE=Release -DSKYFLUME_BUILD_TESTS=OFF -DSKYFLUME_BUILD_BENCH=OFF)

# package TREE FILE: builds a configured tree, makes its package with cpack
# and moves the package file, matching FILE, to dist/.
package() {
  cmake --build "$1" -j"$jobs" >/dev/null
  rm -rf "$1/packages"
  cpack --config "$1/CPackConfig.cmake" -B "$PWD/$1/packages" >/dev/null
  mv "$1"/packages/$2 dist/
}

step "Debian package"
# Every hardening flag that Debian knows, which lintian looks for.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B build/package-deb "${options[@]}" \
  "-DCMAKE_CXX_FLAGS=$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  "-DCMAKE_EXE_LINKER_FLAGS=$ldflags" "-DCMAKE_SHARED_LINKER_FLAGS=$ldflags" >/dev/null
package build/package-deb "skyflume_*_amd64.deb"

step "Windows package"
cmake -S . -B build/package-win64 "${options[@]}" \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake "-DSKYFLUME_WIN64_PREFIXES=$ffmpeg" >/dev/null
package build/package-win64 "Skyflume-*-win64.zip"

ls -l dist/skyflume_*_amd64.deb dist/Skyflume-*-win64.zip
