#!/usr/bin/env bash
# Runs a Windows x64 console program under Wine, quietly and without a display;
# the toolchain file makes it CMake's emulator, so ctest uses it for every test.
#
# WINEPREFIX defaults to one kept in the cache and shared by all build trees,
# because making a new one takes 5 to 12 seconds. scripts/test_windows.sh, the
# CI's Windows leg, sets a fresh temporary one for each run instead.
set -euo pipefail

export WINEPREFIX=${WINEPREFIX:-${SKYFLUME_CACHE:-$HOME/.cache/skyflume}/wine-prefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko install prompt when the prefix is made.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
unset DISPLAY WAYLAND_DISPLAY
# Folders of DLLs the program needs, ':'-separated as in PATH.
if [[ -n ${SKYFLUME_WINE_DLL_PATH:-} ]]; then
  export WINEPATH=${SKYFLUME_WINE_DLL_PATH//:/;}${WINEPATH:+;$WINEPATH}
fi

# Made once under a lock, so tests started in parallel do not race to make it.
if [[ ! -f $WINEPREFIX/.skyflume-ready ]]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [[ ! -f $WINEPREFIX/.skyflume-ready ]]; then
      wine wineboot --init </dev/null >/dev/null 2>&1 9>&-
      touch "$WINEPREFIX/.skyflume-ready"
    fi
  ) 9>"$WINEPREFIX.lock"
fi

# A wineserver that outlives each program saves about 2 s of Wine start-up per
# run; it leaves 30 s after the last one. The first program of a new server
# also starts the session's services, which live as long as the server: a
# program of our own starts them, with no output to inherit, since a caller
# that reads this program's output (ctest, the test discovery) would
# otherwise wait for the server's end. Nor may they inherit the lock, which
# they would hold as long. wineserver -p30 answers 0 when it started a new
# server and 2 when one already runs; the lock keeps parallel runs from taking
# the new session for themselves.
(
  flock 9
  if wineserver -p30 </dev/null >/dev/null 2>&1 9>&-; then
    wine cmd /c exit </dev/null >/dev/null 2>&1 9>&- || true
  fi
) 9>"$WINEPREFIX.lock"

# Wine has, rarely, ended a test program at once with status 1 and no output
# at all, which a GoogleTest program never does when it runs: such a run is
# tried once more, said on standard error. A run that printed anything, or
# succeeded, stands as it is.
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
for attempt in 1 2; do
  status=0
  wine "$@" >"$out" 2>"$err" || status=$?
  if [[ $status -eq 0 || -s $out || -s $err || $attempt -eq 2 ]]; then
    break
  fi
  echo "wine-run: $1 ended with status $status and printed nothing; running it once more" >&2
done
cat "$out"
cat "$err" >&2
exit "$status"
