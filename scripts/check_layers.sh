#!/usr/bin/env bash
# Fails on an #include that crosses the layers' direction:
#   platform/ <- plugin_sdk/ <- plugin_frame/ <- broadcast/ <- module/
#   host/ uses the interfaces of plugin_sdk/ and platform/ only, never the
#   plug-in frame (plugin_frame/), broadcast/ or module/
# on an include path that climbs with "../", and on FFmpeg headers outside
# broadcast/ and host/app/. Tests and benchmarks may use every layer. Prints
# each offending line. The build's include views (cmake/include_views.cmake)
# refuse the same includes when compiling.
set -euo pipefail
cd "$(dirname "$0")/.."

# folder|includes of ours it may not use (an extended regex on the path)
rules=(
  "platform|^(plugin_sdk|plugin_frame|broadcast|module|host)/"
  "plugin_sdk|^(plugin_frame|broadcast|module|host)/"
  "plugin_frame|^(broadcast|module|host)/"
  "broadcast|^(module|host)/"
  "module|^host/"
  "host|^(plugin_frame|broadcast|module)/"
)

status=0
for rule in "${rules[@]}"; do
  folder=${rule%%|*}
  forbidden=${rule#*|}
  while IFS= read -r hit; do
    file=${hit%%:*}
    included=$(sed -E 's/.*#include "([^"]+)".*/\1/' <<<"${hit#*:*:}")
    if [[ $included =~ $forbidden ]]; then
      echo "layer violation: $hit"
      status=1
    fi
  done < <(grep -rn --include='*.h' --include='*.cpp' -E '^[[:space:]]*#[[:space:]]*include[[:space:]]+"' "$folder" || true)
done

# A path that climbs out of the including file's folder would reach past the
# build's include views.
while IFS= read -r hit; do
  echo "relative include: $hit"
  status=1
done < <(grep -rn --include='*.h' --include='*.cpp' -E '#[[:space:]]*include[[:space:]]*"\.\./' \
           platform plugin_sdk plugin_frame broadcast module host tests bench || true)

# FFmpeg belongs to the worker and capture buffer, and to the host's decoding.
while IFS= read -r hit; do
  echo "FFmpeg outside broadcast/ and host/app/: $hit"
  status=1
done < <(grep -rn --include='*.h' --include='*.cpp' -E '#[[:space:]]*include[[:space:]]*<lib(av|sw)[a-z]*/' \
           platform plugin_sdk plugin_frame module host | grep -v '^host/app/' || true)

[ "$status" -eq 0 ] && echo "== layers: no include crosses the direction"
exit "$status"
