#!/usr/bin/env bash
# The Windows leg: cross-builds the module and the Windows suites with
# mingw-w64, checks the DLL's imports and exports and its registration with
# regsvr32, and runs the suites under Wine in a fresh temporary Wine prefix,
# those that stream to a real icecast2 included. Ends with ctest's summary.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
# The same compiler cache as scripts/test.sh, for the cross build too.
export CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
status=0
step() { printf '== windows [%4ss] %s\n' "$SECONDS" "$*"; }

step "dependencies"
scripts/install_dependencies.sh
scripts/windows/install_deps.sh
ffmpeg=$(scripts/windows/build_ffmpeg.sh | tail -n1)
gtest=$(scripts/windows/build_googletest.sh | tail -n1)

# The Linux side of the suites that need servers, test_services_host, which
# starts icecast2, listeners and fake servers for the Windows test programs,
# comes from the plain Linux tree, configured as scripts/test.sh does, so that
# its build is reused when that ran first.
step "Linux side of the suites with servers"
linux=build/plain
cmake -S . -B "$linux" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSKYFLUME_SANITIZE=OFF >/dev/null
cmake --build "$linux" -j"$jobs" --target test_services_host

# A fresh Wine prefix for this run, used from the build on, since the test
# discovery after each link already runs the programs. It goes with its
# wineserver at the end.
wine_folder=$(mktemp -d "${TMPDIR:-/tmp}/skyflume-wine.XXXXXX")
export WINEPREFIX=$wine_folder/prefix
remove_prefix() {
  wineserver -k 2>/dev/null || true
  rm -rf "$wine_folder"
}
trap remove_prefix EXIT
step "fresh Wine prefix in $WINEPREFIX"
scripts/windows/wine-run.sh cmd /c exit

step "cross build"
dir=build/win64
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  "-DSKYFLUME_WIN64_PREFIXES=$ffmpeg;$gtest" \
  "-DSKYFLUME_TEST_SERVICES_HOST=$PWD/$linux/tests/support/test_services_host" >/dev/null
cmake --build "$dir" -j"$jobs"

# The DLL's imports and exports are checked among the tests.
step "tests under Wine"
ctest --test-dir "$dir" --output-on-failure --timeout 300 || status=1
exit "$status"
