#!/usr/bin/env bash
# Builds the Windows release of this tree into build/release/:
#   tavrin-<version>-setup.exe   the installer (installer/tavrin.nsi)
#   tavrin-<version>-win64.zip   the portable program
#   SHA256SUMS                   of both
# It installs what it needs first (scripts/setup.sh) and builds the 64-bit
# program in a folder of its own, build/release-build, with the windows
# preset's settings (release, -O2, static). The version is the project's
# (the top CMakeLists.txt). Safe to run again: it rebuilds what changed and
# writes build/release/ anew.
set -euo pipefail
# A step that fails ends the script; it says which, rather than ending silently.
trap 'rc=$?; echo "release: stopped at line $LINENO, where \"$BASH_COMMAND\" failed (exit $rc)" >&2' ERR
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
t0=$SECONDS

bash "$TAVRIN_ROOT/scripts/setup.sh"
cd "$TAVRIN_ROOT"
build="$TAVRIN_ROOT/build/release-build"
out="$TAVRIN_ROOT/build/release"

tavrin_say "building the release program in $build"
cmake --preset windows -B "$build" "-DTAVRIN_LIBJPEG_ROOT=$(tavrin_libjpeg_root x86_64)" >/dev/null
cmake --build "$build" -j 2 --target tavrin
version="$(cat "$build/tavrin-version")"

tavrin_say "packaging Tavrin $version"
rm -rf "$out"
bash "$TAVRIN_ROOT/installer/package.sh" "$build/app" "$version" "$out"
cat "$out/SHA256SUMS"
echo "release: $out, in $((SECONDS - t0)) s"
