#!/usr/bin/env bash
# Proves the Windows package under Wine as a user meets it: makes the zip
# with cpack from the build tree, checks that it holds exactly the files of
# windows_package.manifest, unzips it into a fresh Wine prefix's
# C:\Program Files, runs install.cmd there, checks the registry entry,
# has STREAM_PROGRAM load the module from that entry and stream to icecast2
# on the Linux side (inside SERVICES_HOST), and runs uninstall.cmd, which
# must leave no key.
#
#   check_windows_package.sh BUILD_TREE STREAM_PROGRAM SERVICES_HOST
set -euo pipefail
build=$1
program=$2
services=$3
here=$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")
run=("$here/../../scripts/windows/wine-run.sh")
key='HKLM\SOFTWARE\Quillmark\Sonaplex\Plugins\{E85D1DFD-8B26-4399-A2E8-20FE315600C1}'

scratch=$(mktemp -d "${TMPDIR:-/tmp}/skyflume-package.XXXXXX")
export WINEPREFIX=$scratch/prefix
# The DLLs come from the package alone.
unset SKYFLUME_WINE_DLL_PATH WINEPATH
finish() {
  wineserver -k 2>/dev/null || true
  rm -rf "$scratch"
}
trap finish EXIT
fail() {
  echo "check_windows_package: $*" >&2
  exit 1
}

cpack --config "$build/CPackConfig.cmake" -B "$scratch/packages" >/dev/null || fail "cpack failed"
zip=$(echo "$scratch"/packages/Skyflume-*-win64.zip)
echo "check_windows_package: $(basename "$zip"), $(stat -c %s "$zip") bytes"
diff <(sort "$here/windows_package.manifest") <(unzip -Z1 "$zip" | grep -v '/$' | sort) ||
  fail "the zip's files (>) differ from windows_package.manifest (<)"

"${run[@]}" cmd /c exit
unzip -q "$zip" -d "$WINEPREFIX/drive_c/Program Files"
folder="$WINEPREFIX/drive_c/Program Files/Skyflume"
# As a double-click starts it: in its own folder.
script() {
  (cd "$folder" && "${run[@]}" cmd /c "$1" </dev/null | tr -d '\r' | sed "s/^/$1: /")
}
script install.cmd || fail "install.cmd failed"

"${run[@]}" reg export "$key" "$scratch/plugin.reg" /y >/dev/null || fail "install.cmd made no key"
stored=$(iconv -f UTF-16 -t UTF-8 "$scratch/plugin.reg" | tr -d '\r' |
  sed -n 's/^"Path"="\(.*\)"$/\1/p' | sed 's/\\\\/\\/g')
[[ $stored == 'C:\Program Files\Skyflume\Skyflume.sxp64' ]] || fail "the key's Path holds \"$stored\""

"$services" "${run[@]}" "$program" || fail "the module the registry names did not stream"

script uninstall.cmd || fail "uninstall.cmd failed"
if "${run[@]}" reg query "$key" >/dev/null 2>&1; then
  fail "the key is still there after uninstall.cmd"
fi
echo "check_windows_package: installed into C:\\Program Files\\Skyflume, streamed from there, uninstalled"
