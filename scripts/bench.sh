#!/usr/bin/env bash
# The benchmark command: installs what is missing, builds the module and the
# benchmarks in release mode into build/bench, profiles the worker and lame
# once with perf, then runs every benchmark on this machine and writes
# BENCHMARKS.md and docs/onaudio-latency.png. Run it on a quiet machine: the
# figures that compare are ratios taken side by side, but the absolute ones
# move with the load.
set -euo pipefail
cd "$(dirname "$0")/.."

# lame is one of the anchors; perf tells where the time goes.
scripts/install_dependencies.sh lame linux-perf

dir=build/bench
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$dir" -j"$(nproc)" --target skyflume-bench
bench=$dir/bench/skyflume-bench

profiles=()
echo "== profiling the worker and lame"
if perf record -q -e cpu-clock -F 1999 -o "$dir/profile.data" -- "$bench" --profile-run >"$dir/profile.log" 2>&1; then
  # Shares by library, added up from perf's lines by library and symbol.
  for comm in skyflume-worker lame; do
    perf report -i "$dir/profile.data" --comms "$comm" --sort dso,sym --percentage relative --stdio -q 2>/dev/null |
      awk '$1 ~ /%$/ { share = $1; sub(/%/, "", share); by[$2] += share }
           END { for (library in by) if (by[library] >= 0.5) printf "%6.2f%%  %s\n", by[library], library }' |
      sort -rn >"$dir/$comm.profile"
  done
  profiles=(--worker-profile "$dir/skyflume-worker.profile" --lame-profile "$dir/lame.profile")
else
  echo "   perf could not record here (see $dir/profile.log); BENCHMARKS.md goes without the profiles"
fi

# The audio thread asks for SCHED_FIFO, as hosts run theirs; without it the
# run goes on and BENCHMARKS.md says that the figures are without it.
if [ "$(id -u)" != 0 ] && [ "$(ulimit -r)" = 0 ]; then
  echo "   SCHED_FIFO is not permitted here (not root, RLIMIT_RTPRIO 0): the audio thread runs without it"
fi

"$bench" --markdown BENCHMARKS.md --picture docs/onaudio-latency.png "${profiles[@]}"
