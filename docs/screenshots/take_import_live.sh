#!/usr/bin/env bash
# Takes live_import_field_map.png: the field map listening while morvel-cli
# imports a large log (200,000 contacts) into the same database, and prints
# how long the import took and how many live contacts the change log lists
# afterwards. Datagrams go to 127.0.0.1 only.
# Usage: xvfb-run -s "-screen 0 1280x1024x24" docs/screenshots/take_import_live.sh
# Needs openbox, xdotool, python3 and ImageMagick's import (Debian packages).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/x11_helpers.sh"
scratch_install
port=22401
export HOME="$work/home"
mkdir -p "$HOME/.config/Morvel"
printf '[live]\nsource=127.0.0.1:%s\nhighlight=false\n' "$port" >"$HOME/.config/Morvel/Morvel.conf"
db="2M JO62QM EXAMPLE.QRA"

# 200,000 contacts on 2 m over the whole globe, squares 00 to 49 of every
# field, each many times; the live contacts below are in squares 50 to 99,
# which neither this log nor the example has worked, so each is a new square
# that the change log must list.
python3 - "$work/big.adi" <<'PY'
import sys
with open(sys.argv[1], "w") as out:
    out.write("made for the screenshot<eoh>\n")
    for n in range(200000):
        f, s = n % 324, n // 324 % 50
        grid = chr(65 + f // 18) + chr(65 + f % 18) + str(s // 10) + str(s % 10)
        call = "K%dX%04d" % (n % 10, n % 10000)
        out.write("<call:%d>%s<gridsquare:4>%s<band:2>2m<mode:3>FT8<qso_date:8>2025%02d%02d"
                  "<time_on:4>%02d%02d<eor>\n" % (len(call), call, grid, n % 12 + 1, n % 28 + 1,
                                                  n % 24, n % 60))
PY

send() {  # QSO Logged (type 5, schema 2) for each call and grid
    python3 - "$port" "$@" <<'PY'
import datetime, socket, struct, sys
def text(s):
    b = s.encode()
    return struct.pack('>I', len(b)) + b
jd = datetime.date.today().toordinal() + 1721425
port, pairs = int(sys.argv[1]), sys.argv[2:]
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
for call, grid in zip(pairs[::2], pairs[1::2]):
    s.sendto(struct.pack('>III', 0xadbccbda, 2, 5) + text('WSJT-X') +
             struct.pack('>qIB', jd, 19 * 3600000, 1) + text(call) + text(grid) +
             struct.pack('>Q', 144174000) + text('FT8'), ('127.0.0.1', port))
PY
}

start_morvel
menu="$(window "Main Menu")"
sleep 0.5
at "$menu" 60 110 click 1      # the example database
sleep 0.5
at "$menu" 628 56 click 1      # Listen
sleep 0.5
at "$menu" 468 174 click 1     # View/Edit, World
map="$(window "Field Select")"
sleep 1
start=$(date +%s.%N)
(cd "$work" && "$cli" import-adif "$db" big.adi >"$work/import.out" 2>&1) &
importer=$!
calls=(OK1LIV JO76 LA1LIV JP55 OH2LIV KP65 EA1LIV IN85 SV1LIV KM58 W1LIV FN72)
for i in 0 2 4 6 8 10; do
    send "${calls[$i]}" "${calls[$((i + 1))]}"
    sleep 0.15
done
shot "$map" live_import_field_map.png
wait "$importer"
end=$(date +%s.%N)
echo "import of 200,000 contacts: $(echo "$end - $start" | bc) s: $(tr '\n' ' ' <"$work/import.out")"
send VK2LIV QF56 ZL1LIV RF73
sleep 2
listed=0
for c in OK1LIV LA1LIV OH2LIV EA1LIV SV1LIV W1LIV VK2LIV ZL1LIV; do
    grep -q "^$c " "$work/changelog.txt" && listed=$((listed + 1))
done
echo "live contacts in the change log: $listed of 8"
