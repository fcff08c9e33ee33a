#!/usr/bin/env bash
# Proves from the Windows module's own tables (objdump -p) that it imports
# nothing but Windows system DLLs at load time, that it names the four FFmpeg
# DLLs for loading at first use, and that it exports exactly GetPlugin,
# DllRegisterServer and DllUnregisterServer, unmangled.
#
# Usage: check_module_binary.sh path/to/Skyflume.sxp64
set -euo pipefail

module=${1:?usage: check_module_binary.sh Skyflume.sxp64}
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}

fail() { echo "check_module_binary: $*" >&2; exit 1; }

[[ -f $module ]] || fail "$module not found"
tables=$("$objdump" -p "$module") || fail "objdump could not read $module"

grep -q '^Magic.*PE32+' <<<"$tables" || fail "$module is not a 64-bit PE image"
awk '/^Characteristics/ {flags = 1; next} flags && /^$/ {exit} flags' <<<"$tables" | grep -qx $'\tDLL' ||
  fail "$module is not a DLL"

imports=$(awk '/DLL Name:/ {print tolower($3)}' <<<"$tables" | sort -u)
# The Windows DLLs that the C runtime, the Win32 platform layer and FFmpeg's
# import libraries may name. A MinGW runtime DLL (libstdc++-6, libgcc_s_seh-1,
# libwinpthread-1) in this list would mean the static runtime was not linked.
system_dlls='^(kernel32|advapi32|user32|msvcrt|ucrtbase|api-ms-win-crt-[a-z0-9-]+)\.dll$'

status=0
while read -r dll; do
  [[ -z $dll ]] && continue
  if [[ $dll =~ $system_dlls ]]; then
    echo "import  $dll (Windows)"
  else
    echo "import  $dll: not a Windows system DLL" >&2
    status=1
  fi
done <<<"$imports"
# GNU ld leaves the delay import directory empty: the DLLs' names stand in
# the descriptors that the delay-load helper reads.
names=$(strings -n 6 "$module")
for library in avcodec avformat avutil swresample; do
  if dll=$(grep -Exm1 "$library-[0-9]+\.dll" <<<"$names"); then
    echo "delay   $dll (FFmpeg)"
  else
    echo "missing delay-loaded $library" >&2
    status=1
  fi
done

# The names of the export table: the lines after "[Ordinal/Name Pointer] Table".
exports=$(awk '/^\[Ordinal\/Name Pointer\] Table/ {names = 1; next}
               names && /^\t\[/ {print $NF; next}
               names {names = 0}' <<<"$tables" | sort)
expected=$'DllRegisterServer\nDllUnregisterServer\nGetPlugin'
while read -r name; do
  [[ -n $name ]] && echo "export  $name"
done <<<"$exports"
if [[ $exports != "$expected" ]]; then
  echo "exports differ from exactly GetPlugin, DllRegisterServer, DllUnregisterServer" >&2
  status=1
fi

((status == 0)) && echo "check_module_binary: $module imports and exports as required"
exit "$status"
