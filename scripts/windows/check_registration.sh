#!/usr/bin/env bash
# Registers Skyflume.sxp64 as a user does, with Wine's regsvr32, from a folder
# whose name is not ASCII, reads the stored path back with Wine's reg, and
# unregisters it with regsvr32 /u. regsvr32 takes the module's answer 1 for
# success as well (it is S_FALSE to it), so only the registry tells what the
# module did. `reg export` writes UTF-16, where `reg query` would print the
# path in a console code page that loses characters.
#
# Usage: check_registration.sh MODULE RUN...
# RUN... runs a Windows program under Wine, e.g. scripts/windows/wine-run.sh.
set -euo pipefail

module=$1
shift
run=("$@")
key='HKLM\SOFTWARE\Quillmark\Sonaplex\Plugins\{E85D1DFD-8B26-4399-A2E8-20FE315600C1}'

scratch=$(mktemp -d "${TMPDIR:-/tmp}/skyflume-registration.XXXXXX")
folder="$scratch/Sendeplatz Köln – 夜"
trap 'rm -rf "$scratch"' EXIT
mkdir "$folder"
cp "$module" "$folder/Skyflume.sxp64"
fail() {
  echo "check_registration: $*" >&2
  exit 1
}

"${run[@]}" regsvr32 /s "$folder/Skyflume.sxp64" || fail "regsvr32 failed"
expected=$("${run[@]}" winepath -w "$folder/Skyflume.sxp64")
"${run[@]}" reg export "$key" "$scratch/plugin.reg" /y >/dev/null || fail "the key was not made"
# The value's line, its doubled backslashes made single.
stored=$(iconv -f UTF-16 -t UTF-8 "$scratch/plugin.reg" | tr -d '\r' |
  sed -n 's/^"Path"="\(.*\)"$/\1/p' | sed 's/\\\\/\\/g')
values=$(iconv -f UTF-16 -t UTF-8 "$scratch/plugin.reg" | grep -c '^"' || true)
[[ $stored == "$expected" ]] || fail "Path holds \"$stored\", not \"$expected\""
[[ $values == 1 ]] || fail "the key holds $values values, not Path alone"

"${run[@]}" regsvr32 /s /u "$folder/Skyflume.sxp64" || fail "regsvr32 /u failed"
if "${run[@]}" reg query "$key" >/dev/null 2>&1; then
  fail "the key is still there after regsvr32 /u"
fi
echo "check_registration: regsvr32 stored $expected and regsvr32 /u removed it"
