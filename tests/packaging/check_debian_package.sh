#!/usr/bin/env bash
# Proves the Debian package on this machine, as root: apt-get install,
# sonaplex-host from PATH, a 5 s tone with no --module to icecast2 on a free
# loopback port where ffmpeg must hear 1 kHz, man sonaplex-host, apt-get purge
# leaving nothing. Prints lintian's report and a ctest-style summary.
#   tests/packaging/check_debian_package.sh dist/skyflume_<version>_amd64.deb
set -uo pipefail
deb=$(realpath "${1:?usage: check_debian_package.sh PACKAGE.deb}")
cd "$(dirname "$0")/../.."
entry=/etc/sonaplex/registry/SOFTWARE/Quillmark/Sonaplex/Plugins/{E85D1DFD-8B26-4399-A2E8-20FE315600C1}/Path
passed=0 failed=0
check() {  # what, command...
  if "${@:2}"; then echo "== deb: ok    $1"; passed=$((passed + 1)); else
    echo "== deb: FAIL  $1"; failed=$((failed + 1)); return 1; fi
}
dpkg-query -W -f='${Status}' skyflume 2>/dev/null | grep -q 'ok installed' &&
  { echo "check_debian_package: skyflume is installed here and would be purged; remove it first" >&2; exit 1; }
scripts/install_dependencies.sh lintian man-db >/dev/null
scratch=$(mktemp -d "${TMPDIR:-/tmp}/skyflume-deb.XXXXXX") && chmod 755 "$scratch"  # for icecast2 without root's rights
icecast_pid=
trap 'kill $icecast_pid 2>/dev/null; wait; rm -rf "$scratch"' EXIT
had_sonaplex=$([[ -e /etc/sonaplex ]] && echo yes)
echo "== deb: lintian says"
lintian "$deb" 2>&1 | grep -v '^running with root' | sed 's/^/  /'
apt() { DEBIAN_FRONTEND=noninteractive apt-get -y -q "$@" >>"$scratch/apt.log" 2>&1; }
check "apt-get install ./${deb##*/}" apt install "$deb"
dpkg-query -L skyflume >"$scratch/files"
version=$(dpkg-deb -f "$deb" Version)
check "sonaplex-host on PATH says $version" \
  bash -c '[[ $(command -v sonaplex-host) == /usr/bin/sonaplex-host && $(sonaplex-host --version) == "sonaplex-host $0,"* ]]' "$version"
check "the module is registered in /etc/sonaplex/registry" grep -qx /usr/lib/skyflume/Skyflume.sxp64 "$entry"
# icecast2 as the demo has it (the plug-in's default mount and login).
listening() { timeout 1 bash -c "exec 3<>/dev/tcp/127.0.0.1/$1" 2>/dev/null; }
for _ in $(seq 20); do port=$((20000 + RANDOM % 40000)); listening $port || break; done
scripts/demo_icecast_config.sh "$scratch/icecast" "$port"
icecast2 -c "$scratch/icecast/icecast.xml" >/dev/null 2>&1 &
icecast_pid=$!
for _ in $(seq 50); do listening "$port" && break; sleep 0.1; done
env -u SONAPLEX_REGISTRY sonaplex-host --server 127.0.0.1 --port "$port" --input tone:1000 --duration 5 \
  --state "$scratch/state" >"$scratch/host.log" 2>&1 &
host_pid=$!
for _ in $(seq 100); do grep -q "Status: streaming" "$scratch/host.log" && break; sleep 0.1; done
# Again while nothing came: icecast2 lists a mount a moment after its source's handshake.
for _ in $(seq 10); do timeout 20 ffmpeg -nostdin -v fatal -y -i "http://127.0.0.1:$port/stream" -ac 1 -ar 44100 \
  -f f32le "$scratch/heard"; [[ -s $scratch/heard ]] && break; sleep 0.3; done &
wait $host_pid
check "a 5 s stream with no --module ends with \"Status: done.\"" grep -q "Status: done\." "$scratch/host.log" ||
  cat "$scratch/host.log"
wait $!
# The tone's frequency from its upward crossings, with hysteresis against noise.
read -r seconds hz < <(od -An -v -f -w4 "$scratch/heard" | awk '
  $1 > 0.1 && low { if (!ups++) first = NR; last = NR; low = 0 }
  $1 < -0.1 { low = 1 }
  END { printf "%.1f %.0f\n", NR / 44100, (ups > 1 ? (ups - 1) * 44100 / (last - first) : 0) }')
check "the listener heard ${seconds}s of ${hz} Hz (3 s or more of 1 kHz)" \
  awk "BEGIN { exit !($seconds >= 3 && $hz > 990 && $hz < 1010) }"
# Minimal images have dpkg leave man pages out (path-exclude in /etc/dpkg/dpkg.cfg.d): then the package's.
man_page=/usr/share/man/man1/sonaplex-host.1.gz
[[ -e $man_page ]] || { dpkg-deb --fsys-tarfile "$deb" | tar -xO ".$man_page" >"$scratch/man.gz"; man_page=$scratch/man.gz; }
check "man sonaplex-host renders its options" \
  bash -c '{ [[ $0 == /usr/* ]] && man sonaplex-host || man -l "$0"; } 2>/dev/null | grep -q -- --no-reconnect' "$man_page"
check "apt-get purge skyflume" apt purge skyflume
left=$(while read -r path; do [[ -e $path && ! -d $path ]] && echo "$path"; done <"$scratch/files"
  ls -d /usr/lib/skyflume /usr/share/doc/skyflume "$entry" 2>/dev/null
  [[ -z $had_sonaplex ]] && ls -d /etc/sonaplex 2>/dev/null)
check "the purge left no file of the package and no registry entry" [ -z "$left" ] || echo "left: $left"
total=$((passed + failed))
echo "$((100 * passed / total))% tests passed, $failed tests failed out of $total"
((failed == 0))
