#!/usr/bin/env bash
# Takes the screenshots of this folder: runs Morvel under a virtual display
# over a scratch folder of sample databases and drives it with xdotool.
# Usage: xvfb-run -s "-screen 0 1024x768x24" docs/screenshots/take.sh
# Needs xdotool and ImageMagick's import (Debian packages).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
program="$here/../../build/bin/morvel"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

# The example database, which ./run installs, and further sample databases:
# 324 blank records, then a few squares set.
"$here/../../tools/install_example.sh" "$here/../../build/bin/morvel-cli" \
    "$here/../../data/example/example_2m.adi" "$work" >/dev/null
python3 - <<'PY'
import struct
slot = b" " * 6 + struct.pack("<hh", 0, 0) + b" " * 18
record = slot * 100 + b"\0" * 28
def make(name, squares):
    data = bytearray(record * 324)
    for loc, call, date, confirmed in squares:
        n = 18 * (ord(loc[0]) - 65) + (ord(loc[1]) - 65) + 1
        s = int(loc[2:4])
        off = (n - 1) * 2828 + s * 28
        flags = struct.pack("<hh", 0, -1) if confirmed else struct.pack("<hh", -1, 0)
        data[off:off + 28] = loc.encode().ljust(6) + flags + call.encode().ljust(10) + date.encode().ljust(8)
    open(name, "wb").write(data)
make("2M IO85AB PORTABLE.QRA", [
    ("IO91WM", "G4ABC", "20230514", True), ("IO94FS", "M0XYZ", "20230611", False),
    ("JO01AA", "G3KLM", "20230702", True), ("JO22MA", "PA3DEF", "20230801", False),
    ("IO63VT", "EI5GH", "20230905", True), ("JN18DQ", "F6ABC", "20231001", False),
])
make("70CM JO01CD HOME STATION.QRA", [])
make("6M JO01AB .QRA", [])
PY

shot() {  # window title, output file
    local id
    id="$(xdotool search --sync --onlyvisible --name "$1" | head -1)"
    sleep 0.5
    import -window "$id" "$here/$2"
}

"$program" &
pid=$!
trap 'kill $pid 2>/dev/null || true; rm -rf "$work"' EXIT
shot "Main Menu" main_menu.png
xdotool mousemove 60 129 click 1
sleep 0.5
xdotool mousemove 700 20
shot "Main Menu" main_menu_selected.png
xdotool mousemove 628 116 click 1
shot "Delete a QRA file" delete.png
xdotool mousemove 448 287 click 1
sleep 0.5
xdotool mousemove 468 116 click 1
shot "Create New QRA Database" create_empty.png
xdotool mousemove 110 28 click 1
sleep 0.5
xdotool key Down Down Down Return
xdotool mousemove 144 64 click 1
xdotool type "io85ab"
xdotool mousemove 200 100 click 1
xdotool type "home"
xdotool mousemove 700 20
shot "Create New QRA Database" create.png
kill $pid
