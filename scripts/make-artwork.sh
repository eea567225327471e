#!/bin/sh
# Rebuilds the artwork tool and regenerates resources/tavrin.ico from the
# drawing code. With a folder argument it also dumps every picture as PNG
# there (sheet.png shows them all), for looking at.
#
#   scripts/make-artwork.sh [folder]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build/artwork"
mkdir -p "$out"
# Built straight from its sources so that it does not depend on configuring
# the whole project.
${CXX:-g++} -std=c++20 -O2 -Wall -Wextra -Werror -ffp-contract=off -I"$root" \
  "$root/raster/Bitmap.cpp" "$root"/resources/artwork/*.cpp "$root/tools/make_icon/main.cpp" \
  -o "$out/make_icon"
"$out/make_icon" ico "$root/resources/tavrin.ico"
echo "wrote resources/tavrin.ico"
if [ $# -ge 1 ]; then
  "$out/make_icon" dump "$1"
  echo "wrote the pictures to $1 (see $1/sheet.png)"
fi
