#!/usr/bin/env bash
# Cross-builds the demo's third-party libraries (zlib, libpng, libopenmpt) as
# static x86-64 Windows libraries, so that a mingw-w64 build of the demo links
# into one self-contained .exe without any DLL beside it, from Debian's
# source packages (tools/deb-source-libs.sh: the cache, the staging and the
# sources).
#
# Usage: tools/windows-deps.sh <prefix>
set -euo pipefail

readonly me="windows-deps.sh"
readonly host=x86_64-w64-mingw32
readonly cc=$host-gcc-posix
readonly cxx=$host-g++-posix
readonly cflags="-O2"
readonly zlib_version=1.2.13
readonly libpng_version=1.6.39
readonly libopenmpt_version=0.6.9
readonly packages=(
  dpkg-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
)

. "$(dirname "${BASH_SOURCE[0]}")/deb-source-libs.sh"
deb_source_start "$@"

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

deb_source_finish include/zlib.h include/zconf.h include/png.h include/pngconf.h include/pnglibconf.h \
  include/libopenmpt/libopenmpt.h lib/libz.a lib/libpng16.a lib/libpng.a lib/libopenmpt.a \
  lib/pkgconfig/zlib.pc lib/pkgconfig/libpng.pc lib/pkgconfig/libpng16.pc lib/pkgconfig/libopenmpt.pc
