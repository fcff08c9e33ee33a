#!/usr/bin/env bash
# Cross-builds GoogleTest and GoogleMock for Windows x64 from the source tree
# that Debian's googletest package installs (libgtest-dev is Linux-only), and
# caches the result outside the repository.
#
# Last line of stdout: the install prefix, with lib/cmake/GTest for
# find_package(GTest). The cache key covers this script, the toolchain file,
# the googletest package version and the mingw-w64 compiler version.
set -euo pipefail

cache_root=${SKYFLUME_CACHE:-$HOME/.cache/skyflume}
src=/usr/src/googletest
script_path=$(readlink -f "${BASH_SOURCE[0]}")
toolchain=$(readlink -f "$(dirname "$script_path")/../../cmake/mingw-w64-x86_64.cmake")

log() { printf 'build_googletest: %s\n' "$*" >&2; }
die() { log "$*"; exit 1; }

[[ -f $src/CMakeLists.txt ]] || die "$src missing; run scripts/windows/install_deps.sh"
command -v x86_64-w64-mingw32-g++-posix >/dev/null || die "mingw-w64 missing; run scripts/windows/install_deps.sh"

mkdir -p "$cache_root"
exec 9>"$cache_root/.build_googletest.lock"
flock 9

version=$(dpkg-query -W -f='${Version}' googletest)
key=$({
  cat "$script_path" "$toolchain"
  echo "googletest=$version"
  x86_64-w64-mingw32-g++-posix -dumpfullversion
} | sha256sum | cut -c1-16)
prefix=$cache_root/googletest-win64-$key

if [[ -f $prefix/.complete ]]; then
  echo "$prefix"
  exit 0
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/skyflume-googletest.XXXXXX")
trap 'rm -rf "$work"' EXIT
build_log=$work/build.log
run() {
  if ! "$@" >>"$build_log" 2>&1; then
    tail -n 60 "$build_log" >&2
    die "failed: $*"
  fi
}

log "building GoogleTest $version"
run cmake -S "$src" -B "$work/build" \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
run cmake --build "$work/build" -j"$(nproc)"
# Staged and moved in whole, so an interrupted build never looks finished.
run env DESTDIR="$work/stage" cmake --install "$work/build"

[[ -f $work/stage$prefix/lib/cmake/GTest/GTestConfig.cmake ]] || die "GTestConfig.cmake missing after install"
touch "$work/stage$prefix/.complete"
rm -rf "$prefix"
mv "$work/stage$prefix" "$prefix"
log "installed into $prefix"
echo "$prefix"
