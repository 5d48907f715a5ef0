#!/usr/bin/env bash
# Takes download_report.png: the Download confirmations window after a LoTW
# download from lotw_test_server.py on 127.0.0.1 (test certificate, invented
# account), with the report and the award table it ends with.
# Usage: xvfb-run -s "-screen 0 1280x1024x24" docs/screenshots/take_download_report.sh
# Needs openbox, xdotool, ImageMagick's import and python3.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/x11_helpers.sh"
scratch_install
export HOME="$work/home"
mkdir -p "$HOME/.config/Morvel"
"$here/lotw_test_server.py" "$work/port" &
server=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
start_morvel --service-url "https://127.0.0.1:$(cat "$work/port")/lotwuser/lotwreport.adi" \
    --ca-certificates "$root/tests/data/tls/ca.pem"
trap 'kill $pid $wm $server 2>/dev/null || true; rm -rf "$work"' EXIT

menu="$(window "Main Menu")"
sleep 0.5
at "$menu" 60 110 click 1      # the example database
at "$menu" 628 423 click 1     # Confirmations...
dl="$(window "Download confirmations")"
sleep 0.5
xdotool key --window "$dl" Tab
xdotool type --window "$dl" "SP2XYZ"
xdotool key --window "$dl" Tab   # the nickname is LoTW's to skip
xdotool type --window "$dl" "invented"
at "$dl" 477 498 click 1       # Download
sleep 3
shot "$dl" download_report.png
