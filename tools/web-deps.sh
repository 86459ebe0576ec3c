#!/usr/bin/env bash
# Builds the demo's third-party libraries (zlib, libpng, libopenmpt) as
# static WebAssembly libraries with Debian's emscripten, from Debian's source
# packages (tools/deb-source-libs.sh: the cache, the staging and the
# sources), as tools/windows-deps.sh does for Windows.
#
# Usage: tools/web-deps.sh <prefix>
set -euo pipefail

readonly me="web-deps.sh"
readonly host=wasm32-unknown-emscripten
# -fexceptions: libopenmpt reports failures by throwing inside its C API.
readonly cflags="-O2 -fexceptions"
readonly zlib_version=1.2.13
readonly libpng_version=1.6.39
readonly libopenmpt_version=0.6.9
readonly packages=(dpkg-dev emscripten)
# Debian's node may not search Debian's own module folder, where emscripten's
# JavaScript dependencies are.
export NODE_PATH=/usr/share/nodejs

. "$(dirname "${BASH_SOURCE[0]}")/deb-source-libs.sh"
deb_source_start "$@"
[ "$jobs" -le 2 ] || jobs=2

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

deb_source_finish include/zlib.h include/png.h include/libopenmpt/libopenmpt.h lib/libz.a lib/libpng16.a \
  lib/libopenmpt.a lib/pkgconfig/zlib.pc lib/pkgconfig/libpng.pc lib/pkgconfig/libopenmpt.pc
