#!/usr/bin/env bash
# The test command: installs what is missing, then builds and runs every
# suite twice, as a plain build and under AddressSanitizer and
# UndefinedBehaviorSanitizer. Ends with ctest's summary.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install_dependencies.sh

jobs=$(nproc)
status=0
for variant in plain asan; do
  dir="build/$variant"
  sanitize=OFF
  [ "$variant" = asan ] && sanitize=ON
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSKYFLUME_SANITIZE="$sanitize" >/dev/null
  cmake --build "$dir" -j"$jobs"
  echo "== $variant tests"
  ctest --test-dir "$dir" --output-on-failure --timeout 300 || status=1
done
exit "$status"
