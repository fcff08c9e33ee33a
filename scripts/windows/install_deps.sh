#!/usr/bin/env bash
# Installs the Debian packages the Windows cross build and its Wine test runs need.
# Safe to run repeatedly: apt-get skips what is already installed.
set -euo pipefail

packages=(
  g++-mingw-w64-x86-64-posix # C/C++ cross compilers with std::thread support
  wine                       # /usr/bin/wine, the launcher
  wine64                     # the 64-bit loader it starts for x64 exes
  dpkg-dev                   # dpkg-source, which apt-get source uses to unpack
  make
  nasm                       # FFmpeg's x86 assembly
  pkg-config
  cmake
  googletest                 # the source tree in /usr/src/googletest
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done
if ((${#missing[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  # Recommends would add fonts, GStreamer and the like; a console exe needs none of them.
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
