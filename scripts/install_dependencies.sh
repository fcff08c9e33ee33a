#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and the demo need,
# and any others named on the command line. Safe to run again: apt-get skips
# what is already there.
set -euo pipefail

packages=(
  cmake g++ pkg-config clang-format ccache
  libavformat-dev libavcodec-dev libavutil-dev libswresample-dev libavdevice-dev
  libgtest-dev libbenchmark-dev libcairo2-dev libcurl4-openssl-dev nlohmann-json3-dev
  libcli11-dev libtomlplusplus-dev libcpp-httplib-dev libsystemd-dev systemd python3-prometheus-client
  libebur128-dev
  icecast2 ffmpeg
  help2man dpkg-dev  # the Debian package's man page and dependencies
  "$@"
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi

export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${packages[@]}"
