#!/usr/bin/env bash
# Proves the Windows zip under Wine as a user meets it: made by cpack from
# BUILD_TREE, the files of windows_package.manifest, unzipped into a fresh
# prefix's C:\Program Files, install.cmd, the registry entry, STREAM_PROGRAM
# streaming (inside SERVICES_HOST) from there, uninstall.cmd leaving no key.
#   check_windows_package.sh BUILD_TREE STREAM_PROGRAM SERVICES_HOST
set -euo pipefail
here=$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")
run=$here/../../scripts/windows/wine-run.sh
key='HKLM\SOFTWARE\Quillmark\Sonaplex\Plugins\{E85D1DFD-8B26-4399-A2E8-20FE315600C1}'
scratch=$(mktemp -d "${TMPDIR:-/tmp}/skyflume-package.XXXXXX")
export WINEPREFIX=$scratch/prefix
unset SKYFLUME_WINE_DLL_PATH WINEPATH  # the DLLs come from the package alone
trap 'wineserver -k 2>/dev/null; rm -rf "$scratch"' EXIT
fail() { echo "check_windows_package: $*" >&2; exit 1; }

cpack --config "$1/CPackConfig.cmake" -B "$scratch" >/dev/null || fail "cpack failed"
zip=$(echo "$scratch"/Skyflume-*-win64.zip)
diff <(sort "$here/windows_package.manifest") <(unzip -Z1 "$zip" | grep -v '/$' | sort) ||
  fail "${zip##*/} (>) differs from windows_package.manifest (<)"
"$run" cmd /c exit
unzip -q "$zip" -d "$WINEPREFIX/drive_c/Program Files"
script() {  # as a double-click starts them: in their folder
  (cd "$WINEPREFIX/drive_c/Program Files/Skyflume" && "$run" cmd /c "$1" </dev/null | tr -d '\r'); }

script install.cmd || fail "install.cmd failed"
"$run" reg export "$key" "$scratch/plugin.reg" /y >/dev/null || fail "install.cmd made no key"
stored=$(iconv -f UTF-16 -t UTF-8 "$scratch/plugin.reg" | tr -d '\r' | sed -n 's/^"Path"="\(.*\)"$/\1/p')
[[ $stored == 'C:\\Program Files\\Skyflume\\Skyflume.sxp64' ]] || fail "the key's Path holds $stored"
"$3" "$run" "$2" || fail "the module that the registry names did not stream"
script uninstall.cmd || fail "uninstall.cmd failed"
if "$run" reg query "$key" >/dev/null 2>&1; then fail "uninstall.cmd left the key"; fi
echo "check_windows_package: installed into C:\\Program Files\\Skyflume, streamed from there, uninstalled"
