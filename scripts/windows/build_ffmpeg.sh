#!/usr/bin/env bash
# Cross-builds FFmpeg (as DLLs) with a static LAME for Windows x64 from Debian's
# source packages, and caches the result outside the repository.
#
# Last line of stdout: the install prefix, holding include/, lib/ (import
# libraries), lib/pkgconfig/ (for PKG_CONFIG_LIBDIR), bin/ (the DLLs) and
# build-info.cmake (the source versions and configure lines, for the notice
# that ships with the DLLs).
#
# The cache key covers this script, the mingw-w64 compiler version and the
# source versions that a private apt list names. That list is fetched only when
# missing, a week old, or when SKYFLUME_REFRESH_SOURCES=1, so a warm run reads
# local files only and needs no network.
set -euo pipefail

cache_root=${SKYFLUME_CACHE:-$HOME/.cache/skyflume}
host=x86_64-w64-mingw32
cc=$host-gcc-posix
script_path=$(readlink -f "${BASH_SOURCE[0]}")

log() { printf 'build_ffmpeg [%4ss]: %s\n' "$SECONDS" "$*" >&2; }
die() { log "$*"; exit 1; }

command -v "$cc" >/dev/null || die "$cc not found; run scripts/windows/install_deps.sh"
command -v dpkg-source >/dev/null || die "dpkg-source not found; run scripts/windows/install_deps.sh"
command -v nasm >/dev/null || die "nasm not found; run scripts/windows/install_deps.sh"

apt_dir=$cache_root/apt
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"

exec 9>"$cache_root/.build_ffmpeg.lock"
flock 9

# apt on a private source list, list folder and cache, so the machine's own
# apt configuration and state stay untouched.
apt_opts=(
  -o "Dir::Etc::SourceList=$apt_dir/sources.list"
  -o Dir::Etc::SourceParts=/dev/null
  -o "Dir::State::Lists=$apt_dir/lists"
  -o "Dir::Cache=$apt_dir/cache"
)
# As root, apt hands downloads to the _apt user, who cannot enter a private
# folder under a 0700 home.
if ((EUID == 0)); then apt_opts+=(-o APT::Sandbox::User=root); fi

write_sources() {
  local keyring=/usr/share/keyrings/debian-archive-keyring.gpg opt='' repos
  [[ -r $keyring ]] && opt="[signed-by=$keyring] "
  # The same Debian mirrors and suites the machine uses, whichever file format
  # declares them.
  repos=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' \
            'Origin: Debian' 'Target-Of: deb' 2>/dev/null | sort -u || true)
  if [[ -z $repos ]]; then
    repos=$'http://deb.debian.org/debian bookworm\nhttp://deb.debian.org/debian bookworm-updates\nhttp://deb.debian.org/debian-security bookworm-security'
  fi
  while read -r uri suite; do
    printf 'deb-src %s%s %s main\n' "$opt" "$uri" "$suite"
  done <<<"$repos" >"$apt_dir/sources.list.new"
  mv "$apt_dir/sources.list.new" "$apt_dir/sources.list"
}

# apt sets a list's time stamp from the mirror, so the age is kept separately.
stamp=$apt_dir/updated
if [[ ${SKYFLUME_REFRESH_SOURCES:-0} == 1 || ! -f $stamp ]] ||
   [[ -n $(find "$stamp" -mtime +6 -print) ]]; then
  write_sources
  log "updating the private source lists"
  if apt-get "${apt_opts[@]}" -q update >&2; then
    touch "$stamp"
  elif [[ -f $stamp ]]; then
    log "could not refresh the source lists; using those from $(date -r "$stamp" -u +%F)"
  else
    die "could not fetch the source lists"
  fi
fi

src_version() {
  apt-cache "${apt_opts[@]}" showsrc --only-source "$1" |
    awk '/^Version:/ {print $2}' | sort -V | tail -n1
}
lame_version=$(src_version lame)
ffmpeg_version=$(src_version ffmpeg)
[[ -n $lame_version && -n $ffmpeg_version ]] || die "lame or ffmpeg source not found in the private lists"
[[ $ffmpeg_version == *:5.1.* || $ffmpeg_version == 5.1.* ]] || die "expected FFmpeg 5.1, the lists offer $ffmpeg_version"

key=$({
  cat "$script_path"
  echo "lame=$lame_version ffmpeg=$ffmpeg_version"
  "$cc" -dumpfullversion
} | sha256sum | cut -c1-16)
prefix=$cache_root/ffmpeg-win64-$key

