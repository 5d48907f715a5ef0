#!/usr/bin/env bash
# Takes wsjtx_6m.png and wsjtx_2m.png: Debian's WSJT-X 2.6.1 pointed at
# Morvel's listener (127.0.0.1 only) with "Accept UDP requests" ticked, its
# Band Activity coloured by Morvel on 6 m from the 6 m database, then after
# a band change on 2 m from the 2 m one. There is no radio or sound card:
# WSJT-X decodes an FT8 recording made by its own ft8sim (File > Open).
# Usage: xvfb-run -s "-screen 0 1280x1024x24" docs/screenshots/take_wsjtx.sh
# Needs wsjtx, openbox, xdotool, python3 and ImageMagick's import.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/x11_helpers.sh"
scratch_install
port=22401
export HOME="$work/home"
mkdir -p "$HOME/.config/Morvel"
printf '[live]\nsource=127.0.0.1:%s\nhighlight=true\n' "$port" >"$HOME/.config/Morvel/Morvel.conf"
printf '[Configuration]\nMyCall=SP2XYZ\nMyGrid=JO93\nUDPServer=127.0.0.1\nUDPServerPort=%s\nAcceptUDPRequests=true\n' \
    "$port" >"$HOME/.config/WSJT-X - Morvel.ini"

# The 6 m database: FN42 worked, EN37 not.
(cd "$work" && "$cli" create 6m JO62QM home >/dev/null &&
    printf '<call:5>K1ABC<gridsquare:4>FN42<band:2>6m<qso_date:8>20261101<eor>\n' >w.adi &&
    "$cli" import-adif "6M JO62QM HOME.QRA" w.adi --no-ledger >/dev/null &&
    rm w.adi "6M JO62QM HOME backup.qra" changelog.txt)

# One FT8 period of three callers, mixed from ft8sim's single-signal files.
(cd "$work" && mkdir sim && cd sim &&
    f=500 && for m in "CQ K1ABC FN42" "CQ W9XYZ EN37" "CQ OK1ABC JO70"; do
        ft8sim "$m" "$f" 0.0 0.1 1.0 1 -8 >/dev/null
        mv 000000_000001.wav "sig$f.wav"
        f=$((f + 700))
    done &&
    python3 - <<'PY'
import array, glob, wave
parts = []
for name in sorted(glob.glob('sig*.wav')):
    with wave.open(name) as w:
        params = w.getparams()
        parts.append(array.array('h', w.readframes(w.getnframes())))
mixed = array.array('h', (max(-32768, min(32767, sum(s))) for s in zip(*parts)))
with wave.open('../261207_190000.wav', 'wb') as out:
    out.setparams(params)
    out.writeframes(mixed.tobytes())
PY
)

start_morvel
menu="$(window "Main Menu")"
sleep 0.5
at "$menu" 60 128 click 1      # the second database, 6M JO62QM HOME.QRA
sleep 0.5
at "$menu" 628 56 click 1      # Listen
sleep 0.5

wsjtx --rig-name=Morvel >/dev/null 2>&1 &
wsjtx_pid=$!
trap 'kill $wsjtx_pid $pid $wm 2>/dev/null || true; rm -rf "$work"' EXIT
main="$(window "WSJT-X - Morvel   v2.6.1")"
sleep 4
xdotool mousemove 700 500 click 1   # the splash screen goes on a click
sleep 1
decode() {  # File > Open of the recording, then its decodes
    xdotool windowactivate --sync "$main"
    xdotool key --window "$main" ctrl+o
    sleep 1.5
    xdotool type --delay 20 "$work/261207_190000.wav"
    xdotool key Return
    sleep 12
}
band() {  # typed into the band box, as the dial of the rig
    at "$main" 40 433 click 1
    xdotool key ctrl+a
    xdotool type --delay 20 "$1"
    xdotool key Return
    sleep 2
}
band 50.313
decode
shot "$main" wsjtx_6m.png
band 144.174
decode
shot "$main" wsjtx_2m.png
xdotool windowactivate --sync "$menu"
shot "$menu" wsjtx_main_menu.png
