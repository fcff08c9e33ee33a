#!/usr/bin/env bash
# Proves the Debian package as a user meets it, on this machine, as root:
# installs it with apt-get, runs sonaplex-host from PATH, streams a tone for
# 5 s with no --module (the package registered the module) to an icecast2 on
# a free loopback port while ffmpeg listens and must hear 1 kHz, renders the
# man page, then purges the package, which must leave none of its files and
# no registry entry. Prints what lintian says of the package, and ends with a
# ctest-style summary of its checks.
#
#   tests/packaging/check_debian_package.sh dist/skyflume_<version>_amd64.deb
set -uo pipefail
deb=$(realpath "${1:?usage: check_debian_package.sh PACKAGE.deb}")
cd "$(dirname "$0")/../.."

registry=/etc/sonaplex/registry
entry=$registry/SOFTWARE/Quillmark/Sonaplex/Plugins/{E85D1DFD-8B26-4399-A2E8-20FE315600C1}/Path
passed=0
failed=0
check() {  # description, command...
  local what=$1
  shift
  if "$@"; then
    echo "== deb: ok    $what"
    passed=$((passed + 1))
  else
    echo "== deb: FAIL  $what"
    failed=$((failed + 1))
  fi
}

if dpkg-query -W -f='${Status}' skyflume 2>/dev/null | grep -q 'ok installed'; then
  echo "check_debian_package: skyflume is installed here, and this check would purge it; remove it first" >&2
  exit 1
fi
scripts/install_dependencies.sh lintian man-db >/dev/null

scratch=$(mktemp -d "${TMPDIR:-/tmp}/skyflume-deb.XXXXXX")
# icecast2 drops root's rights and must still reach its folder in here.
chmod 755 "$scratch"
icecast_pid=
listener_pid=
finish() {
  [[ -n $listener_pid ]] && kill "$listener_pid" 2>/dev/null
  [[ -n $icecast_pid ]] && kill "$icecast_pid" 2>/dev/null && wait "$icecast_pid" 2>/dev/null
  rm -rf "$scratch"
}
trap finish EXIT
sonaplex_existed=$([[ -e /etc/sonaplex ]] && echo yes || echo no)

echo "== deb: lintian says"
lintian "$deb" 2>&1 | grep -v '^running with root privileges' | sed 's/^/  /'

DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$deb" >"$scratch/install.log" 2>&1
check "apt-get install ./$(basename "$deb")" bash -c 'dpkg-query -W skyflume >/dev/null'
dpkg-query -L skyflume >"$scratch/files"
version=$(dpkg-deb -f "$deb" Version)
check "sonaplex-host on PATH says version $version" \
  bash -c '[[ $(command -v sonaplex-host) == /usr/bin/sonaplex-host ]] &&
           sonaplex-host --version | grep -q "^sonaplex-host $1, "' _ "$version"
check "the package registered /usr/lib/skyflume/Skyflume.sxp64 in $registry" \
  grep -qx /usr/lib/skyflume/Skyflume.sxp64 "$entry"

# icecast2 as the demo configures it (the plug-in's default mount and login),
# on a port nothing listens on.
listening() { timeout 1 bash -c "exec 3<>/dev/tcp/127.0.0.1/$1" 2>/dev/null; }
port=
for _ in $(seq 20); do
  candidate=$((20000 + RANDOM % 40000))
  listening "$candidate" || { port=$candidate; break; }
done
scripts/demo_icecast_config.sh "$scratch/icecast" "$port"
icecast2 -c "$scratch/icecast/icecast.xml" >"$scratch/icecast.log" 2>&1 &
icecast_pid=$!
for _ in $(seq 50); do
  listening "$port" && break
  sleep 0.1
done
check "icecast2 listens on 127.0.0.1:$port" listening "$port"

# The registry comes from the package alone: no SONAPLEX_REGISTRY, no --module.
env -u SONAPLEX_REGISTRY sonaplex-host --server 127.0.0.1 --port "$port" --input tone:1000 --duration 5 \
  --state "$scratch/skyflume.state" >"$scratch/host.log" 2>&1 &
host_pid=$!
for _ in $(seq 100); do
  grep -q "Status: streaming" "$scratch/host.log" && break
  kill -0 "$host_pid" 2>/dev/null || break
  sleep 0.1
done
# Mono floats at 44.1 kHz; the stream's end ends the listener.
timeout 20 ffmpeg -nostdin -v fatal -i "http://127.0.0.1:$port/stream" -ac 1 -ar 44100 -f f32le "$scratch/heard.raw" &
listener_pid=$!
wait "$host_pid"
host_status=$?
wait "$listener_pid"
listener_pid=
check "a 5 s stream from the registered module ends with \"Status: done.\"" \
  bash -c '[[ $0 == 0 ]] && grep -q "Status: done\." "$1"' "$host_status" "$scratch/host.log"
# The tone's frequency from its upward crossings, with hysteresis so that
# noise around zero does not count, between the first and the last of them.
heard=$(od -An -v -f -w4 "$scratch/heard.raw" | awk '
  $1 > 0.1 && low { if (!first) first = NR; last = NR; ups++; low = 0 }
  $1 < -0.1 { low = 1 }
  END { printf "%.1f %.0f\n", NR / 44100, (ups > 1 ? (ups - 1) * 44100 / (last - first) : 0) }')
echo "== deb: the listener heard ${heard% *} s at ${heard#* } Hz"
check "the listener heard at least 3 s of a 1 kHz tone" \
  awk -v s="${heard% *}" -v hz="${heard#* }" 'BEGIN { exit !(s >= 3 && hz > 990 && hz < 1010) }'
[[ $host_status == 0 ]] || cat "$scratch/host.log"

# Minimal images tell dpkg to leave man pages out (path-exclude in
# /etc/dpkg/dpkg.cfg.d); there the page is rendered from the package itself.
man_page() {
  if [[ -e /usr/share/man/man1/sonaplex-host.1.gz ]]; then
    man sonaplex-host
  else
    echo "== deb: dpkg left the man page out here; rendering it from the package" >&2
    dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/man/man1/sonaplex-host.1.gz | man -l -
  fi
}
check "man sonaplex-host renders its options" \
  bash -c "$(declare -f man_page); deb=$deb; man_page 2>/dev/null | grep -q -- --no-reconnect"

DEBIAN_FRONTEND=noninteractive apt-get purge -y -q skyflume >>"$scratch/install.log" 2>&1
check "apt-get purge skyflume" bash -c '! dpkg-query -W -f="\${Status}" skyflume 2>/dev/null | grep -q installed'
left=$(while read -r path; do
  [[ -e $path && ! -d $path ]] && echo "$path"
done <"$scratch/files")
left+=$(ls -d /usr/lib/skyflume /usr/share/doc/skyflume 2>/dev/null)
[[ $sonaplex_existed == no ]] && left+=$(ls -d /etc/sonaplex 2>/dev/null)
check "the purge left no file of the package and no registry entry" \
  bash -c '[[ -z $0 && ! -e $1 ]] || { echo "left: $0"; false; }' "$left" "$entry"

total=$((passed + failed))
# ctest's own summary line, which .ci/run adds up with the suites'.
echo "$((total ? 100 * passed / total : 0))% tests passed, $failed tests failed out of $total"
((failed == 0))
