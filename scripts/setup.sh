#!/usr/bin/env bash
# Installs what building, running and testing Tavrin needs on Debian 12, and
# cross-builds the static libjpeg that the Windows builds link. Safe to run
# again: it installs only what is missing and builds only what is not cached.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"

packages=(
  # native build and its tests (libjpeg decodes the effect table's title picture)
  g++ cmake ninja-build libgtest-dev libgmock-dev googletest clang-format clang-tidy libjpeg-dev
  # the simulated system's PNG files (the saved overlay), written and read back
  libpng-dev
  # the decoder's fuzz target (scripts/fuzz.sh): clang with libFuzzer
  clang libclang-rt-dev
  # Windows builds
  g++-mingw-w64-x86-64 g++-mingw-w64-i686
  # running the program: 64-bit Wine only (the 32-bit loader cannot run here
  # and, once installed, breaks every wine call) and Wine's own fonts
  wine wine64 fonts-wine fonts-liberation
  # the virtual display and the tools that drive and watch it
  xvfb xauth xdotool x11-utils x11-xserver-utils imagemagick socat
  # a window manager for the benchmarks (Wine waits for one in every hide)
  openbox
  # unpacking the libjpeg source package
  dpkg-dev xz-utils
  # the release (scripts/release.sh): the installer and the portable zip;
  # its test makes a folder read-only for root with chattr
  nsis zip unzip e2fsprogs
)

missing=()
for p in "${packages[@]}"; do
  [ "$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null)" = installed ] || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  tavrin_say "installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # Package lists may be absent (a fresh machine) or stale: refresh them once
  # when the first attempt cannot find something.
  if ! tavrin_as_root apt-get install -y --no-install-recommends "${missing[@]}"; then
    tavrin_as_root apt-get update
    tavrin_as_root apt-get install -y --no-install-recommends "${missing[@]}"
  fi
fi
if dpkg-query -W -f='${db:Status-Status}' wine32:i386 2>/dev/null | grep -q installed; then
  echo "setup: wine32:i386 is installed; /usr/bin/wine would pick its 32-bit loader, which cannot run here." >&2
  echo "setup: the scripts call /usr/lib/wine/wine64 directly, but consider removing wine32." >&2
fi

# --- libjpeg for the Windows builds ---------------------------------------------
# Debian ships no mingw build of libjpeg, but its source package cross-builds
# as it is. It is fetched through a private apt configuration whose only
# source is a deb-src line for the system's own Debian archive, so the
# system's apt set-up stays untouched.

debian_uri() {
  local codename="$1" f
  # One-line format: "deb [options] URI suite components..."
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    awk -v c="$codename" '
      $1 == "deb" { i = 2; if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
                    if ($(i + 1) == c) { print $i; exit } }' "$f"
  done
  # deb822 format: stanzas of "Field: value" lines.
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk -v c="$codename" '
      function flush() { if (types ~ /(^| )deb( |$)/ && (" " suites " ") ~ (" " c " ") && uris != "") { split(uris, u, " "); print u[1]; found = 1 }
                         types = suites = uris = "" }
      /^[ \t]*$/ { flush(); if (found) exit; next }
      /^Types:/  { sub(/^Types:[ \t]*/, ""); types = $0 }
      /^URIs:/   { sub(/^URIs:[ \t]*/, ""); uris = $0 }
      /^Suites:/ { sub(/^Suites:[ \t]*/, ""); suites = $0 }
      END { if (!found) flush() }' "$f"
  done
}

fetch_libjpeg_source() {  # prints the unpacked source folder
  local src="$TAVRIN_CACHE/src" apt="$TAVRIN_CACHE/apt" dir
  dir="$(find "$src" -maxdepth 1 -type d -name 'libjpeg-turbo-*' 2>/dev/null | head -n 1)"
  if [ -n "$dir" ] && [ -f "$dir/CMakeLists.txt" ]; then echo "$dir"; return; fi

  local codename uri
  codename="$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")"
  uri="$(debian_uri "$codename" | head -n 1)"
  [ -n "$uri" ] || { echo "setup: no Debian '$codename' source found in the apt configuration" >&2; return 1; }
  mkdir -p "$apt/sources.list.d" "$apt/lists/partial" "$apt/cache/archives/partial" "$src"
  echo "deb-src $uri $codename main" >"$apt/sources.list.d/debian-src.list"
  local opts=(-o Dir::Etc::sourcelist=/dev/null -o "Dir::Etc::sourceparts=$apt/sources.list.d"
              -o "Dir::State::lists=$apt/lists" -o "Dir::Cache=$apt/cache")
  # The private folders live in the user's cache, which apt's download user
  # may not be able to enter.
  if [ "$(id -u)" -eq 0 ]; then opts+=(-o APT::Sandbox::User=root); fi
  apt-get "${opts[@]}" update >&2
  rm -rf "$src/dl" && mkdir -p "$src/dl"
  (cd "$src/dl" && apt-get "${opts[@]}" source --download-only libjpeg-turbo >&2)
  local dsc
  dsc="$(ls "$src"/dl/libjpeg-turbo_*.dsc | head -n 1)"
  (cd "$src" && dpkg-source --no-check -x "$dsc" >&2)
  find "$src" -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -n 1
}

build_libjpeg() {  # arch
  local arch="$1" root src build
  root="$(tavrin_libjpeg_root "$arch")"
  if [ -f "$root/include/jpeglib.h" ] && ls "$root"/lib*/libjpeg.a >/dev/null 2>&1; then
    echo "libjpeg for $arch: cached in $root"
    return
  fi
  tavrin_say "cross-building libjpeg for $arch"
  src="$(fetch_libjpeg_source)"
  build="$TAVRIN_CACHE/build-libjpeg-$arch"
  rm -rf "$build" "$root.partial"
  cmake -S "$src" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$TAVRIN_ROOT/cmake/mingw-w64-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$root.partial" \
    -DWITH_SIMD=0 -DENABLE_SHARED=0 -DWITH_TURBOJPEG=0 >"$TAVRIN_CACHE/libjpeg-$arch.log" 2>&1 ||
    { tail -30 "$TAVRIN_CACHE/libjpeg-$arch.log" >&2; return 1; }
  cmake --build "$build" -j 2 >>"$TAVRIN_CACHE/libjpeg-$arch.log" 2>&1 &&
    cmake --install "$build" >>"$TAVRIN_CACHE/libjpeg-$arch.log" 2>&1 ||
    { tail -30 "$TAVRIN_CACHE/libjpeg-$arch.log" >&2; return 1; }
  # Renamed only when complete, so an interrupted build is not taken for a
  # cached one.
  mv "$root.partial" "$root"
  rm -rf "$build"
  echo "libjpeg for $arch: built into $root"
}

mkdir -p "$TAVRIN_CACHE"
build_libjpeg x86_64
build_libjpeg i686
echo "TAVRIN_LIBJPEG_ROOT for the windows preset:     $(tavrin_libjpeg_root x86_64)"
echo "TAVRIN_LIBJPEG_ROOT for the windows-x86 preset: $(tavrin_libjpeg_root i686)"
