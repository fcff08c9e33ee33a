#!/usr/bin/env bash
# Checks the Windows x64 leg end to end: builds (or takes from the cache) FFmpeg
# and GoogleTest for Windows, cross-builds a small test against them with the
# toolchain file and runs it under Wine through ctest.
set -euo pipefail

here=$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")
repo=$(readlink -f "$here/../..")

ffmpeg_prefix=$("$here/build_ffmpeg.sh" | tail -n1)
gtest_prefix=$("$here/build_googletest.sh" | tail -n1)

build=$(mktemp -d "${TMPDIR:-/tmp}/skyflume-win64-smoke.XXXXXX")
trap 'rm -rf "$build"' EXIT

cmake -S "$here/smoke" -B "$build" \
  -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" \
  "-DSKYFLUME_WIN64_PREFIXES=$ffmpeg_prefix;$gtest_prefix" >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