if [[ -f $prefix/.complete ]]; then
  echo "$prefix"
  exit 0
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/skyflume-ffmpeg.XXXXXX")
trap 'rm -rf "$work"' EXIT
jobs=$(nproc)

build_log=$work/build.log
run() {
  if ! "$@" >>"$build_log" 2>&1; then
    tail -n 60 "$build_log" >&2
    die "failed: $*"
  fi
}

log "fetching sources: lame $lame_version, ffmpeg $ffmpeg_version"
mkdir -p "$work/src"
(cd "$work/src" && run apt-get "${apt_opts[@]}" -q source "lame=$lame_version" "ffmpeg=$ffmpeg_version")
lame_src=$(find "$work/src" -maxdepth 1 -type d -name 'lame-*' | head -n1)
ffmpeg_src=$(find "$work/src" -maxdepth 1 -type d -name 'ffmpeg-*' | head -n1)
[[ -d $lame_src && -d $ffmpeg_src ]] || die "unpacked sources not found in $work/src"

# LAME is linked into avcodec, so it only needs to exist during the build.
lame_prefix=$work/lame
lame_configure=(./configure --host=$host CC="$cc" --prefix="$lame_prefix"
  --disable-shared --enable-static --disable-frontend --disable-decoder)
log "building LAME"
(cd "$lame_src" &&
  run "${lame_configure[@]}" &&
  run make -j"$jobs" &&
  run make install)

# Built into a staging folder and moved in whole, so an interrupted build never
# leaves a prefix that looks finished. The pkg-config files name the final path.
# LGPL parts only (no --enable-gpl, no --enable-nonfree), with FFmpeg's x86
# assembly, which nasm builds.
stage=$work/stage
ffmpeg_configure=("$ffmpeg_src/configure"
  --prefix="$prefix"
  --enable-cross-compile --target-os=mingw32 --arch=x86_64
  --cross-prefix=$host- --cc="$cc" --cxx=$host-g++-posix
  --enable-shared --disable-static
  --disable-programs --disable-doc --disable-autodetect
  --enable-w32threads
  --disable-everything
  --disable-avdevice --disable-avfilter --disable-swscale --disable-postproc
  --enable-network --enable-protocol=tcp,http,icecast
  --enable-libmp3lame --enable-encoder=libmp3lame --enable-muxer=mp3
  --enable-decoder=mp3float --enable-demuxer=mp3 --enable-parser=mpegaudio
  --extra-cflags="-I$lame_prefix/include"
  --extra-ldflags="-L$lame_prefix/lib -static")
log "building FFmpeg"
mkdir -p "$work/ffmpeg-build"
(cd "$work/ffmpeg-build" &&
  run "${ffmpeg_configure[@]}" &&
  run make -j"$jobs" &&
  run make install DESTDIR="$stage")

[[ -f $stage$prefix/bin/avformat-59.dll ]] || die "avformat-59.dll missing after install"
# For the notice that ships with the DLLs: the sources and how they were
# built, each command line as a shell takes it, with this machine's folders
# named by variables.
command_line() {
  local line
  line=$(printf '%q ' "$@")
  line=${line//"$ffmpeg_src"/\$FFMPEG_SOURCE}
  line=${line//"$lame_prefix"/\$LAME_PREFIX}
  line=${line//"$prefix"/\$PREFIX}
  echo "${line% }"
}
upstream() {  # a Debian version without its epoch and Debian revision
  local version=${1#*:}
  echo "${version%-*}"
}
cat >"$stage$prefix/build-info.cmake" <<EOF
set(FFMPEG_DEBIAN_VERSION [==[$ffmpeg_version]==])
set(FFMPEG_UPSTREAM_VERSION [==[$(upstream "$ffmpeg_version")]==])
set(FFMPEG_CONFIGURE [==[$(command_line "${ffmpeg_configure[@]}")]==])
set(LAME_DEBIAN_VERSION [==[$lame_version]==])
set(LAME_UPSTREAM_VERSION [==[$(upstream "$lame_version")]==])
set(LAME_CONFIGURE [==[$(command_line "${lame_configure[@]}")]==])
set(FFMPEG_BUILD_TOOLS [==[$("$cc" --version | head -n1); $(nasm -v)]==])
EOF
touch "$stage$prefix/.complete"
rm -rf "$prefix"
mv "$stage$prefix" "$prefix"
log "installed into $prefix"
echo "$prefix"
