#!/usr/bin/env bash
# Takes the field map screenshots of this folder: the three views, a resized
# window and an exported JPEG, from the example database with squares added
# on other continents. Runs Morvel in a scratch copy of the folder ./run
# installs (program, map files, databases) and drives it with xdotool.
# Usage: xvfb-run -s "-screen 0 1280x1024x24" docs/screenshots/take_maps.sh
# Needs openbox, xdotool and ImageMagick's import (Debian packages).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/x11_helpers.sh"
scratch_install
db="2M JO62QM EXAMPLE.QRA"

# New York, Sydney, London and others far from the example's Europe; the
# import's backup and change log stay in a scratch folder.
mkdir "$work/import"
mv "$work/$db" "$work/import/"
while read -r call loc qsl; do
    printf '<CALL:%d>%s <QSO_DATE:8>20210101 <TIME_ON:4>1200 <BAND:2>2m <GRIDSQUARE:6>%s <QSL_RCVD:1>%s <EOR>\n' \
        "${#call}" "$call" "$loc" "$qsl"
done > "$work/import/far.adi" <<'LOG'
W2AB FN31PR Y
VK2AB QF56OD Y
G4AB IO91WM N
JA1AB PM95VQ N
PY1AB GG87JD Y
ZS6AB KG43DV N
W6AB DM04TA Y
W7AB CN87TO N
W9AB EN61EV Y
LU1AB GF05TJ N
LOG
(cd "$work/import" && "$cli" import-adif "$db" far.adi >/dev/null)
mv "$work/import/$db" "$work/"

start_morvel

menu="$(window "Main Menu")"
sleep 0.5
at "$menu" 60 110 click 1      # the example database
sleep 0.5
at "$menu" 468 174 click 1     # View/Edit, World
map="$(window "Field Select")"
at "$map" 505 159              # over IO91
shot "$map" field_map_world.png
at "$map" 597 729 click 1      # jpg
sleep 1
xdotool key Return
cp "$work/2M JO62QM EXAMPLE World.jpg" "$here/field_map_export.jpg"
at "$map" 853 729 click 1      # EU
at "$map" 283 408              # over IO91
shot "$map" field_map_europe.png
at "$map" 917 729 click 1      # NA
at "$map" 776 302              # over FN31
shot "$map" field_map_na.png
at "$map" 981 729 click 1      # World
xdotool windowsize "$map" 760 420
at "$map" 400 100
shot "$map" field_map_resized.png
