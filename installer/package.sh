#!/usr/bin/env bash
# Packs a built program into the release's three files:
#   installer/package.sh <program folder> <version> <out folder>
# The program folder is where the build put tavrin.exe and its cursor files.
# Writes <out>/tavrin-<version>-setup.exe (the installer, tavrin.nsi),
# <out>/tavrin-<version>-win64.zip (the portable program) and <out>/SHA256SUMS,
# replacing earlier copies. scripts/release.sh calls it after its build, the
# end-to-end test on the program the test suite built.
#
# The program goes in stripped of its debugging sections. File times inside
# the zip are those of SOURCE_DATE_EPOCH (by default the time of the last
# commit), so the same program gives the same zip.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/.." && pwd)"
prog="${1:?usage: package.sh <program folder> <version> <out folder>}"
version="${2:?usage: package.sh <program folder> <version> <out folder>}"
out="${3:?usage: package.sh <program folder> <version> <out folder>}"

[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || { echo "package: '$version' is not a version x.y.z" >&2; exit 2; }
program_files=(tavrin.exe Ok.ico Wrong.ico circle.ico)
for f in "${program_files[@]}"; do
  [ -f "$prog/$f" ] || { echo "package: $prog/$f is missing (build the program first)" >&2; exit 1; }
done
command -v makensis >/dev/null || { echo "package: makensis is missing (run scripts/setup.sh)" >&2; exit 1; }
command -v zip >/dev/null || { echo "package: zip is missing (run scripts/setup.sh)" >&2; exit 1; }
strip=x86_64-w64-mingw32-strip
command -v "$strip" >/dev/null || { echo "package: $strip is missing (run scripts/setup.sh)" >&2; exit 1; }

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH="$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)"
fi

mkdir -p "$out"
out="$(cd "$out" && pwd)"
setup="tavrin-$version-setup.exe"
zipname="tavrin-$version-win64.zip"
stage="$out/.stage"
rm -rf "$stage"
mkdir -p "$stage"
trap 'rm -rf "$stage"' EXIT

# What the zip holds is also what the installer installs. The text files
# carry the program's name, as they may land in a folder shared with others.
for f in "${program_files[@]}"; do cp "$prog/$f" "$stage/$f"; done
# strip would stamp the exe's header with the time of the day; at 0 it stays
# as the linker left it (no time), and the same program strips to the same
# bytes.
SOURCE_DATE_EPOCH=0 "$strip" --strip-all "$stage/tavrin.exe"
crlf() { sed -e 's/\r$//' -e 's/$/\r/'; }  # Notepad's line ends
title="Tavrin $version"
sed -e "s/@VERSION@/$version/g" -e "s/^@UNDERLINE@\$/$(printf '%*s' ${#title} '' | tr ' ' =)/" \
  "$here/README.txt" | crlf >"$stage/Tavrin README.txt"
crlf <"$root/LICENSE" >"$stage/Tavrin LICENSE.txt"
files=("${program_files[@]}" "Tavrin README.txt" "Tavrin LICENSE.txt")
chmod 0644 "$stage"/*
touch -d "@$SOURCE_DATE_EPOCH" "$stage"/*

rm -f "$out/$zipname" "$out/$setup" "$out/SHA256SUMS"
# zip stores local times: UTC makes them the same on every machine.
(cd "$stage" && TZ=UTC zip -q -X -D "$out/$zipname.part" "${files[@]}")
mv "$out/$zipname.part" "$out/$zipname"

makensis -V2 -NOCD "-DVERSION=$version" "-DSOURCE=$stage" "-DICON=$root/resources/tavrin.ico" \
  "-DOUTFILE=$out/$setup.part" "$here/tavrin.nsi" >"$stage/makensis.log" 2>&1 ||
  { cat "$stage/makensis.log" >&2; exit 1; }
mv "$out/$setup.part" "$out/$setup"

(cd "$out" && sha256sum "$setup" "$zipname" >SHA256SUMS)
echo "package: $out/{$setup,$zipname,SHA256SUMS}"
