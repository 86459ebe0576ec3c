#!/usr/bin/env bash
# Builds the demo's third-party libraries (zlib, libpng, libopenmpt) as
# static WebAssembly libraries with Debian's emscripten, from Debian's source
# packages, in the way tools/windows-deps.sh does for Windows: a stamp makes
# a rerun free, and a build is staged and moved into place only once all of
# it succeeded.
#
# Usage: tools/web-deps.sh <prefix>
#
# The script owns <prefix> (include/, lib/, lib/pkgconfig/ and the stamp
# <prefix>/.complete) and the scratch directory <prefix>-src.
set -euo pipefail

readonly me="web-deps.sh"
readonly host=wasm32-unknown-emscripten
# -fexceptions: libopenmpt reports failures by throwing inside its C API.
readonly cflags="-O2 -fexceptions"
readonly zlib_version=1.2.13
readonly libpng_version=1.6.39
readonly libopenmpt_version=0.6.9
readonly deb_src_file=/etc/apt/sources.list.d/demo-deb-src.sources
readonly packages=(dpkg-dev emscripten)
# Debian's node may not search Debian's own module folder, where emscripten's
# JavaScript dependencies are.
export NODE_PATH=/usr/share/nodejs

die() {
  echo "$me: $*" >&2
  exit 1
}

[ $# -eq 1 ] && [ -n "$1" ] || die "usage: $me <prefix>"
prefix=$(realpath -m -- "$1")
[ "$prefix" != / ] || die "refusing to use / as the prefix"

# Any edit of this script (flags, options, versions) must invalidate the cache.
script_hash=$(sha256sum "${BASH_SOURCE[0]}" | cut -c1-16)
stamp="zlib $zlib_version libpng $libpng_version libopenmpt $libopenmpt_version script $script_hash"
if [ -f "$prefix/.complete" ] && [ "$(cat "$prefix/.complete")" = "$stamp" ]; then
  exit 0
fi

[ ! -e "$prefix" ] || [ -d "$prefix" ] || die "$prefix exists and is not a directory"
if [ -d "$prefix" ] && [ ! -f "$prefix/.complete" ] && [ -n "$(ls -A "$prefix")" ]; then
  die "$prefix exists and was not made by this script; remove it or pick another prefix"
fi

scratch="$prefix-src"
stage="$scratch/stage"
log="$scratch/step.log"
rm -rf "$scratch" || die "cannot remove the stale scratch directory $scratch"
mkdir -p "$scratch/src" "$stage" || die "cannot create the scratch directory $scratch"

# Each step's output is shown only when that step fails.
run() {
  local step=$1 dir=$2
  shift 2
  if ! (cd "$dir" && "$@") >"$log" 2>&1; then
    cat "$log" >&2
    die "$step failed (output above; work files kept in $scratch)"
  fi
}

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || die "not root and sudo is missing: cannot install packages"
  sudo=(sudo)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ! grep -rqsE '^(deb-src[[:space:]]|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  run "adding the deb-src source list" / "${sudo[@]}" tee "$deb_src_file" <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
fi

echo "$me: fetching sources" >&2
run "apt-get update" / "${sudo[@]}" apt-get update -q
if [ ${#missing[@]} -gt 0 ]; then
  run "installing ${missing[*]}" / "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
run "apt-get source zlib libpng1.6 libopenmpt" "$scratch/src" apt-get source -q zlib libpng1.6 libopenmpt

source_dir() {
  local dir version
  dir=$(find "$scratch/src" -mindepth 1 -maxdepth 1 -type d -name "$1-*" | head -n 1)
  [ -n "$dir" ] || die "apt-get source did not unpack $1"
  version=$(dpkg-parsechangelog -l "$dir/debian/changelog" -S Version) || die "cannot read the version of $1"
  version=${version#*:}
  version=${version%-*}
  version=${version%.dfsg*}
  [ "$version" = "$2" ] || die "$1 source is version $version, this script expects $2"
  echo "$dir"
}
zlib_dir=$(source_dir zlib "$zlib_version")
libpng_dir=$(source_dir libpng1.6 "$libpng_version")
libopenmpt_dir=$(source_dir libopenmpt "$libopenmpt_version")

build=$(dpkg-architecture -qDEB_BUILD_GNU_TYPE) || die "dpkg-architecture cannot name the build machine"
jobs=$(nproc)
[ "$jobs" -le 2 ] || jobs=2
staged="$stage$prefix"

echo "$me: building zlib $zlib_version" >&2
run "configuring zlib" "$zlib_dir" env CFLAGS="$cflags" emconfigure ./configure --static --prefix="$prefix"
run "building zlib" "$zlib_dir" emmake make -j"$jobs" libz.a
run "installing zlib" "$zlib_dir" emmake make install DESTDIR="$stage"

echo "$me: building libpng $libpng_version" >&2
run "configuring libpng" "$libpng_dir" emconfigure ./configure --build="$build" --host=$host \
  CFLAGS="$cflags" CPPFLAGS="-I$staged/include" LDFLAGS="-L$staged/lib" \
  --prefix="$prefix" --disable-shared --enable-static
run "building libpng" "$libpng_dir" emmake make -j"$jobs"
run "installing libpng" "$libpng_dir" emmake make install DESTDIR="$stage"

# libopenmpt's own config.sub predates the emscripten target; libpng's knows it.
echo "$me: building libopenmpt $libopenmpt_version" >&2
for f in config.sub config.guess; do
  while IFS= read -r old; do
    run "updating libopenmpt's $f" / cp "$libpng_dir/$f" "$old"
  done < <(find "$libopenmpt_dir" -name "$f" -not -path '*/debian/*')
done
run "configuring libopenmpt" "$libopenmpt_dir" emconfigure ./configure --build="$build" --host=$host \
  CFLAGS="$cflags" CXXFLAGS="$cflags" CXXSTDLIB_PCLIBSPRIVATE= \
  --prefix="$prefix" --disable-shared --enable-static \
  --disable-openmpt123 --disable-examples --disable-tests --disable-doxygen-doc \
  --without-zlib --without-mpg123 --without-ogg --without-vorbis --without-vorbisfile \
  --without-pulseaudio --without-portaudio --without-portaudiocpp --without-sdl2 \
  --without-sndfile --without-flac
run "building libopenmpt" "$libopenmpt_dir" emmake make -j"$jobs"
run "installing libopenmpt" "$libopenmpt_dir" emmake make install DESTDIR="$stage"

run "pruning the staged tree" "$staged" sh -c 'rm -rf bin share && rm -f lib/*.la'
for f in include/zlib.h include/png.h include/libopenmpt/libopenmpt.h lib/libz.a lib/libpng16.a \
  lib/libopenmpt.a lib/pkgconfig/zlib.pc lib/pkgconfig/libpng.pc lib/pkgconfig/libopenmpt.pc; do
  [ -e "$staged/$f" ] || die "the build did not produce $f"
done
if grep -rqF "$stage" "$staged"; then
  die "staging path leaked into $(grep -rlF "$stage" "$staged" | head -n 1)"
fi

rm -rf "$prefix" || die "cannot remove the old $prefix"
mv "$staged" "$prefix" || die "cannot move the build into $prefix"
echo "$stamp" >"$prefix/.complete" || die "cannot write $prefix/.complete"
rm -rf "$scratch" || die "cannot remove the scratch directory $scratch"
echo "$me: installed into $prefix" >&2
