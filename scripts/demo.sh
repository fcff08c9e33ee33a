#!/usr/bin/env bash
# The main job: stream through the loaded module to a real Icecast server and
# hear what arrives there.
#
#   scripts/demo.sh [FILE]
#
# Installs what is missing, builds the module and sonaplex-host into
# build/demo, starts icecast2 on 127.0.0.1:8384 with the plug-in's default
# mount and login, registers the module in a registry folder of its own, and
# streams a 1 kHz test tone (or FILE) for 20 seconds or until Ctrl-C. At the
# end it says what a listener decoded from the server, then stops icecast2.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

input=${1:-tone:1000}
seconds=20
port=8384
demo=$root/build/demo
listen_url="http://127.0.0.1:$port/stream"

port_taken() {
  timeout 1 bash -c "exec 3<>/dev/tcp/127.0.0.1/$port" 2>/dev/null
}

if port_taken; then
  echo "demo: port $port on 127.0.0.1 is already in use; stop whatever listens there and try again" >&2
  exit 1
fi
if [ "$input" != "${input#tone:}" ] || [ "$input" = - ]; then
  :
elif [ ! -r "$input" ]; then
  echo "demo: cannot read $input" >&2
  exit 1
else
  input=$(realpath "$input")
fi

have_everything() {
  command -v cmake >/dev/null && command -v g++ >/dev/null && command -v pkg-config >/dev/null &&
    command -v icecast2 >/dev/null && command -v ffmpeg >/dev/null &&
    pkg-config --exists libavformat libavcodec libavutil libswresample libavdevice cairo fontconfig libcurl nlohmann_json
}
if ! have_everything; then
  echo "== installing what is missing"
  scripts/install_dependencies.sh
fi

echo "== building the module and sonaplex-host into build/demo"
mkdir -p "$demo"
if ! { cmake -S . -B "$demo" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSKYFLUME_BUILD_TESTS=OFF -DSKYFLUME_BUILD_BENCH=OFF &&
       cmake --build "$demo" -j"$(nproc)" --target skyflume_module sonaplex-host; } >"$demo/build.log" 2>&1; then
  tail -n 40 "$demo/build.log" >&2
  echo "demo: the build failed; the whole log is in $demo/build.log" >&2
  exit 1
fi
host=$demo/host/sonaplex_host/sonaplex-host
module=$demo/module/Skyflume.sxp64

icecast_pid=
listener_pid=
host_pid=
stop_all() {
  [ -n "$listener_pid" ] && kill "$listener_pid" 2>/dev/null || true
  if [ -n "$icecast_pid" ] && kill "$icecast_pid" 2>/dev/null; then
    wait "$icecast_pid" 2>/dev/null || true
    echo "== icecast2 stopped"
  fi
  icecast_pid=
}
trap stop_all EXIT
# Ctrl-C reaches sonaplex-host too, which stops its stream and saves its
# settings; the script waits for it and then tidies up.
trap '[ -n "$host_pid" ] && kill -INT "$host_pid" 2>/dev/null || true' INT TERM

echo "== starting icecast2 on 127.0.0.1:$port"
scripts/demo_icecast_config.sh "$demo/icecast" "$port"
icecast2 -c "$demo/icecast/icecast.xml" >"$demo/icecast/stdout.log" 2>&1 &
icecast_pid=$!
for _ in $(seq 50); do
  port_taken && break
  kill -0 "$icecast_pid" 2>/dev/null || break
  sleep 0.1
done
if ! kill -0 "$icecast_pid" 2>/dev/null || ! port_taken; then
  cat "$demo/icecast/stdout.log" "$demo/icecast/log/error.log" 2>/dev/null | tail -n 20 >&2
  echo "demo: icecast2 did not come up on port $port" >&2
  exit 1
fi

echo "== registering the module in $demo/registry"
export SONAPLEX_REGISTRY=$demo/registry
"$host" --register --module "$module"

echo "== streaming $input for $seconds s (Ctrl-C stops earlier); listen at $listen_url"
# tee -i: Ctrl-C must not take the host's output away while it stops.
"$host" --server 127.0.0.1 --input "$input" --duration "$seconds" --state "$demo/skyflume.state" \
  > >(tee -i "$demo/host.log") &
host_pid=$!

# The listener tunes in once the stream is up and hears it to its end.
for _ in $(seq 100); do
  grep -q "Status: streaming" "$demo/host.log" 2>/dev/null && break
  kill -0 "$host_pid" 2>/dev/null || break
  sleep 0.1
done
if grep -q "Status: streaming" "$demo/host.log"; then
  ffmpeg -nostdin -hide_banner -i "$listen_url" -f null -progress "$demo/listener.progress" - \
    >"$demo/listener.log" 2>&1 &
  listener_pid=$!
fi

set +e
while :; do
  wait "$host_pid"
  host_status=$?
  kill -0 "$host_pid" 2>/dev/null || break
done
set -e
host_pid=

if [ -n "$listener_pid" ]; then
  # The server ends the listener's connection when the source leaves.
  for _ in $(seq 100); do
    kill -0 "$listener_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill "$listener_pid" 2>/dev/null || true
  wait "$listener_pid" 2>/dev/null || true
  listener_pid=
  scripts/demo_listener_report.sh "$demo/listener.log" "$demo/listener.progress"
else
  echo "== no listener: the stream never came up"
fi

stop_all
exit "${host_status:-1}"
