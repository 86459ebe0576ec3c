#!/usr/bin/env bash
# Cross-builds the demo's third-party libraries (zlib, libpng, libopenmpt) as
# static x86-64 Windows libraries, so that a mingw-w64 build of the demo links
# into one self-contained .exe without any DLL beside it. Debian's source
# packages are used because they carry Debian's security fixes and need
# nothing but the package mirrors.
#
# Usage: tools/windows-deps.sh <prefix>
#
# The script owns <prefix> (include/, lib/, lib/pkgconfig/ and the stamp
# <prefix>/.complete) and the scratch directory <prefix>-src. The stamp makes
# a rerun free: a matching one means nothing to do. A build is staged in the
# scratch directory and only moved into <prefix> once everything succeeded,
# so a failed run never leaves a half-filled prefix behind.
set -euo pipefail

readonly me="windows-deps.sh"
readonly host=x86_64-w64-mingw32
readonly cc=$host-gcc-posix
readonly cxx=$host-g++-posix
readonly cflags="-O2"
readonly zlib_version=1.2.13
readonly libpng_version=1.6.39
readonly libopenmpt_version=0.6.9
readonly deb_src_file=/etc/apt/sources.list.d/demo-deb-src.sources
readonly packages=(
  dpkg-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
)

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
# A prefix without a stamp may hold someone else's files; never delete those.
if [ -d "$prefix" ] && [ ! -f "$prefix/.complete" ] && [ -n "$(ls -A "$prefix")" ]; then
  die "$prefix exists and was not made by this script; remove it or pick another prefix"
fi

scratch="$prefix-src"
stage="$scratch/stage"
log="$scratch/step.log"
rm -rf "$scratch" || die "cannot remove the stale scratch directory $scratch"
mkdir -p "$scratch/src" "$stage" || die "cannot create the scratch directory $scratch"

# Build output only matters when something breaks, so each step (run STEP DIR
# CMD...) writes it to the log and the log is shown only when that step fails.
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

# The stamp names upstream releases, so a source of another release (say, from
# a different suite in the source lists) must not be built under it.
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
staged="$stage$prefix"

echo "$me: building zlib $zlib_version" >&2
run "configuring zlib" "$zlib_dir" env CHOST=$host CC=$cc AR=$host-ar RANLIB=$host-ranlib \
  CFLAGS="$cflags" ./configure --static --prefix="$prefix"
run "building zlib" "$zlib_dir" make -j"$jobs" libz.a
run "installing zlib" "$zlib_dir" make install DESTDIR="$stage"

echo "$me: building libpng $libpng_version" >&2
run "configuring libpng" "$libpng_dir" ./configure --build="$build" --host=$host \
  CC=$cc CFLAGS="$cflags" CPPFLAGS="-I$staged/include" LDFLAGS="-L$staged/lib" \
  --prefix="$prefix" --disable-shared --enable-static
run "building libpng" "$libpng_dir" make -j"$jobs"
run "installing libpng" "$libpng_dir" make install DESTDIR="$stage"

# Every optional codec and output is switched off: the demo plays an XM
# through the C API, and each extra library would have to be cross-built too.
echo "$me: building libopenmpt $libopenmpt_version" >&2
run "configuring libopenmpt" "$libopenmpt_dir" ./configure --build="$build" --host=$host \
  CC=$cc CXX=$cxx CFLAGS="$cflags" CXXFLAGS="$cflags" CXXSTDLIB_PCLIBSPRIVATE=-lstdc++ \
  --prefix="$prefix" --disable-shared --enable-static \
  --disable-openmpt123 --disable-examples --disable-tests --disable-doxygen-doc \
  --without-zlib --without-mpg123 --without-ogg --without-vorbis --without-vorbisfile \
  --without-pulseaudio --without-portaudio --without-portaudiocpp --without-sdl2 \
  --without-sndfile --without-flac
run "building libopenmpt" "$libopenmpt_dir" make -j"$jobs"
run "installing libopenmpt" "$libopenmpt_dir" make install DESTDIR="$stage"

# Consumers go through pkg-config; libtool archives would carry staging paths,
# and the executables, config scripts and manuals are of no use to them.
run "pruning the staged tree" "$staged" sh -c 'rm -rf bin share && rm -f lib/*.la'
for f in include/zlib.h include/zconf.h include/png.h include/pngconf.h include/pnglibconf.h \
  include/libopenmpt/libopenmpt.h lib/libz.a lib/libpng16.a lib/libpng.a lib/libopenmpt.a \
  lib/pkgconfig/zlib.pc lib/pkgconfig/libpng.pc lib/pkgconfig/libpng16.pc lib/pkgconfig/libopenmpt.pc; do
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
