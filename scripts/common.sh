# Shared by setup.sh, run.sh and test.sh. Source it; it changes nothing.

TAVRIN_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
TAVRIN_CACHE="${XDG_CACHE_HOME:-$HOME/.cache}/tavrin"

# Where setup.sh installs the static libjpeg for a mingw architecture
# (x86_64 or i686); the Windows presets get it as TAVRIN_LIBJPEG_ROOT.
tavrin_libjpeg_root() { echo "$TAVRIN_CACHE/libjpeg-$1"; }

tavrin_say() { printf '\n== %s\n' "$*"; }

tavrin_as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}
