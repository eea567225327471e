#!/bin/sh
# Rebuilds the artwork tools and regenerates what is committed from the
# drawing code: resources/tavrin.ico, the effect table's title picture as JPEG
# bytes (resources/artwork/EffectTableTitleJpeg.cpp) and the contact sheet
# docs/artwork.png. With a folder argument it also dumps every picture as PNG
# there (sheet.png and dialog_sheet.png show them all), for looking at.
#
#   scripts/make-artwork.sh [folder]
#
# Needs g++ and libjpeg's development files (scripts/setup.sh installs both);
# ImageMagick, when present, compresses the contact sheet.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build/artwork"
mkdir -p "$out"
# Built straight from their sources so that they do not depend on configuring
# the whole project.
flags="-std=c++20 -O2 -Wall -Wextra -Werror -ffp-contract=off -I$root"
${CXX:-g++} $flags "$root/raster/Bitmap.cpp" "$root"/resources/artwork/*.cpp \
  "$root/tools/make_icon/main.cpp" -o "$out/make_icon"
${CXX:-g++} $flags "$root/raster/Bitmap.cpp" "$root"/resources/artwork/*.cpp \
  "$root/tools/make_title/main.cpp" -ljpeg -o "$out/make_title"

"$out/make_icon" ico "$root/resources/tavrin.ico"
echo "wrote resources/tavrin.ico"
"$out/make_title" source "$root/resources/artwork/EffectTableTitleJpeg.cpp"
echo "wrote resources/artwork/EffectTableTitleJpeg.cpp"
"$out/make_title" sheet "$out/artwork.png"
mkdir -p "$root/docs"
if command -v convert >/dev/null 2>&1; then
  convert "$out/artwork.png" -define png:compression-level=9 "$root/docs/artwork.png"
else
  cp "$out/artwork.png" "$root/docs/artwork.png"
fi
echo "wrote docs/artwork.png"
if [ $# -ge 1 ]; then
  "$out/make_icon" dump "$1"
  "$out/make_title" dump "$1"
  echo "wrote the pictures to $1 (see $1/sheet.png and $1/dialog_sheet.png)"
fi
