#!/usr/bin/env bash
# Takes the moving map's screenshots: the whole world with every band, Europe
# at field scale with the field letters, one field with its square numbers
# and coastlines, and a square's tool tip. The folder holds the example
# database and two more bands made from the example log's contacts, with
# the ledger the imports filled.
# Usage: xvfb-run -a -s "-screen 0 1280x1024x24" docs/screenshots/take_moving_map.sh
# Needs openbox, xdotool and ImageMagick's import.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/x11_helpers.sh"
root="$here/../.."
cli="$root/build/bin/morvel-cli"
log="$root/data/example/example_2m.adi"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
install -m 755 "$root/build/bin/morvel" "$work/"
cp "$root"/build/bin/*.pnt "$work/"
mkdir "$work/import"
awk 'NR <= 3 || NR % 3 == 0' "$log" | sed 's/<BAND:2>2m/<BAND:4>70cm/' > "$work/import/70cm.adi"
awk 'NR <= 3 || NR % 4 == 1' "$log" | sed 's/<BAND:2>2m/<BAND:2>6m/' > "$work/import/6m.adi"
(cd "$work/import" &&
    "$cli" create 2m JO62QM example >/dev/null && "$cli" import-adif "2M JO62QM EXAMPLE.QRA" "$log" >/dev/null &&
    "$cli" create 70cm JO62QM example >/dev/null && "$cli" import-adif "70CM JO62QM EXAMPLE.QRA" 70cm.adi >/dev/null &&
    "$cli" create 6m JO62QM example >/dev/null && "$cli" import-adif "6M JO62QM EXAMPLE.QRA" 6m.adi >/dev/null &&
    mv ./*EXAMPLE.QRA contacts.sqlite "$work/")
export HOME="$work/home"
mkdir -p "$HOME/.config/Morvel"
start_morvel

menu="$(window "Main Menu")"
sleep 0.5
at "$menu" 60 130 click 1      # the 2 m database
at "$menu" 468 424 click 1     # Moving Map...
map="$(window "Moving Map")"
sleep 0.5
# Every band checked: the world with the squares of all three.
for row in 39 71; do at "$map" 21 $row click 1; done
at "$map" 600 600 mousemove 0 0
shot "$map" moving_map_world.png
# Europe at field scale: the wheel about JO, seven notches.
at "$map" "${EUROPE_X:-711}" "${EUROPE_Y:-150}" click --repeat 7 --delay 80 4
shot "$map" moving_map_europe.png
# Field JO with its square numbers and coastlines.
at "$map" "${FIELD_X:-711}" "${FIELD_Y:-150}" click --repeat 6 --delay 80 4
shot "$map" moving_map_field.png
# The pointer at rest over JO62: the square's contacts.
at "$map" "${TIP_X:-430}" "${TIP_Y:-150}"
sleep 0.3
at "$map" "${TIP_X:-430}" "$((${TIP_Y:-150} + 1))"
sleep 1.5
import -window root "$work/root.png"
# The tool tip is a window of its own: the screen cut to the map's window.
geometry="$(xwininfo -id "$map" | awk '/Absolute upper-left X/{x=$NF}/Absolute upper-left Y/{y=$NF}
    /Width:/{w=$NF}/Height:/{h=$NF}END{print w"x"h"+"x"+"y}')"
convert "$work/root.png" -crop "$geometry" +repage "$here/moving_map_tooltip.png"
