#!/usr/bin/env bash
# The test command: installs what is missing, checks that no include crosses
# the layers' direction and that every file keeps the style of .clang-format,
# then builds and runs every suite twice, as a plain build and under
# AddressSanitizer and UndefinedBehaviorSanitizer, and the suites that
# exercise threads (labelled "threads") a third time under ThreadSanitizer.
# Ends with ctest's summaries.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install_dependencies.sh

jobs=$(nproc)
# A compiler cache shared by every clone on this machine: paths are hashed
# relative to the clone, so a second clone reuses what the first compiled.
export CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
status=0
scripts/check_layers.sh || status=1
# One style, the one .clang-format writes down.
if git ls-files '*.h' '*.cpp' | xargs clang-format --dry-run --Werror; then
  echo "== format: every file as .clang-format writes it"
else
  echo "== format: run clang-format -i on the files above"
  status=1
fi
# The benchmarks are built in the plain tree only, so that they keep
# compiling; they run nothing here.
configure() {  # folder, sanitizers
  local bench=OFF
  [ "$2" = OFF ] && bench=ON
  cmake -S . -B "$1" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSKYFLUME_SANITIZE="$2" -DSKYFLUME_BUILD_BENCH=$bench >/dev/null
}

for variant in plain asan; do
  dir="build/$variant"
  sanitize=OFF
  [ "$variant" = asan ] && sanitize=address
  configure "$dir" "$sanitize"
  cmake --build "$dir" -j"$jobs"
  echo "== $variant tests"
  ctest --test-dir "$dir" --output-on-failure --timeout 300 || status=1
done

# FFmpeg and the C library are not instrumented; our own code needs no
# suppressions.
dir=build/tsan
configure "$dir" thread
cmake --build "$dir" -j"$jobs" --target test_platform test_stream_control test_worker test_stream_end_to_end
echo "== tsan tests"
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ctest --test-dir "$dir" -L threads --output-on-failure --timeout 300 || status=1
exit "$status"
