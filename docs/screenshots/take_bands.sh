#!/usr/bin/env bash
# Takes the screenshots of every band at a glance: the overview window with
# the example database and two more bands (70 cm and 6 m, made from the
# example log's contacts), the all-bands map and the first page of the award
# list PDF.
# Usage: xvfb-run -a -s "-screen 0 1280x1024x24" docs/screenshots/take_bands.sh
# Needs openbox, xdotool, ImageMagick's import and pdftoppm (poppler-utils).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$here/../.."
cli="$root/build/bin/morvel-cli"
log="$root/data/example/example_2m.adi"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
install -m 755 "$root/build/bin/morvel" "$root/build/bin/morvel-cli" "$work/"
cp "$root"/build/bin/*.pnt "$work/"
"$root/tools/install_example.sh" "$cli" "$log" "$work" >/dev/null

# The other bands from some of the same contacts; backups and change logs
# stay in a scratch folder.
mkdir "$work/import"
awk 'NR <= 3 || NR % 3 == 0' "$log" | sed 's/<BAND:2>2m/<BAND:4>70cm/' > "$work/import/70cm.adi"
awk 'NR <= 3 || NR % 4 == 1' "$log" | sed 's/<BAND:2>2m/<BAND:2>6m/' > "$work/import/6m.adi"
(cd "$work/import" &&
    "$cli" create 70cm JO62QM example >/dev/null && "$cli" import-adif "70CM JO62QM EXAMPLE.QRA" 70cm.adi >/dev/null &&
    "$cli" create 6m JO62QM example >/dev/null && "$cli" import-adif "6M JO62QM EXAMPLE.QRA" 6m.adi >/dev/null &&
    mv ./*EXAMPLE.QRA "$work/")

(cd "$work" && ./morvel-cli map --all-bands . "$here/all_bands_map.png" >/dev/null &&
    ./morvel-cli award-list "2M JO62QM EXAMPLE.QRA" "$work/award.pdf" >/dev/null)
pdftoppm -png -r 80 -f 1 -l 1 -singlefile "$work/award.pdf" "$here/award_list"

openbox >/dev/null 2>&1 &
wm=$!
sleep 1
(cd "$work" && exec ./morvel 2>/dev/null) &
pid=$!
trap 'kill $pid $wm 2>/dev/null || true; rm -rf "$work"' EXIT
# --sync waits for the window to appear.
menu="$(xdotool search --sync --onlyvisible --name "Main Menu" | head -1)"
sleep 0.5
xdotool mousemove --window "$menu" 468 470 click 1   # Every Band...
overview="$(xdotool search --sync --onlyvisible --name "Every Band" | head -1)"
sleep 1
import -window "$overview" "$here/overview.png"
