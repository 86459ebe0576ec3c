# deb-source-libs.sh - sourced by the scripts that build the demo's
# third-party libraries (zlib, libpng, libopenmpt) for another platform from
# Debian's source packages, which carry Debian's security fixes and need
# nothing but the package mirrors. The script sets `me`, `packages` and the
# three versions, calls deb_source_start <prefix>, builds each library with
# `run` into "$stage" (installed under "$staged" for its own includes), and
# ends with deb_source_finish <files it must have made...>.
#
# The caller owns <prefix> (include/, lib/, lib/pkgconfig/ and the stamp
# <prefix>/.complete) and the scratch directory <prefix>-src. The stamp makes
# a rerun free: a matching one means nothing to do. A build is staged in the
# scratch directory and only moved into <prefix> once everything succeeded,
# so a failed run never leaves a half-filled prefix behind.

readonly deb_src_file=/etc/apt/sources.list.d/demo-deb-src.sources

die() {
  echo "$me: $*" >&2
  exit 1
}

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

# Exits at once when <prefix> holds this very build; otherwise installs the
# packages, fetches and unpacks the sources, and sets prefix, scratch, stage,
# staged, log, build, jobs and the *_dir of each library.
deb_source_start() {
  [ $# -eq 1 ] && [ -n "$1" ] || die "usage: $me <prefix>"
  prefix=$(realpath -m -- "$1")
  [ "$prefix" != / ] || die "refusing to use / as the prefix"

  # Any edit of the script or of this file (flags, options, versions) must
  # invalidate the cache.
  local script_hash
  script_hash=$(cat "$0" "${BASH_SOURCE[0]}" | sha256sum | cut -c1-16)
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

  local sudo=() missing=() p
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || die "not root and sudo is missing: cannot install packages"
    sudo=(sudo)
  fi
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

  zlib_dir=$(source_dir zlib "$zlib_version")
  libpng_dir=$(source_dir libpng1.6 "$libpng_version")
  libopenmpt_dir=$(source_dir libopenmpt "$libopenmpt_version")

  build=$(dpkg-architecture -qDEB_BUILD_GNU_TYPE) || die "dpkg-architecture cannot name the build machine"
  jobs=$(nproc)
  staged="$stage$prefix"
}

# Checks that the staged tree has every file named and no staging path, and
# moves it into <prefix> under its stamp.
deb_source_finish() {
  # Consumers go through pkg-config; libtool archives would carry staging
  # paths, and the executables, config scripts and manuals are of no use.
  run "pruning the staged tree" "$staged" sh -c 'rm -rf bin share && rm -f lib/*.la'
  local f
  for f in "$@"; do
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
}
