#!/usr/bin/env bash
# Takes download_main_menu.png (the main menu's Confirmations... button) and
# download_window.png (the Download confirmations window with a LoTW account
# filled in, before a download). Nothing is sent: Download is not pressed.
# Usage: xvfb-run -s "-screen 0 1280x1024x24" docs/screenshots/take_download.sh
# Needs openbox, xdotool and ImageMagick's import (Debian packages).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/x11_helpers.sh"
scratch_install
export HOME="$work/home"
mkdir -p "$HOME/.config/Morvel"
start_morvel

menu="$(window "Main Menu")"
sleep 0.5
at "$menu" 60 110 click 1      # the example database
shot "$menu" download_main_menu.png
at "$menu" 628 423 click 1     # Confirmations...
dl="$(window "Download confirmations")"
sleep 0.5
xdotool key --window "$dl" Tab
xdotool type --window "$dl" "SP2XYZ"
shot "$dl" download_window.png
