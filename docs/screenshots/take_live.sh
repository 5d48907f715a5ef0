#!/usr/bin/env bash
# Takes the live-contact screenshots of this folder: the main menu listening
# with its new-square line, and the field map ringing a square that has just
# arrived. Runs Morvel in a scratch folder with the example database and a
# settings file of its own, and sends QSO Logged datagrams as WSJT-X does,
# to 127.0.0.1 only.
# Usage: xvfb-run -s "-screen 0 1280x1024x24" docs/screenshots/take_live.sh
# Needs openbox, xdotool, python3 and ImageMagick's import (Debian packages).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/x11_helpers.sh"
scratch_install
port=22399
export HOME="$work/home"
mkdir -p "$HOME/.config/Morvel"
printf '[live]\nsource=127.0.0.1:%s\nhighlight=false\n' "$port" >"$HOME/.config/Morvel/Morvel.conf"

# QSO Logged (type 5, schema 2): date and time off, call, grid, Tx frequency, mode.
send() {
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
send OK1ABC JO70 LA1AB JP50 DL7AA JO62
sleep 1
shot "$menu" live_main_menu.png
at "$menu" 468 174 click 1     # View/Edit, World
map="$(window "Field Select")"
at "$map" 853 729 click 1      # EU
sleep 1.5
send OH2AB KP20
sleep 0.3
shot "$map" live_field_map.png
