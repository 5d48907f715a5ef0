#!/usr/bin/env bash
# Rebuilds the five map outline files in data/maps from the GSHHG shoreline
# and border database through GMT (Debian packages gmt, gmt-gshhg-low and
# gmt-gshhg). Only this script needs GMT; the program reads the files.
#
# Usage: tools/make_maps.sh [BUILD_DIR]   (default: build; outline_gen must be built)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
gen="$build/bin/outline_gen"
out=data/maps

# Thresholds (km2 of enclosed area; GSHHG levels 1 land, 2 lakes).
field_res=i          # field views: about 1 minute of arc, the scale they draw at
world_res=l          # world map: a minute of the map is far below a pixel there
coast_area=5000      # continents and islands of this size and more: coast.pnt
lake_area=500        # lakes of this size and more: also coast.pnt
island_area=1        # smaller islands down to this size: island.pnt
world_area=500       # land and lakes drawn on the world map: mapper.pnt
# The world map keeps real lakes only (+l): the river-lakes GSHHG adds along the
# great rivers (Ob, Yenisei, Amazon, Congo) read as long stray lines at that scale.

command -v gmt >/dev/null || { echo "make_maps.sh: gmt is not installed (apt-get install gmt gmt-gshhg)" >&2; exit 1; }
[ -x "$gen" ] || { echo "make_maps.sh: build $gen first" >&2; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# GMT leaves a gmt.history in its working folder: keep that in the scratch folder.
dump() { local name=$1; shift; (cd "$tmp" && gmt coast -Rd -M "$@" > "$name.txt"); }

dump large   -D$field_res -W -A$coast_area/1/1
dump lakes   -D$field_res -W -A$lake_area/2/2
dump islands -D$field_res -W -A$island_area/1/1
dump country -D$field_res -N1
dump state   -D$field_res -N2
dump world   -D$world_res -W -A$world_area/1/2+l

mkdir -p "$out"
"$gen" --out "$out/coast.pnt" "$tmp/large.txt" "$tmp/lakes.txt"
"$gen" --out "$out/island.pnt" --exclude "$tmp/large.txt" "$tmp/islands.txt"
"$gen" --out "$out/country.pnt" "$tmp/country.txt"
"$gen" --out "$out/state.pnt" "$tmp/state.txt"
"$gen" --out "$out/mapper.pnt" "$tmp/world.txt"
